// Opening, closing, format and live acquisition of one capture handle.

#include "Grabber.h"

#include <algorithm>
#include <cmath>

#include "AravisSystem.h"
#include "CallbackScope.h"
#include "CameraSettings.h"
#include "CaptureLog.h"
#include "ControlLostRelay.h"

namespace {

constexpr double kBufferedSeconds = 0.5;  // stream buffers cover this much of the frame rate
constexpr unsigned kMinBuffers = 8;
constexpr unsigned kMaxBuffers = 64;
constexpr unsigned kFewestBuffers = 2;               // what a stream needs to keep receiving
constexpr size_t kMaxBufferedBytes = 256u << 20;     // all of one stream's buffers together
constexpr size_t kMaxPayload = kMaxBufferedBytes / kFewestBuffers;  // 128 MiB: e.g. 16384 x 8192 8-bit
// A stop or close command that takes longer than this is taken as the loss of
// the camera: Aravis would retry each command for seconds against a vanished
// one. Long enough for one lost control packet (Aravis resends after 500 ms).
constexpr std::chrono::milliseconds kControlBound(800);
// How long an open waits for the teardown of the device's last session.
constexpr std::chrono::milliseconds kTeardownBound(10000);

std::vector<ArvPixelFormat> AvailableFormats(ArvCamera* camera)
{
    GError* error = nullptr;
    guint count = 0;
    gint64* formats = arv_camera_dup_available_pixel_formats(camera, &count, &error);
    std::vector<ArvPixelFormat> available;
    if (capture_log::Ok(error, "reading the camera's pixel formats"))
        for (guint i = 0; i < count; ++i)
            available.push_back(static_cast<ArvPixelFormat>(formats[i]));
    g_free(formats);
    return available;
}

// Enough buffers for half a second of frames, all of them together within
// kMaxBufferedBytes (payload is at most kMaxPayload, so at least two fit).
unsigned BufferCount(ArvCamera* camera, size_t payload)
{
    GError* error = nullptr;
    double rate = arv_camera_get_frame_rate(camera, &error);
    if (error) {  // not every camera has a frame rate; plan for a fast one
        g_clear_error(&error);
        rate = kMaxBuffers / kBufferedSeconds;
    }
    const double wanted = std::isfinite(rate) && rate > 0 ? std::ceil(rate * kBufferedSeconds) : kMaxBuffers;
    unsigned count = static_cast<unsigned>(std::clamp<double>(wanted, kMinBuffers, kMaxBuffers));
    return std::min<size_t>(count, std::max<size_t>(kFewestBuffers, kMaxBufferedBytes / payload));
}

bool HasFeature(ArvCamera* camera, const char* feature)
{
    return arv_camera_is_feature_available(camera, feature, nullptr);
}

std::string ReadString(ArvCamera* camera, const char* feature)
{
    GError* error = nullptr;
    const char* value = arv_camera_get_string(camera, feature, &error);
    return capture_log::Ok(error, feature) && value ? std::string(value) : std::string();
}

void WriteString(ArvCamera* camera, const char* feature, const std::string& value)
{
    GError* error = nullptr;
    arv_camera_set_string(camera, feature, value.c_str(), &error);
    capture_log::Ok(error, feature);
}

}  // namespace

Grabber::~Grabber()
{
    Close();
}

bool Grabber::CalledFromCallback() const
{
    return callbackThreads_.Inside();
}

void Grabber::WaitForDeliveryThreads(int others, const std::atomic<bool>* giveUp)
{
    std::unique_lock<std::mutex> lock(deliveryMutex_);
    deliveryEnded_.wait(lock, [&] { return deliveryThreads_ <= others || (giveUp && *giveUp); });
}

void Grabber::RunDeviceLostCallback()
{
    DEVICE_LOST_CALLBACK callback = nullptr;
    void* user = nullptr;
    {
        std::lock_guard<std::mutex> lock(callbacks_);
        callback = deviceLost_;
        user = lostUser_;
    }
    const CallbackScope inside(callbackThreads_);
    if (callback)
        callback(Handle(), user);
}

bool Grabber::IsLost() const
{
    return relay_ && relay_->Lost();
}

