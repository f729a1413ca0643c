// What the capture library calls, on a thread of its own: frames and device loss.

#include "CCameraGige.h"
#include "DriverLog.h"

void FrameReadyCallback(HGRABBER handle, unsigned char* buffer, uint32_t number, void* user)
{
    if (!user)
        return;
    auto* camera = static_cast<CCameraGige*>(user);
    driverlog::Debug("Gige image get: %s", driverlog::Timestamp());
    if (handle != camera->grabber)
        return;
    if (!camera->frameObserver || !camera->param)
        return;
    if (camera->width == 0 || camera->height == 0 || camera->bitsPerPixel == 0) {
        int format = 0;  // the pixel format code in force is the driver's own
        IC_GetImageDescription(camera->grabber, &camera->width, &camera->height, &camera->bitsPerPixel,
                               &format);
    }
    // The pixels stay in the library's buffer; the observer reads them now.
    camera->imageData = buffer;
    camera->frameNumber = number;
    camera->frameObserver->OnFrameReady(camera);
}

void DeviceLostCallback(HGRABBER handle, void* user)
{
    if (!user)
        return;
    auto* camera = static_cast<CCameraGige*>(user);
    if (handle != camera->grabber || !camera->param)
        return;
    driverlog::Warning("*****************************cam %s lost : ", camera->param->cameraName.toLocal8Bit());
}
