#pragma once
// Shows one image scaled to the widget with its aspect kept.

#include <QImage>
#include <QWidget>

class ImageView : public QWidget {
    Q_OBJECT
public:
    explicit ImageView(QWidget* parent = nullptr);
    void SetImage(const QImage& image);
    const QImage& Image() const { return image_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage image_;
};