bool Grabber::ReadRegion()
{
    GError* error = nullptr;
    gint x = 0, y = 0, width = 0, height = 0;
    arv_camera_get_region(camera_.get(), &x, &y, &width, &height, &error);
    if (!capture_log::Ok(error, "reading the camera's region"))
        return false;
    width_ = width;
    height_ = height;
    return true;
}

Grabber::TriggerAsFound Grabber::ReadTrigger(ArvCamera* camera)
{
    TriggerAsFound trigger;
    if (!HasFeature(camera, "TriggerMode"))
        return trigger;
    const bool selectable = HasFeature(camera, "TriggerSelector");
    if (selectable) {
        trigger.selector = ReadString(camera, "TriggerSelector");
        if (trigger.selector != "FrameStart")
            WriteString(camera, "TriggerSelector", "FrameStart");
    }
    trigger.mode = ReadString(camera, "TriggerMode");
    if (HasFeature(camera, "TriggerSource"))
        trigger.source = ReadString(camera, "TriggerSource");
    if (selectable && !trigger.selector.empty() && trigger.selector != "FrameStart")
        WriteString(camera, "TriggerSelector", trigger.selector);
    trigger.known = !trigger.mode.empty();
    return trigger;
}

void Grabber::RestoreTrigger(ArvCamera* camera, const TriggerAsFound& trigger)
{
    if (!trigger.known)
        return;
    const bool selectable = !trigger.selector.empty();
    if (selectable)
        WriteString(camera, "TriggerSelector", "FrameStart");
    if (!trigger.source.empty())
        WriteString(camera, "TriggerSource", trigger.source);
    WriteString(camera, "TriggerMode", trigger.mode);
    if (selectable && trigger.selector != "FrameStart")
        WriteString(camera, "TriggerSelector", trigger.selector);
}

void Grabber::TakeAsLost()
{
    std::shared_ptr<ControlLostRelay> relay;
    {
        std::lock_guard<std::mutex> lock(control_);
        relay = relay_;
    }
    capture_log::Warning("the camera did not answer within %lld ms: taken as lost",
                         static_cast<long long>(kControlBound.count()));
    if (relay)
        relay->ReportFromOwnThread();
}

int Grabber::Open(const char* deviceId)
{
    camera_settings::ClearLastError();  // a failure below is this open's own
    if (!deviceId || !*deviceId)  // Aravis would take a null id as "the first camera"
        return IC_NO_DEVICE;
    Close();
    aravis_system::SelectInterfaces();
    // A teardown of this device's last session (after a loss) may still run:
    // releasing the old camera and stream once the new session is set up
    // would undo its setup. A camera that answers lets it end quickly.
    if (!aravis_system::WaitForTeardowns(deviceId, kTeardownBound))
        capture_log::Warning("the last session of %s is still being torn down", deviceId);
    GError* error = nullptr;
    GObjectPtr<ArvCamera> camera = Adopt(arv_camera_new(deviceId, &error));
    if (!capture_log::Ok(error, "opening a camera"))
        return IC_NO_DEVICE;
    // Aravis opens a GigE Vision camera that another application controls in
    // monitor mode; such a camera cannot be set up or started from here.
    ArvDevice* device = arv_camera_get_device(camera.get());
    if (ARV_IS_GV_DEVICE(device) && !arv_gv_device_is_controller(ARV_GV_DEVICE(device))) {
        capture_log::Warning("camera %s is controlled by another application", deviceId);
        return IC_ERROR;
    }

    // The station's settings go in first; a bad one releases the camera
    // (camera goes out of scope) and fails the open.
    camera_settings::Chosen chosen;
    if (!camera_settings::Apply(camera.get(), deviceId, &chosen))
        return IC_ERROR;

    auto relay = std::make_shared<ControlLostRelay>(weak_from_this());
    TriggerAsFound trigger = ReadTrigger(camera.get());
    std::lock_guard<std::mutex> lock(control_);
    if (camera_)  // another thread opened this handle meanwhile
        return IC_ERROR;
    lostHandler_ = ControlLostRelay::Connect(device, relay);
    camera_ = std::move(camera);
    relay_ = relay;
    trigger_ = std::move(trigger);
    triggerChanged_ = false;
    deviceId_ = deviceId;
    configuredTriggerSource_ = chosen.triggerSource;
    lastStream_ = StreamFigures{};
    GError* formatError = nullptr;
    const ArvPixelFormat current = arv_camera_get_pixel_format(camera_.get(), &formatError);
    capture_log::Ok(formatError, "reading the camera's pixel format");
    if (!pixel_formats::ChoosePlan(IC_FORMAT_KEEP, {}, current, plan_))
        plan_ = pixel_formats::Plan{};
    ReadRegion();
    return IC_SUCCESS;
}

