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

QStringList CameraSession::Devices() const
{
    return camera_ ? camera_->IGetCameraList() : QStringList();
}

bool CameraSession::Open(const Settings& settings)
{
    if (!camera_)
        return false;
    param_.cameraName = settings.device;
    param_.pixelFormat = settings.pixelFormat;
    param_.exposure = settings.exposure;
    param_.gain = settings.gain;
    if (camera_->IOpenCamera() != 1)
        return false;
    camera_->ISetParameter(nullptr);  // catch up with the record, as a host does after open
    return true;
}

bool CameraSession::Start(int32_t mode)
{
    if (!camera_)
        return false;
    camera_->requestedMode = mode;
    return camera_->IStartCamera() == 1;
}

void CameraSession::Snap()
{
    if (camera_)
        camera_->ISnapImage();
}

void CameraSession::Change(int32_t paramId, int32_t value)
{
    const ParamChange change{paramId, value};
    if (camera_)
        camera_->ISetParameter(&change);
}

void CameraSession::Stop()
{
    if (camera_)
        camera_->IStopCamera();
}

void CameraSession::Close()
{
    if (!camera_)
        return;
    camera_->IStopCamera();
    camera_->ICloseCamera();
}

void CameraSession::End()
{
    if (!camera_)
        return;
    Close();  // the object's destructor does not close the device
    module_.destroy(camera_);
    camera_ = nullptr;
}
