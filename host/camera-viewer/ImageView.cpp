#include "ImageView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

ImageCanvas::ImageCanvas(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
}

QRect ImageCanvas::Target() const
{
    if (image.isNull())
        return QRect();
    const QSize shown = scale > 0 ? image.size() * scale : image.size().scaled(size(), Qt::KeepAspectRatio);
    return QRect(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown);
}

void ImageCanvas::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(32, 32, 32));
    if (image.isNull()) {
        painter.setPen(Qt::lightGray);
        painter.drawText(rect(), Qt::AlignCenter, tr("no image"));
    } else {
        // Magnified, each camera pixel stays a sharp square.
        painter.setRenderHint(QPainter::SmoothPixmapTransform, scale == 0);
        painter.drawImage(Target(), banner.isEmpty() ? image : image.convertToFormat(QImage::Format_Grayscale8));
    }
    if (banner.isEmpty())
        return;
    painter.fillRect(rect(), QColor(96, 96, 96, 150));
    QFont font = painter.font();
    font.setPointSize(font.pointSize() * 2);
    font.setBold(true);
    painter.setFont(font);
    const QRect box = painter.fontMetrics().boundingRect(banner).adjusted(-24, -12, 24, 12);
    const QRect bannerRect(QPoint((width() - box.width()) / 2, (height() - box.height()) / 2), box.size());
    painter.fillRect(bannerRect, QColor(176, 0, 0));
    painter.setPen(Qt::white);
    painter.drawText(bannerRect, Qt::AlignCenter, banner);
}

ImageView::ImageView(QWidget* parent) : QScrollArea(parent), canvas_(new ImageCanvas(this))
{
    setMinimumSize(320, 240);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAlignment(Qt::AlignCenter);
    setWidget(canvas_);
    canvas_->installEventFilter(this);
    Relayout();
}

void ImageView::SetImage(const QImage& image)
{
    const bool resized = image.size() != canvas_->image.size();
    canvas_->image = image;
    if (resized)
        Relayout();
    canvas_->update();
}

const QImage& ImageView::Image() const
{
    return canvas_->image;
}

void ImageView::SetZoom(Zoom zoom)
{
    zoom_ = zoom;
    Relayout();
}

void ImageView::SetBanner(const QString& banner)
{
    canvas_->banner = banner;
    canvas_->update();
}

QString ImageView::Banner() const
{
    return canvas_->banner;
}

void ImageView::Relayout()
{
    canvas_->scale = zoom_ == Zoom::Fit ? 0 : zoom_ == Zoom::Actual ? 1 : 4;
    setWidgetResizable(zoom_ == Zoom::Fit || canvas_->image.isNull());
    if (!widgetResizable())
        canvas_->resize(canvas_->image.size() * canvas_->scale);
    canvas_->setCursor(zoom_ == Zoom::Fit ? Qt::CrossCursor : Qt::OpenHandCursor);
    canvas_->update();
}

QPoint ImageView::ImagePixelAt(QPoint point) const
{
    const QRect target = canvas_->Target();
    if (!target.contains(point))
        return QPoint(-1, -1);
    const QImage& image = canvas_->image;
    return QPoint(int(qint64(point.x() - target.x()) * image.width() / target.width()),
                  int(qint64(point.y() - target.y()) * image.height() / target.height()));
}

bool ImageView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != canvas_)
        return QScrollArea::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (dragging_) {  // pan: the image follows the cursor
            const QPoint moved = mouse->globalPos() - dragFrom_;
            dragFrom_ = mouse->globalPos();
            horizontalScrollBar()->setValue(horizontalScrollBar()->value() - moved.x());
            verticalScrollBar()->setValue(verticalScrollBar()->value() - moved.y());
        }
        Q_EMIT Hovered(ImagePixelAt(mouse->pos()));
        break;
    }
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && zoom_ != Zoom::Fit) {
            dragging_ = true;
            dragFrom_ = static_cast<QMouseEvent*>(event)->globalPos();
        }
        break;
    case QEvent::MouseButtonRelease: dragging_ = false; break;
    case QEvent::Leave: Q_EMIT Hovered(QPoint(-1, -1)); break;
    default: break;
    }
    return QScrollArea::eventFilter(watched, event);
}