void Grabber::Close()
{
    StopLive();
    std::shared_ptr<ControlLostRelay> relay;
    GObjectPtr<ArvCamera> camera;
    TriggerAsFound trigger;
    bool restoreTrigger = false;
    std::string deviceId;
    {
        std::lock_guard<std::mutex> lock(control_);
        deviceId = deviceId_;
        camera = std::move(camera_);
        relay = std::move(relay_);
        if (camera && lostHandler_)
            g_signal_handler_disconnect(arv_camera_get_device(camera.get()), lostHandler_);
        lostHandler_ = 0;
        trigger = std::move(trigger_);
        trigger_ = TriggerAsFound{};
        deviceId_.clear();
        configuredTriggerSource_.clear();
        restoreTrigger = triggerChanged_;
        triggerChanged_ = false;
        plan_ = pixel_formats::Plan{};
        width_ = height_ = 0;
    }
    if (camera && relay && relay->Lost()) {
        // Releasing a vanished camera waits for timeouts: not here.
        aravis_system::UnrefInBackground(camera.release(), deviceId);
    } else if (camera) {
        // The next tool to open the camera finds the trigger as we found it.
        ArvCamera* released = camera.release();
        const bool answered = aravis_system::RunBounded(
            [released, trigger, restoreTrigger] {
                if (restoreTrigger)
                    RestoreTrigger(released, trigger);
                g_object_unref(released);
            },
            kControlBound);
        if (!answered && relay) {
            capture_log::Warning("the camera did not answer its release within %lld ms: taken as lost",
                                 static_cast<long long>(kControlBound.count()));
            relay->ReportFromOwnThread();
        }
    }
    if (relay)
        relay->Detach();  // without control_: the device-lost callback may be calling in
}

int Grabber::SetCallbacks(FRAME_READY_CALLBACK frameReady, void* frameUser, DEVICE_LOST_CALLBACK deviceLost,
                          void* lostUser)
{
    std::lock_guard<std::mutex> lock(callbacks_);
    frameReady_ = frameReady;
    frameUser_ = frameUser;
    deviceLost_ = deviceLost;
    lostUser_ = lostUser;
    return IC_SUCCESS;
}

int Grabber::SetFormat(int captureFormat)
{
    std::lock_guard<std::mutex> lock(control_);
    if (!camera_)
        return IC_NO_DEVICE;
    if (IsLost())
        return IC_DEVICE_LOST;
    if (stream_) {
        capture_log::Warning("the format cannot change while live");
        return IC_ERROR;
    }
    GError* error = nullptr;
    const ArvPixelFormat current = arv_camera_get_pixel_format(camera_.get(), &error);
    if (!capture_log::Ok(error, "reading the camera's pixel format"))
        return IC_ERROR;
    pixel_formats::Plan plan;
    if (!pixel_formats::ChoosePlan(captureFormat, AvailableFormats(camera_.get()), current, plan)) {
        capture_log::Warning("capture format %d cannot be delivered from this camera", captureFormat);
        return IC_NOT_AVAILABLE;
    }
    if (plan.cameraFormat != current) {
        arv_camera_set_pixel_format(camera_.get(), plan.cameraFormat, &error);
        if (!capture_log::Ok(error, "setting the camera's pixel format"))
            return IC_ERROR;
    }
    plan_ = plan;
    ReadRegion();
    return IC_SUCCESS;
}

