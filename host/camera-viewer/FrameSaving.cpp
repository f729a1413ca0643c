#include "FrameSaving.h"

#include <QImage>
#include <QRegularExpression>

#include "FrameFile.h"
#include "FrameImage.h"

QString DefaultSaveName(const QString& device, const Frame& frame)
{
    QString base = device;
    base.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    return QStringLiteral("%1-frame%2.%3")
        .arg(base)
        .arg(frame.frameNumber)
        .arg(frame.bitsPerPixel == 16 ? QStringLiteral("pgm") : QStringLiteral("png"));
}

bool SaveFrame(const Frame& frame, const QString& path, QString* error)
{
    if (frame.bitsPerPixel == 16)
        return frame_file::Save(frame, path, error);
    QImage image = FrameToImage(frame);
    if (image.isNull()) {
        *error = QStringLiteral("no frame to save");
        return false;
    }
    if (image.format() == QImage::Format_RGBX8888)
        image = image.convertToFormat(QImage::Format_RGB888);
    if (!image.save(path, "PNG")) {
        *error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    return true;
}
