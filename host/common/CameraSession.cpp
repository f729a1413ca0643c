#include "CameraSession.h"

CameraSession::CameraSession(const ModuleLoader& module, const FrameSink::Options& sinkOptions)
    : module_(module), sink_(sinkOptions)
{
}

CameraSession::~CameraSession()
{
    End();
}

bool CameraSession::Create()
{
    End();
    camera_ = module_.create(&param_, &sink_);
    return camera_ != nullptr;
}

void CameraSession::End()
{
    if (!camera_)
        return;
    camera_->ICloseCamera();  // the object's destructor does not close the device
    module_.destroy(camera_);
    camera_ = nullptr;
}