int Grabber::GetImageDescription(int32_t* width, int32_t* height, int32_t* bitsPerPixel, int* format)
{
    std::lock_guard<std::mutex> lock(control_);
    if (!camera_)
        return IC_ERROR;
    if (width)
        *width = width_;
    if (height)
        *height = height_;
    if (bitsPerPixel)
        *bitsPerPixel = plan_.bitsPerPixel;
    if (format)
        *format = plan_.captureFormat;
    return IC_SUCCESS;
}

int Grabber::EnableTrigger(bool on)
{
    std::lock_guard<std::mutex> lock(control_);
    if (!camera_)
        return IC_NO_DEVICE;
    if (IsLost())
        return IC_DEVICE_LOST;
    ArvCamera* camera = camera_.get();
    triggerChanged_ = true;
    GError* error = nullptr;
    if (HasFeature(camera, "TriggerSelector")) {
        arv_camera_set_string(camera, "TriggerSelector", "FrameStart", &error);
        if (!capture_log::Ok(error, "selecting the FrameStart trigger"))
            return IC_ERROR;
    }
    // A trigger source the settings chose (a hardware line) stays; only
    // without one is the trigger ours, the software trigger.
    if (on && configuredTriggerSource_.empty() && HasFeature(camera, "TriggerSource")) {
        arv_camera_set_string(camera, "TriggerSource", "Software", &error);
        if (!capture_log::Ok(error, "selecting the software trigger source"))
            return IC_ERROR;
    }
    arv_camera_set_string(camera, "TriggerMode", on ? "On" : "Off", &error);
    return capture_log::Ok(error, "switching the trigger") ? IC_SUCCESS : IC_ERROR;
}

int Grabber::StartLive()
{
    // A session stopped from inside its own callback ends once that callback
    // returns; its stream must be torn down before a new one is made.
    if (!CalledFromCallback())
        WaitForDeliveryThreads(0);
    std::lock_guard<std::mutex> lock(control_);
    if (!camera_)
        return IC_ERROR;
    if (IsLost())
        return IC_DEVICE_LOST;
    if (stream_)
        return IC_SUCCESS;
    ReleaseStoppedStream();
    if (!ReadRegion())
        return IC_ERROR;

    ArvCamera* camera = camera_.get();
    GError* error = nullptr;
    const guint payload = arv_camera_get_payload(camera, &error);
    if (!capture_log::Ok(error, "reading the payload size"))
        return IC_ERROR;
    // A camera's payload sizes the buffers: an absurd one (65535 x 65535)
    // would make the allocation fail, and GLib abort the whole process.
    if (payload == 0 || payload > kMaxPayload) {
        capture_log::Warning("the camera's payload of %u bytes is outside 1 to %zu bytes: not starting", payload,
                             kMaxPayload);
        return IC_ERROR;
    }
    // A session cut off by a pulled cable never stopped the camera, which may
    // still be acquiring to that session's port; started again as it is, it
    // keeps sending there. Stopped first, it takes this stream's port.
    arv_camera_stop_acquisition(camera, &error);
    g_clear_error(&error);  // not acquiring, or no such command: nothing to stop
    GObjectPtr<ArvStream> stream = Adopt(arv_camera_create_stream(camera, nullptr, nullptr, &error));
    if (!capture_log::Ok(error, "creating the stream"))
        return IC_ERROR;
    streamBuffers_.clear();
    for (unsigned i = BufferCount(camera, payload); i > 0; --i) {
        ArvBuffer* buffer = arv_buffer_new_allocate(payload);
        streamBuffers_.push_back(arv_buffer_get_data(buffer, nullptr));
        arv_stream_push_buffer(stream.get(), buffer);
    }

    arv_camera_set_acquisition_mode(camera, ARV_ACQUISITION_MODE_CONTINUOUS, &error);
    capture_log::Ok(error, "selecting continuous acquisition");  // not every camera has the feature
    arv_camera_start_acquisition(camera, &error);
    if (!capture_log::Ok(error, "starting acquisition")) {
        streamBuffers_.clear();
        return IC_ERROR;
    }

    stopDelivery_ = std::make_shared<std::atomic<bool>>(false);
    deliveryHold_ = std::make_shared<StreamHold>(StreamHold{Ref(stream.get()), {}});
    Session session{deliveryHold_, stopDelivery_, plan_, width_, height_, relay_};
    stream_ = std::move(stream);
    {
        std::lock_guard<std::mutex> threads(deliveryMutex_);
        ++deliveryThreads_;
    }
    // The thread keeps the handle alive, so a callback may release it.
    std::thread([self = shared_from_this(), session] { self->DeliveryLoop(session); }).detach();
    return IC_SUCCESS;
}

