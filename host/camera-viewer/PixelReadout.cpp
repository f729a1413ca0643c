#include "PixelReadout.h"

QString PixelReadout(const Frame& frame, int x, int y)
{
    if (x < 0 || y < 0 || x >= frame.width || y >= frame.height || frame.pixels.size() != frame.ByteCount())
        return QString();
    const int bytes = frame.bitsPerPixel / 8;
    const auto* pixel =
        reinterpret_cast<const uchar*>(frame.pixels.constData()) + (qint64(y) * frame.width + x) * bytes;
    const QString where = QStringLiteral("x %1, y %2: ").arg(x).arg(y);
    switch (frame.bitsPerPixel) {
    case 8: return where + QString::number(pixel[0]);
    case 16: return where + QString::number(pixel[0] | pixel[1] << 8);
    case 24:
    case 32: return where + QStringLiteral("R %1, G %2, B %3").arg(pixel[0]).arg(pixel[1]).arg(pixel[2]);
    default: return QString();
    }
}
