#pragma once
// The driver object: one GigE camera reached through the capture library.
// It owns its capture handle; the host owns the parameter record and the
// observer and keeps both alive for the object's whole life.
//
// Its states, as CurrentState() names them from `opened`, `grabbing` and
// `grabber` (the members the host reads stay the record of truth):
//
//   fresh ──IOpenCamera fails──▶ handle only      (ICloseCamera keeps the handle)
//   fresh, handle only ──IOpenCamera ok──▶ open
//   open ──IStartCamera──▶ grabbing ──IStopCamera──▶ open
//   open, grabbing ──ICloseCamera──▶ fresh           (device closed, handle released)

#include <climits>
#include <cstdint>

#include "ICameraObject.h"
#include "tisgrabber.h"

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
    // Slots 13 and 14: the driver's own, empty; they keep the table as long
    // as hosts built against it expect.
    virtual void IReserved13() {}
    virtual void IReserved14() {}

    // The driver's own state, laid out after the interface's members. Public
    // so that the capture callbacks (free functions with the library's
    // signatures) can reach it; the host never reads it.
    // Where frames go. The interface's `observer` is a public member a host
    // may overwrite; frames still go to the observer given at creation.
    ICameraObserver* const frameObserver;
    HGRABBER grabber = nullptr;            // made in IOpenCamera, released in ICloseCamera
    int32_t exposureMin = 0;               // exposure range last read from the camera
    int32_t exposureMax = 0;
    int32_t lastExposure = INT_MAX;        // last applied through ISetParameter; INT_MAX = none yet
    int32_t lastGain = INT_MAX;

private:
    enum class State { Fresh, HandleOnly, Open, Grabbing };
    State CurrentState() const;

    void SetExposure(int32_t value);
    void SetGain(int32_t value);
    void DescribeDeliveredFormat();
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
