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

// Contract pixel format code of frames the capture library delivers in
// `captureFormat`; None where the contract has no code for it.
int32_t ToPixelFormat(int captureFormat)
{
    switch (captureFormat) {
    case IC_FORMAT_Y800: return PixelFormat::GRAY8;
    case IC_FORMAT_RGB24: return PixelFormat::RGB24;
    case IC_FORMAT_RGB32: return PixelFormat::RGB32;
    case IC_FORMAT_Y16: return PixelFormat::GRAY16;
    default: return PixelFormat::None;
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
    const State state = CurrentState();
    if (state == State::Open || state == State::Grabbing)
        return 1;
    if (state == State::Fresh) {
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
    if (IC_SetFormat(grabber, ToCaptureFormat(pixelFormat)) != 1)
        DescribeDeliveredFormat();
    driverlog::Debug("open gige device success");
    return 1;
}

// The camera kept another format than the one asked for: the object says
// what is delivered, so that a host sizing frames by it reads what is there.
// The host's record stays as the host wrote it.
void CCameraGige::DescribeDeliveredFormat()
{
    int32_t deliveredWidth = 0, deliveredHeight = 0, deliveredBits = 0;
    int deliveredFormat = IC_FORMAT_KEEP;
    if (IC_GetImageDescription(grabber, &deliveredWidth, &deliveredHeight, &deliveredBits, &deliveredFormat) != 1) {
        deliveredBits = 0;
        deliveredFormat = IC_FORMAT_KEEP;
    }
    pixelFormat = ToPixelFormat(deliveredFormat);
    bitsPerPixel = deliveredBits;
}

void CCameraGige::ICloseCamera()
{
    // The stop comes twice while grabbing (here and in IStopCamera): cameras
    // were qualified with this sequence, so it stays.
    if (CurrentState() != State::Fresh)
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
