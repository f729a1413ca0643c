#include "HistogramView.h"

#include <QPainter>
#include <algorithm>

HistogramView::HistogramView(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(256, 110);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void HistogramView::SetHistogram(const FrameHistogram& histogram)
{
    histogram_ = histogram;
    update();
}

QString HistogramView::SaturationText() const
{
    const auto percent = [this](uint64_t count) {
        return histogram_.samples ? 100.0 * double(count) / double(histogram_.samples) : 0.0;
    };
    return tr("at 0: %1 (%2 %) | at full scale: %3 (%4 %)")
        .arg(histogram_.atZero)
        .arg(percent(histogram_.atZero), 0, 'f', 2)
        .arg(histogram_.atFullScale)
        .arg(percent(histogram_.atFullScale), 0, 'f', 2);
}

void HistogramView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(24, 24, 24));
    const int textHeight = painter.fontMetrics().height() + 4;
    const QRect plot = rect().adjusted(2, 2, -2, -textHeight);
    const uint64_t tallest = *std::max_element(histogram_.bins.begin(), histogram_.bins.end());
    if (tallest > 0) {
        const double barWidth = double(plot.width()) / 256.0;
        for (int bin = 0; bin < 256; ++bin) {
            const int height = int(double(histogram_.bins[bin]) / double(tallest) * plot.height());
            // Saturated ends in red, where an engineer looks first.
            const bool end = (bin == 0 && histogram_.atZero) || (bin == 255 && histogram_.atFullScale);
            const QRectF bar(plot.left() + bin * barWidth, plot.bottom() - height, std::max(barWidth, 1.0),
                             std::max(height, end ? 3 : 0));
            painter.fillRect(bar, end ? QColor(230, 40, 40) : QColor(200, 200, 200));
        }
    }
    const bool saturated = histogram_.atZero || histogram_.atFullScale;
    painter.setPen(saturated ? QColor(255, 110, 110) : QColor(200, 200, 200));
    painter.drawText(rect().adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignBottom, SaturationText());
}
