// Construction and destruction of the driver object.

#include "CCameraGige.h"

#include "DriverLog.h"

CCameraGige::CCameraGige(CameraParam* cameraParam, ICameraObserver* frameReceiver)
    : ICameraObject(cameraParam, frameReceiver), frameObserver(frameReceiver)
{
}

CCameraGige::State CCameraGige::CurrentState() const
{
    if (opened)
        return grabbing ? State::Grabbing : State::Open;
    return grabber ? State::HandleOnly : State::Fresh;
}

CCameraGige::~CCameraGige()
{
    driverlog::Debug("~CCameraGige");
    ReleaseDevice();
}

// A host that deletes an open object would otherwise leave the camera held and
// the capture library calling back into freed memory: stop and close first.
// IC_StopLive returns only once no frame callback can run any more.
void CCameraGige::ReleaseDevice()
{
    if (CurrentState() == State::Open || CurrentState() == State::Grabbing) {
        IC_StopLive(grabber);
        IC_CloseVideoCaptureDevice(grabber);
        opened = false;
        grabbing = false;
    }
    if (grabber)
        IC_ReleaseGrabber(&grabber);
}
