// Compiled for x86_64-pc-windows-msvc only (never linked): every static_assert
// of the contract and the driver object is evaluated under MSVC's layout
// rules, and the virtual tables are emitted so that their layout can be dumped.

#include "CCameraGige.h"
#include "tisgrabber.h"

// Calls through the interface, as a host does; makes the compiler lay out
// ICameraObject's table.
void HostCalls(ICameraObject* camera, const ParamChange* change)
{
    camera->IGetCameraList();
    camera->IOpenCamera();
    camera->ISetParameter(change);
    camera->ISnapImage();
    delete camera;
}

// The driver object's table, as the module defines it.
void DriverTable(CCameraGige* camera)
{
    camera->IReserved13();
    camera->IReserved14();
}

// The capture library's operations as the driver imports them.
int CaptureCalls(HGRABBER grabber)
{
    int32_t width = 0, height = 0, bits = 0;
    int format = 0;
    return IC_GetImageDescription(grabber, &width, &height, &bits, &format) + IC_StartLive(grabber, 0);
}
