#include "ModuleLoader.h"

#include <QCoreApplication>
#include <QDir>

QString ModuleLoader::DefaultPath()
{
#ifdef Q_OS_WIN
    const QString file = QStringLiteral("vexaCam_120.dll");
#else
    const QString file = QStringLiteral("libvexaCam_120.so");
#endif
    return QDir(QCoreApplication::applicationDirPath()).filePath(file);
}

bool ModuleLoader::Load(const QString& path, QString* error)
{
    library_.setFileName(path);
    if (!library_.load()) {
        *error = QStringLiteral("cannot load module %1: %2").arg(path, library_.errorString());
        return false;
    }
    create = reinterpret_cast<CameraCreateFn>(library_.resolve("Camera_Create"));
    destroy = reinterpret_cast<CameraDeleteFn>(library_.resolve("Camera_Delete"));
    if (!create || !destroy) {
        *error = QStringLiteral("module %1 does not export %2")
                     .arg(path, create ? QStringLiteral("Camera_Delete") : QStringLiteral("Camera_Create"));
        create = nullptr;
        destroy = nullptr;
        return false;
    }
    return true;
}
