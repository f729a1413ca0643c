#pragma once
// One camera object of a loaded module, with the record and observer the host
// owns for it. The session keeps both alive as long as the object and ends it
// in the contract's order: ICloseCamera, then Camera_Delete.

#include <QString>

#include "FrameSink.h"
#include "ModuleLoader.h"

class CameraSession {
public:
    CameraSession(const ModuleLoader& module, const FrameSink::Options& sinkOptions = {});
    ~CameraSession();
    CameraSession(const CameraSession&) = delete;
    CameraSession& operator=(const CameraSession&) = delete;

    // Camera_Create with this session's record and observer; false if the module refused.
    bool Create();
    // Closes and deletes the camera object (if any); the session can Create() again.
    void End();

    ICameraObject* Camera() const { return camera_; }
    CameraParam& Param() { return param_; }
    FrameSink& Frames() { return sink_; }

private:
    const ModuleLoader& module_;
    CameraParam param_;
    FrameSink sink_;
    ICameraObject* camera_ = nullptr;
};
