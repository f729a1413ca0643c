#pragma once
// The module's C entry surface, as a host resolves it by name.

#include "ICameraObject.h"

#if defined(_WIN32)
#  define VEXACAM_EXPORT __declspec(dllexport)
#else
#  define VEXACAM_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
VEXACAM_EXPORT ICameraObject* Camera_Create(CameraParam* param, ICameraObserver* observer);
VEXACAM_EXPORT void Camera_Delete(ICameraObject* camera);
}
