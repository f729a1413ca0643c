#pragma once
// The driver object: one GigE camera reached through the capture library.
// It owns its capture handle; the host owns the parameter record and the
// observer and keeps both alive for the object's whole life.

#include <climits>
#include <cstdint>

#include "ICameraObject.h"
#include "capture/tisgrabber.h"

class CCameraGige : public ICameraObject {
public:
    CCameraGige(CameraParam* cameraParam, ICameraObserver* frameReceiver);
    ~CCameraGige() override;

    QStringList IGetCameraList() override;
    int32_t IOpenCamera() override;
    void ICloseCamera() override;
    int32_t IStartCamera() override;
    void IStopCamera() override;
    void ISnapImage() override;
    bool ISetParameter(const ParamChange* change) override;
    bool IReserved12() override { return true; }
    virtual void IReserved13() {}
    virtual void IReserved14() {}

    // The driver's own state, laid out after the interface's members. Public
    // so that the capture callbacks (free functions with the library's
    // signatures) can reach it; the host never reads it.
    ICameraObserver* const frameObserver;  // where frames go; `observer` is never read
    HGRABBER grabber = nullptr;            // made in IOpenCamera, released in ICloseCamera
    int32_t exposureMin = 0;               // exposure range last read from the camera
    int32_t exposureMax = 0;
    int32_t lastExposure = INT_MAX;        // last applied through ISetParameter; INT_MAX = none yet
    int32_t lastGain = INT_MAX;

private:
    void SetExposure(int32_t value);
    void SetGain(int32_t value);
    void ReleaseDevice();
};

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
#endif
static_assert(offsetof(CCameraGige, frameObserver) == sizeof(ICameraObject), "CCameraGige layout");
static_assert(offsetof(CCameraGige, grabber) == sizeof(ICameraObject) + 8, "CCameraGige layout");
static_assert(offsetof(CCameraGige, lastGain) == sizeof(ICameraObject) + 28, "CCameraGige layout");
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// Registered with the capture library by IOpenCamera; `user` is the CCameraGige.
void FrameReadyCallback(HGRABBER handle, unsigned char* buffer, uint32_t number, void* user);
void DeviceLostCallback(HGRABBER handle, void* user);
