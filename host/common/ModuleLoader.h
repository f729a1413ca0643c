#pragma once
// Loads a camera driver module at run time, as the application does, and
// resolves its two entry points.

#include <QLibrary>
#include <QString>

#include "ICameraObject.h"

class ModuleLoader {
public:
    // The module next to the running program (a build folder), or else where
    // the package installs it relative to the program (bin/ → lib/…/vexacam/).
    static QString DefaultPath();

    // Loads `path` and resolves Camera_Create and Camera_Delete; on failure
    // returns false and says why (with the path tried) in `error`.
    bool Load(const QString& path, QString* error);

    CameraCreateFn create = nullptr;
    CameraDeleteFn destroy = nullptr;

private:
    QLibrary library_;
};
