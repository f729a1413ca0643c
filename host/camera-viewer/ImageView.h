#pragma once
// Shows one image: fitted to the view (aspect kept), or at 1:1 or 4:1 inside
// a scroll area that pans with the scroll bars or by dragging. Reports the
// image pixel under the cursor. A lost camera's last image is shown greyed
// under a banner.

#include <QImage>
#include <QPoint>
#include <QScrollArea>

class ImageCanvas;

class ImageView : public QScrollArea {
    Q_OBJECT
public:
    enum class Zoom { Fit, Actual, Four };

    explicit ImageView(QWidget* parent = nullptr);
    void SetImage(const QImage& image);
    const QImage& Image() const;
    void SetZoom(Zoom zoom);
    // Greys the image and shows `banner` over it; an empty text clears it.
    void SetBanner(const QString& banner);
    QString Banner() const;
    // The image pixel shown at `point` of the canvas, or (-1, -1) outside it.
    QPoint ImagePixelAt(QPoint point) const;
    ImageCanvas* Canvas() const { return canvas_; }

Q_SIGNALS:
    // The image pixel under the cursor, (-1, -1) when it is off the image.
    void Hovered(QPoint pixel);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Relayout();

    ImageCanvas* canvas_;
    Zoom zoom_ = Zoom::Fit;
    QPoint dragFrom_;
    bool dragging_ = false;
};

// The widget the image is painted on (inside the scroll area).
class ImageCanvas : public QWidget {
    Q_OBJECT
public:
    explicit ImageCanvas(QWidget* parent);
    QImage image;
    QString banner;
    int scale = 0;  // 0: fit to the widget
    // Where the image is drawn in this widget.
    QRect Target() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
