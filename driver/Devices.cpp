// Listing devices, binding this object to one by its unique name, closing it.

#include "CCameraGige.h"
#include "DriverLog.h"

namespace {

// Capture library format code for a contract pixel format code.
int ToCaptureFormat(int32_t pixelFormat)
{
    switch (pixelFormat) {
    case PixelFormat::GRAY8: return IC_FORMAT_Y800;
    case PixelFormat::RGB24: return IC_FORMAT_RGB24;
    case PixelFormat::RGB32: return IC_FORMAT_RGB32;
    case PixelFormat::GRAY16: return IC_FORMAT_Y800;  // hosts were qualified with 8-bit frames here
    default: return IC_FORMAT_KEEP;
    }
}

}  // namespace

QStringList CCameraGige::IGetCameraList()
{
    QStringList names;
    const int count = IC_GetDeviceCount();
    for (int index = 0; index < count; ++index)
        names.append(QString::fromUtf8(IC_GetUniqueNamefromList(index)));  // null gives ""
    return names;
}

int32_t CCameraGige::IOpenCamera()
{
    if (!param)
        return 0;
    if (opened)
        return 1;
    if (!grabber) {
        grabber = IC_CreateGrabber();
        if (!grabber) {
            driverlog::Debug("create grabber fail");
            return 0;
        }
    }
    if (IC_OpenDevByUniqueName(grabber, param->cameraName.toLocal8Bit().constData()) != 1) {
        // The handle stays for the next attempt.
        driverlog::Debug("open device fail, device name:%s", param->cameraName.toLatin1());
        return 0;
    }
    IC_SetCallbacks(grabber, FrameReadyCallback, this, DeviceLostCallback, this);
    opened = true;
    SetExposure(param->exposure);
    SetGain(param->gain);
    pixelFormat = param->pixelFormat;
    // The frame description is read again from the first frame of this open:
    // a new pixel format may change its size.
    width = 0;
    height = 0;
    bitsPerPixel = BitsPerPixelOf(pixelFormat);
    IC_SetFormat(grabber, ToCaptureFormat(pixelFormat));
    driverlog::Debug("open gige device success");
    return 1;
}

void CCameraGige::ICloseCamera()
{
    if (grabber)
        IC_StopLive(grabber);
    if (grabbing)
        IStopCamera();
    if (opened) {
        IC_CloseVideoCaptureDevice(grabber);
        IC_ReleaseGrabber(&grabber);
        opened = false;
        grabber = nullptr;
    }
    driverlog::Debug("ICloseCamera");
}
