// The library's C surface: the capture operations, looked up through the
// handle registry.

#include <memory>

#include "AravisSystem.h"
#include "HandleRegistry.h"
#include "TisAravisInspect.h"

namespace {

using handle_registry::Find;

// Runs `call` on the handle's grabber when `property` is the one id the
// operation serves (camera property 4 is exposure, video property 9 gain).
template <typename Call>
int OnProperty(HGRABBER handle, int property, int servedProperty, Call call)
{
    auto grabber = Find(handle);
    if (!grabber)
        return IC_NO_HANDLE;
    if (property != servedProperty)
        return IC_NOT_AVAILABLE;
    return call(*grabber);
}

constexpr auto kExposure = Grabber::Property::Exposure;
constexpr auto kGain = Grabber::Property::Gain;

}  // namespace

extern "C" {

int IC_InitLibrary(const char*)
{
    aravis_system::SelectInterfaces();
    return IC_SUCCESS;
}

void IC_CloseLibrary(void)
{
    aravis_system::Shutdown();
}

HGRABBER IC_CreateGrabber(void)
{
    return handle_registry::Add(std::make_shared<Grabber>());
}

void IC_ReleaseGrabber(HGRABBER* handle)
{
    if (!handle)
        return;
    std::shared_ptr<Grabber> grabber = handle_registry::Remove(*handle);
    *handle = nullptr;
    if (grabber)
        grabber->Close();
}

int IC_GetDeviceCount(void)
{
    return aravis_system::RefreshDevices();
}

char* IC_GetUniqueNamefromList(int index)
{
    return const_cast<char*>(aravis_system::DeviceId(index));
}

int IC_OpenDevByUniqueName(HGRABBER handle, const char* uniqueName)
{
    auto grabber = Find(handle);
    return grabber ? grabber->Open(uniqueName) : IC_NO_HANDLE;
}

void IC_CloseVideoCaptureDevice(HGRABBER handle)
{
    if (auto grabber = Find(handle))
        grabber->Close();
}

int IC_SetCallbacks(HGRABBER handle, FRAME_READY_CALLBACK frameReady, void* frameReadyUser,
                    DEVICE_LOST_CALLBACK deviceLost, void* deviceLostUser)
{
    auto grabber = Find(handle);
    return grabber ? grabber->SetCallbacks(frameReady, frameReadyUser, deviceLost, deviceLostUser) : IC_NO_HANDLE;
}

int IC_SetFormat(HGRABBER handle, int format)
{
    auto grabber = Find(handle);
    return grabber ? grabber->SetFormat(format) : IC_NO_HANDLE;
}

int IC_GetImageDescription(HGRABBER handle, int32_t* width, int32_t* height, int32_t* bitsPerPixel, int* format)
{
    auto grabber = Find(handle);
    return grabber ? grabber->GetImageDescription(width, height, bitsPerPixel, format) : IC_NO_HANDLE;
}

int IC_EnableTrigger(HGRABBER handle, int enable)
{
    auto grabber = Find(handle);
    return grabber ? grabber->EnableTrigger(enable != 0) : IC_NO_HANDLE;
}

int IC_SetContinuousMode(HGRABBER handle, int continuous)
{
    if (!Find(handle))
        return IC_NO_HANDLE;
    // 0: every frame goes to the callback, which is all this library does.
    return continuous == 0 ? IC_SUCCESS : IC_NOT_AVAILABLE;
}

int IC_StartLive(HGRABBER handle, int)
{
    auto grabber = Find(handle);
    return grabber ? grabber->StartLive() : IC_NO_HANDLE;
}

void IC_StopLive(HGRABBER handle)
{
    if (auto grabber = Find(handle))
        grabber->StopLive();
}

int IC_SoftwareTrigger(HGRABBER handle)
{
    auto grabber = Find(handle);
    return grabber ? grabber->SoftwareTrigger() : IC_NO_HANDLE;
}

int IC_EnableAutoCameraProperty(HGRABBER handle, int property, int enable)
{
    return OnProperty(handle, property, IC_CAMERA_PROPERTY_EXPOSURE,
                      [&](Grabber& g) { return g.EnableAutoProperty(kExposure, enable != 0); });
}

int IC_CameraPropertyGetRange(HGRABBER handle, int property, int32_t* min, int32_t* max)
{
    return OnProperty(handle, property, IC_CAMERA_PROPERTY_EXPOSURE,
                      [&](Grabber& g) { return g.GetPropertyRange(kExposure, min, max); });
}

int IC_SetCameraProperty(HGRABBER handle, int property, int32_t value)
{
    return OnProperty(handle, property, IC_CAMERA_PROPERTY_EXPOSURE,
                      [&](Grabber& g) { return g.SetProperty(kExposure, value); });
}

int IC_EnableAutoVideoProperty(HGRABBER handle, int property, int enable)
{
    return OnProperty(handle, property, IC_VIDEO_PROPERTY_GAIN,
                      [&](Grabber& g) { return g.EnableAutoProperty(kGain, enable != 0); });
}

int IC_VideoPropertyGetRange(HGRABBER handle, int property, int32_t* min, int32_t* max)
{
    return OnProperty(handle, property, IC_VIDEO_PROPERTY_GAIN,
                      [&](Grabber& g) { return g.GetPropertyRange(kGain, min, max); });
}

int IC_SetVideoProperty(HGRABBER handle, int property, int32_t value)
{
    return OnProperty(handle, property, IC_VIDEO_PROPERTY_GAIN,
                      [&](Grabber& g) { return g.SetProperty(kGain, value); });
}

int TisAravisInspect_FrameCounters(HGRABBER handle, TisAravisFrameCounters* counters)
{
    auto grabber = Find(handle);
    if (!grabber)
        return IC_NO_HANDLE;
    if (!counters)
        return IC_ERROR;
    const FrameCounts counts = grabber->Counts();
    counters->delivered = counts.delivered;
    counters->failed = counts.failed;
    counters->mismatched = counts.mismatched;
    counters->shortPayload = counts.shortPayload;
    return IC_SUCCESS;
}

int TisAravisInspect_IsStreamBuffer(HGRABBER handle, const void* data)
{
    auto grabber = Find(handle);
    return grabber && grabber->IsStreamBuffer(data) ? 1 : 0;
}

}  // extern "C"
