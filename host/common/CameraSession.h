#pragma once
// One camera object of a loaded module, with the record and observer the host
// owns for it, and the one calling order every host here follows:
//   Create → Open (fill the record, IOpenCamera, ISetParameter(nullptr))
//          → Start (requestedMode, IStartCamera) → Snap / Change …
//          → Stop (IStopCamera) → Close (ICloseCamera) → End (Camera_Delete).
// The session keeps the record and the observer alive as long as the object.

#include <QString>
#include <QStringList>

#include "FrameSink.h"
#include "ModuleLoader.h"

class CameraSession {
public:
    // What goes into the host's record before IOpenCamera.
    struct Settings {
        QString device;
        int32_t pixelFormat = PixelFormat::GRAY8;
        int32_t exposure = 0;  // 0: automatic
        int32_t gain = 0;      // 0: automatic
    };

    CameraSession(const ModuleLoader& module, const FrameSink::Options& sinkOptions = {});
    ~CameraSession();
    CameraSession(const CameraSession&) = delete;
    CameraSession& operator=(const CameraSession&) = delete;

    // Camera_Create with this session's record and observer; false if the module refused.
    bool Create();
    // The module's device list (empty without a camera object).
    QStringList Devices() const;
    // Fills the record, opens the device and catches up with exposure and gain.
    bool Open(const Settings& settings);
    // Starts acquisition in `mode` (ModeTriggerOn, ModeTriggerOff, ModeTriggerOffReset).
    bool Start(int32_t mode);
    void Snap();
    void Change(int32_t paramId, int32_t value);
    void Stop();
    // Stops and closes the device; the camera object stays for another Open.
    void Close();
    // Closes and deletes the camera object (if any); the session can Create() again.
    void End();

    bool IsOpen() const { return camera_ && camera_->opened; }
    bool IsGrabbing() const { return camera_ && camera_->grabbing; }
    ICameraObject* Camera() const { return camera_; }
    CameraParam& Param() { return param_; }
    FrameSink& Frames() { return sink_; }

private:
    const ModuleLoader& module_;
    CameraParam param_;
    FrameSink sink_;
    ICameraObject* camera_ = nullptr;
};