void Grabber::StopLive()
{
    GObjectPtr<ArvStream> stream;
    GObjectPtr<ArvCamera> camera;
    bool lost = false;
    std::string deviceId;
    {
        std::lock_guard<std::mutex> lock(control_);
        deviceId = deviceId_;
        if (stream_) {
            *stopDelivery_ = true;
            stream = std::move(stream_);
            lastStream_ = ReadStream(stream.get());
            streamBuffers_.clear();
            camera = Ref(camera_.get());
            lost = IsLost();
        }
    }
    if (stream && !lost) {
        ArvCamera* stopping = camera.release();
        const bool answered = aravis_system::RunBounded(
            [stopping] {
                GError* error = nullptr;
                arv_camera_stop_acquisition(stopping, &error);
                capture_log::Ok(error, "stopping acquisition");
                g_object_unref(stopping);
            },
            kControlBound);
        if (!answered) {
            TakeAsLost();
            lost = true;
        }
    }
    // Without the lock: a running frame callback may call into this handle.
    // From inside one of the handle's callbacks there is nothing to wait for
    // that could end first; the thread ends once its callback returns.
    if (!CalledFromCallback())
        WaitForDeliveryThreads(0);
    if (lost)
        aravis_system::UnrefInBackground(stream.release(), deviceId);
}

void Grabber::ReleaseStoppedStream()
{
    // Only the stopped session's own delivery thread may let go of the
    // stream here: it is inside that session's callback and does not touch
    // the stream again. Another thread waited for it to end.
    if (deliveryHold_ && deliveryHold_->thread == std::this_thread::get_id())
        deliveryHold_->stream.reset();
    deliveryHold_.reset();
}

int Grabber::SoftwareTrigger()
{
    std::lock_guard<std::mutex> lock(control_);
    if (camera_ && IsLost())
        return IC_DEVICE_LOST;
    if (!camera_ || !stream_)
        return IC_ERROR;
    if (!configuredTriggerSource_.empty() && configuredTriggerSource_ != "Software")
        return IC_NOT_AVAILABLE;  // frames come from the line the settings chose
    GError* error = nullptr;
    arv_camera_software_trigger(camera_.get(), &error);
    return capture_log::Ok(error, "sending the software trigger") ? IC_SUCCESS : IC_ERROR;
}

Grabber::StreamFigures Grabber::ReadStream(ArvStream* stream)
{
    StreamFigures figures;
    arv_stream_get_statistics(stream, &figures.completed, &figures.failures, &figures.underruns);
    if (ARV_IS_GV_STREAM(stream))
        arv_gv_stream_get_statistics(ARV_GV_STREAM(stream), &figures.resent, &figures.missing);
    return figures;
}

Grabber::StreamFigures Grabber::StreamStatistics() const
{
    std::lock_guard<std::mutex> lock(control_);
    return stream_ ? ReadStream(stream_.get()) : lastStream_;
}

std::string Grabber::DeviceId() const
{
    std::lock_guard<std::mutex> lock(control_);
    return deviceId_;
}

int Grabber::WithCamera(const std::function<int(ArvCamera*)>& use)
{
    std::lock_guard<std::mutex> lock(control_);
    if (!camera_)
        return IC_NO_DEVICE;
    if (IsLost())
        return IC_DEVICE_LOST;
    return use(camera_.get());
}

FrameCounts Grabber::Counts() const
{
    return FrameCounts{delivered_, failed_, mismatched_, shortPayload_};
}

bool Grabber::IsStreamBuffer(const void* data)
{
    std::lock_guard<std::mutex> lock(control_);
    return std::find(streamBuffers_.begin(), streamBuffers_.end(), data) != streamBuffers_.end();
}
