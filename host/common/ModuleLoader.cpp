#include "ModuleLoader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QString ModuleLoader::DefaultPath()
{
#ifdef Q_OS_WIN
    const QString file = QStringLiteral("vexaCam_120.dll");
#else
    const QString file = QStringLiteral("libvexaCam_120.so");
#endif
    const QDir programDir(QCoreApplication::applicationDirPath());
#ifdef VEXACAM_INSTALLED_MODULE_DIR
    if (!programDir.exists(file)) {
        const QString installed = programDir.filePath(QStringLiteral(VEXACAM_INSTALLED_MODULE_DIR "/") + file);
        if (QFileInfo::exists(installed))
            return QDir::cleanPath(installed);
    }
#endif
    return programDir.filePath(file);
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
