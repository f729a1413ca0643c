// The module's two entry points. Everything else stays inside the module.

#include <new>

#include "CCameraGige.h"
#include "ModuleExports.h"

namespace {
// True once IC_InitLibrary has succeeded, until the next Camera_Delete.
bool libraryReady = false;
}  // namespace

extern "C" VEXACAM_EXPORT ICameraObject* Camera_Create(CameraParam* param, ICameraObserver* observer)
{
    if (!param)  // the object is built from the record; without it there is nothing to drive
        return nullptr;
    if (!libraryReady) {
        libraryReady = IC_InitLibrary(nullptr) == 1;
        if (!libraryReady)
            return nullptr;
    }
    // No exception may cross into the host: an allocation failure is a null result.
    return new (std::nothrow) CCameraGige(param, observer);
}

extern "C" VEXACAM_EXPORT void Camera_Delete(ICameraObject* camera)
{
    delete camera;
    libraryReady = false;
}
