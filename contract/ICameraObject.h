#pragma once
// The contract between a host application and its camera driver modules.
// It is an ABI: the host is compiled against this header separately from the
// module, so member order, member widths and virtual slot order are fixed.

#include <cstddef>
#include <cstdint>

#include <QString>
#include <QStringList>

#include "CameraNames.h"

static_assert(sizeof(void*) == 8, "the contract is defined for 64-bit hosts");

// Pixel format codes, stored in 32-bit members of the records below.
namespace PixelFormat {
enum Code : int32_t {
    None = 0,
    GRAY8 = 1,
    RGB24 = 2,
    RGB32 = 3,
    GRAY16 = 4,
    RGB48 = 5,
    BGR24 = 11,
    BGR32 = 12,
};
}

// Acquisition modes for ICameraObject::requestedMode / activeMode.
enum AcquisitionMode : int32_t {
    ModeTriggerOn = 1,        // software trigger: one frame per ISnapImage
    ModeTriggerOff = 2,       // free run
    ModeTriggerOffReset = 3,  // free run, frameNumber restarts at 0
};

// Identifiers for ParamChange::paramId.
constexpr int32_t PARAM_EXPOSURE = 1;
constexpr int32_t PARAM_GAIN = 0x10000;

// Bits per pixel of a pixel format code; 0 for codes whose size the driver
// learns only from the first frame.
constexpr int32_t BitsPerPixelOf(int32_t pixelFormat)
{
    switch (pixelFormat) {
    case PixelFormat::GRAY8: return 8;
    case PixelFormat::RGB24: return 24;
    case PixelFormat::RGB32: return 32;
    case PixelFormat::GRAY16: return 16;
    default: return 0;
    }
}

// The host's parameter record. The host owns it and keeps it alive for the
// camera object's whole life; the driver reads four fields and writes back
// `exposure`. The other bytes belong to the host.
struct CameraParam {
    int32_t hostReserved0[6] = {};
    QString cameraName;        // unique device name as the capture library lists it
    int32_t hostReserved1[3] = {};
    int32_t pixelFormat = 0;   // PixelFormat::Code
    int32_t hostReserved2[8] = {};
    int32_t exposure = 0;      // capture library units; 0 = automatic
    int32_t hostReserved3[2] = {};
    int32_t gain = 0;          // capture library units; 0 = automatic
};

static_assert(sizeof(QString) == sizeof(void*), "QString must be one pointer wide (Qt 5)");
static_assert(offsetof(CameraParam, cameraName) == 24, "CameraParam layout");
static_assert(offsetof(CameraParam, pixelFormat) == 44, "CameraParam layout");
static_assert(offsetof(CameraParam, exposure) == 80, "CameraParam layout");
static_assert(offsetof(CameraParam, gain) == 92, "CameraParam layout");
static_assert(sizeof(CameraParam) == 96, "CameraParam layout");

// What ISetParameter receives.
struct ParamChange {
    int32_t paramId;
    int32_t value;
};
static_assert(sizeof(ParamChange) == 8 && offsetof(ParamChange, value) == 4, "ParamChange layout");

class ICameraObject;

// Implemented by the host. OnFrameReady runs on the capture library's thread;
// the frame members of the camera object are valid only during the call.
class ICameraObserver {
public:
    virtual ~ICameraObserver() = default;
    virtual void OnFrameReady(ICameraObject* camera) = 0;
};

class ICameraObject {
public:
    virtual ~ICameraObject() = default;
    virtual QStringList IGetCameraList() { return {}; }
    virtual int32_t IOpenCamera() = 0;
    virtual void ICloseCamera() = 0;
    virtual int32_t IStartCamera() = 0;
    virtual void IStopCamera() = 0;
    virtual void IReserved6() {}
    virtual bool IReserved7() { return false; }
    virtual bool IReserved8() { return false; }
    virtual void ISnapImage() {}
    virtual intptr_t IReserved10() { return 0; }
    virtual bool ISetParameter(const ParamChange* change) { (void)change; return false; }
    virtual bool IReserved12() { return false; }

    CameraParam* param = nullptr;
    bool opened = false;
    bool grabbing = false;
    int32_t width = 0;
    int32_t height = 0;
    int32_t reservedA = 0;
    int32_t bitsPerPixel = 0;
    int32_t pixelFormat = 0;
    int32_t reservedB = 0;
    uint32_t frameNumber = 0;
    int32_t startCount = 0;
    int32_t activeMode = 0;
    int32_t requestedMode = ModeTriggerOn;
    unsigned char* imageData = nullptr;
    ICameraObserver* observer = nullptr;

protected:
    // Only driver modules construct camera objects; hosts get them from Camera_Create.
    ICameraObject(CameraParam* cameraParam, ICameraObserver* frameReceiver)
        : param(cameraParam), bitsPerPixel(BitsPerPixelOf(cameraParam->pixelFormat)),
          observer(frameReceiver)
    {
    }
    ICameraObject(const ICameraObject&) = delete;
    ICameraObject& operator=(const ICameraObject&) = delete;
};

// The host reads these members directly; offsetof on a polymorphic class is
// conditionally supported, and GCC, Clang and MSVC all support it.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
#endif
static_assert(offsetof(ICameraObject, param) == sizeof(void*), "ICameraObject layout");
static_assert(offsetof(ICameraObject, opened) == 2 * sizeof(void*), "ICameraObject layout");
static_assert(offsetof(ICameraObject, grabbing) == 2 * sizeof(void*) + 1, "ICameraObject layout");
static_assert(offsetof(ICameraObject, width) == 2 * sizeof(void*) + 4, "ICameraObject layout");
static_assert(offsetof(ICameraObject, height) == 2 * sizeof(void*) + 8, "ICameraObject layout");
static_assert(offsetof(ICameraObject, reservedA) == 2 * sizeof(void*) + 12, "ICameraObject layout");
static_assert(offsetof(ICameraObject, bitsPerPixel) == 2 * sizeof(void*) + 16, "ICameraObject layout");
static_assert(offsetof(ICameraObject, pixelFormat) == 2 * sizeof(void*) + 20, "ICameraObject layout");
static_assert(offsetof(ICameraObject, reservedB) == 2 * sizeof(void*) + 24, "ICameraObject layout");
static_assert(offsetof(ICameraObject, frameNumber) == 2 * sizeof(void*) + 28, "ICameraObject layout");
static_assert(offsetof(ICameraObject, startCount) == 2 * sizeof(void*) + 32, "ICameraObject layout");
static_assert(offsetof(ICameraObject, activeMode) == 2 * sizeof(void*) + 36, "ICameraObject layout");
static_assert(offsetof(ICameraObject, requestedMode) == 2 * sizeof(void*) + 40, "ICameraObject layout");
static_assert(offsetof(ICameraObject, imageData) == 2 * sizeof(void*) + 48, "ICameraObject layout");
static_assert(offsetof(ICameraObject, observer) == 3 * sizeof(void*) + 48, "ICameraObject layout");
static_assert(sizeof(ICameraObject) == 4 * sizeof(void*) + 48, "ICameraObject layout");
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// The module's two exports, as a host resolves them by name (C linkage):
//   ICameraObject* Camera_Create(CameraParam* param, ICameraObserver* observer);
//   void Camera_Delete(ICameraObject* camera);
using CameraCreateFn = ICameraObject* (*)(CameraParam* param, ICameraObserver* observer);
using CameraDeleteFn = void (*)(ICameraObject* camera);
