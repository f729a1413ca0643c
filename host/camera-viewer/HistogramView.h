#pragma once
// The shown frame's histogram as bars, with the samples at 0 and at full
// scale counted beside it and their bars in red when there are any.

#include <QWidget>

#include "FrameHistogram.h"

class HistogramView : public QWidget {
    Q_OBJECT
public:
    explicit HistogramView(QWidget* parent = nullptr);
    void SetHistogram(const FrameHistogram& histogram);
    const FrameHistogram& Histogram() const { return histogram_; }
    // "at 0: N (p %) | at full scale: M (q %)".
    QString SaturationText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    FrameHistogram histogram_;
};
