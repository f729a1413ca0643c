#include "FrameImage.h"

QImage FrameToImage(const Frame& frame)
{
    if (frame.pixels.size() != frame.ByteCount() || frame.ByteCount() <= 0)
        return QImage();
    const auto* data = reinterpret_cast<const uchar*>(frame.pixels.constData());
    const int stride = frame.width * frame.bitsPerPixel / 8;
    switch (frame.bitsPerPixel) {
    case 8:
        return QImage(data, frame.width, frame.height, stride, QImage::Format_Grayscale8).copy();
    case 24:  // R, G, B
        return QImage(data, frame.width, frame.height, stride, QImage::Format_RGB888).copy();
    case 32:  // R, G, B and a padding byte, which is no transparency
        return QImage(data, frame.width, frame.height, stride, QImage::Format_RGBX8888).copy();
    case 16: {  // little-endian samples; the high byte is what the eye needs
        QImage image(frame.width, frame.height, QImage::Format_Grayscale8);
        for (int y = 0; y < frame.height; ++y) {
            const uchar* row = data + qsizetype(y) * stride;
            uchar* out = image.scanLine(y);
            for (int x = 0; x < frame.width; ++x)
                out[x] = row[2 * x + 1];
        }
        return image;
    }
    default:
        return QImage();
    }
}
