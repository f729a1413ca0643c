#include "FrameFile.h"

#include <QFile>

namespace frame_file {

QString Extension(int32_t bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 8:
    case 16: return QStringLiteral("pgm");
    case 24:
    case 32: return QStringLiteral("ppm");
    default: return QString();
    }
}

namespace {

QByteArray Body(const Frame& frame)
{
    const QByteArray& in = frame.pixels;
    switch (frame.bitsPerPixel) {
    case 16: {
        QByteArray out(in.size(), Qt::Uninitialized);
        for (int i = 0; i + 1 < in.size(); i += 2) {
            out[i] = in[i + 1];
            out[i + 1] = in[i];
        }
        return out;
    }
    case 32: {
        QByteArray out(in.size() / 4 * 3, Qt::Uninitialized);
        for (int i = 0, o = 0; i + 3 < in.size(); i += 4, o += 3) {
            out[o] = in[i];
            out[o + 1] = in[i + 1];
            out[o + 2] = in[i + 2];
        }
        return out;
    }
    default: return in;
    }
}

}  // namespace

bool Save(const Frame& frame, const QString& path, QString* error)
{
    const QString extension = Extension(frame.bitsPerPixel);
    if (extension.isEmpty() || frame.pixels.size() != frame.ByteCount()) {
        *error = QStringLiteral("cannot save a frame of %1 bits per pixel and %2 bytes")
                     .arg(frame.bitsPerPixel)
                     .arg(frame.pixels.size());
        return false;
    }
    const bool gray = extension == QLatin1String("pgm");
    const QByteArray header = QByteArray(gray ? "P5\n" : "P6\n") + QByteArray::number(frame.width) + ' ' +
                              QByteArray::number(frame.height) + '\n' +
                              (frame.bitsPerPixel == 16 ? "65535" : "255") + '\n';
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(header) != header.size()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    const QByteArray body = Body(frame);
    if (file.write(body) != body.size()) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

}  // namespace frame_file
