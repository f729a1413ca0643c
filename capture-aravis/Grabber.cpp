// Opening, closing, format and live acquisition of one capture handle.

#include "Grabber.h"

#include <algorithm>
#include <cmath>

#include "AravisSystem.h"
#include "CaptureLog.h"
#include "LostLink.h"

namespace {

constexpr double kBufferedSeconds = 0.5;            // stream buffers cover this much of the frame rate
constexpr unsigned kMinBuffers = 8;
constexpr unsigned kMaxBuffers = 64;
constexpr size_t kMaxBufferedBytes = 256u << 20;

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

unsigned BufferCount(ArvCamera* camera, size_t payload)
{
    GError* error = nullptr;
    double rate = arv_camera_get_frame_rate(camera, &error);
    if (error) {  // not every camera has a frame rate; plan for a fast one
        g_clear_error(&error);
        rate = kMaxBuffers / kBufferedSeconds;
    }
    unsigned count = static_cast<unsigned>(std::ceil(rate * kBufferedSeconds));
    count = std::clamp(count, kMinBuffers, kMaxBuffers);
    if (payload > 0)
        count = std::min<unsigned>(count, std::max<size_t>(4, kMaxBufferedBytes / payload));
    return count;
}

}  // namespace

Grabber::~Grabber()
{
    Close();
}

bool Grabber::IsLost() const
{
    return link_ && link_->lost;
}

bool Grabber::ReadRegion()
{
    GError* error = nullptr;
    gint x = 0, y = 0, width = 0, height = 0;
    arv_camera_get_region(camera_, &x, &y, &width, &height, &error);
    if (!capture_log::Ok(error, "reading the camera's region"))
        return false;
    width_ = width;
    height_ = height;
    return true;
}

int Grabber::Open(const char* deviceId)
{
    if (!deviceId || !*deviceId)  // Aravis would take a null id as "the first camera"
        return IC_NO_DEVICE;
    Close();
    aravis_system::SelectInterfaces();
    GError* error = nullptr;
    ArvCamera* camera = arv_camera_new(deviceId, &error);
    if (!capture_log::Ok(error, "opening a camera")) {
        if (camera)
            g_object_unref(camera);
        return IC_NO_DEVICE;
    }
    // Aravis opens a GigE Vision camera that another application controls in
    // monitor mode; such a camera cannot be set up or started from here.
    ArvDevice* device = arv_camera_get_device(camera);
    if (ARV_IS_GV_DEVICE(device) && !arv_gv_device_is_controller(ARV_GV_DEVICE(device))) {
        capture_log::Warning("camera %s is controlled by another application", deviceId);
        g_object_unref(camera);
        return IC_ERROR;
    }

    auto link = std::make_shared<LostLink>();
    link->handle = Handle();
    {
        std::lock_guard<std::mutex> lock(callbacks_);
        link->SetCallback(deviceLost_, lostUser_);
    }
    std::lock_guard<std::mutex> lock(control_);
    if (camera_) {  // another thread opened this handle meanwhile
        g_object_unref(camera);
        return IC_ERROR;
    }
    camera_ = camera;
    link_ = link;
    lostHandler_ = LostLink::Connect(arv_camera_get_device(camera), link);
    GError* formatError = nullptr;
    const ArvPixelFormat current = arv_camera_get_pixel_format(camera, &formatError);
    capture_log::Ok(formatError, "reading the camera's pixel format");
    if (!pixel_formats::ChoosePlan(IC_FORMAT_KEEP, {}, current, plan_))
        plan_ = pixel_formats::Plan{};
    ReadRegion();
    return IC_SUCCESS;
}

void Grabber::Close()
{
    StopLive();
    std::shared_ptr<LostLink> link;
    {
        std::lock_guard<std::mutex> lock(control_);
        link = link_;
    }
    if (link)
        link->Detach();  // without control_: the device-lost callback may be calling in

    ArvCamera* camera = nullptr;
    {
        std::lock_guard<std::mutex> lock(control_);
        camera = camera_;
        camera_ = nullptr;
        link_.reset();
        if (camera && lostHandler_)
            g_signal_handler_disconnect(arv_camera_get_device(camera), lostHandler_);
        lostHandler_ = 0;
        plan_ = pixel_formats::Plan{};
        width_ = height_ = 0;
    }
    if (!camera)
        return;
    if (link && link->lost)  // releasing a vanished camera waits for timeouts: not here
        aravis_system::RunInBackground([camera] { g_object_unref(camera); });
    else
        g_object_unref(camera);
}

int Grabber::SetCallbacks(FRAME_READY_CALLBACK frameReady, void* frameUser, DEVICE_LOST_CALLBACK deviceLost,
                          void* lostUser)
{
    {
        std::lock_guard<std::mutex> lock(callbacks_);
        frameReady_ = frameReady;
        frameUser_ = frameUser;
        deviceLost_ = deviceLost;
        lostUser_ = lostUser;
    }
    std::shared_ptr<LostLink> link;
    {
        std::lock_guard<std::mutex> lock(control_);
        link = link_;
    }
    if (link)
        link->SetCallback(deviceLost, lostUser);
    return IC_SUCCESS;
}

int Grabber::SetFormat(int captureFormat)
{
    std::lock_guard<std::mutex> lock(control_);
    if (!camera_)
        return IC_NO_DEVICE;
    if (stream_) {
        capture_log::Warning("the format cannot change while live");
        return IC_ERROR;
    }
    GError* error = nullptr;
    const ArvPixelFormat current = arv_camera_get_pixel_format(camera_, &error);
    if (!capture_log::Ok(error, "reading the camera's pixel format"))
        return IC_ERROR;
    pixel_formats::Plan plan;
    if (!pixel_formats::ChoosePlan(captureFormat, AvailableFormats(camera_), current, plan)) {
        capture_log::Warning("capture format %d cannot be delivered from this camera", captureFormat);
        return IC_NOT_AVAILABLE;
    }
    if (plan.cameraFormat != current) {
        arv_camera_set_pixel_format(camera_, plan.cameraFormat, &error);
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
    GError* error = nullptr;
    if (arv_camera_is_feature_available(camera_, "TriggerSelector", nullptr)) {
        arv_camera_set_string(camera_, "TriggerSelector", "FrameStart", &error);
        if (!capture_log::Ok(error, "selecting the FrameStart trigger"))
            return IC_ERROR;
    }
    if (on) {
        arv_camera_set_string(camera_, "TriggerSource", "Software", &error);
        if (!capture_log::Ok(error, "selecting the software trigger source"))
            return IC_ERROR;
    }
    arv_camera_set_string(camera_, "TriggerMode", on ? "On" : "Off", &error);
    return capture_log::Ok(error, "switching the trigger") ? IC_SUCCESS : IC_ERROR;
}

int Grabber::StartLive()
{
    std::lock_guard<std::mutex> lock(control_);
    if (!camera_ || IsLost())
        return IC_ERROR;
    if (stream_)
        return IC_SUCCESS;
    if (!ReadRegion())
        return IC_ERROR;

    GError* error = nullptr;
    ArvStream* stream = arv_camera_create_stream(camera_, nullptr, nullptr, &error);
    if (!capture_log::Ok(error, "creating the stream")) {
        if (stream)
            g_object_unref(stream);
        return IC_ERROR;
    }
    const guint payload = arv_camera_get_payload(camera_, &error);
    if (!capture_log::Ok(error, "reading the payload size")) {
        g_object_unref(stream);
        return IC_ERROR;
    }
    streamBuffers_.clear();
    for (unsigned i = BufferCount(camera_, payload); i > 0; --i) {
        ArvBuffer* buffer = arv_buffer_new_allocate(payload);
        streamBuffers_.push_back(arv_buffer_get_data(buffer, nullptr));
        arv_stream_push_buffer(stream, buffer);
    }

    arv_camera_set_acquisition_mode(camera_, ARV_ACQUISITION_MODE_CONTINUOUS, &error);
    capture_log::Ok(error, "selecting continuous acquisition");  // not every camera has the feature
    arv_camera_start_acquisition(camera_, &error);
    if (!capture_log::Ok(error, "starting acquisition")) {
        g_object_unref(stream);
        return IC_ERROR;
    }

    stream_ = stream;
    stopDelivery_ = std::make_shared<std::atomic<bool>>(false);
    Session session{static_cast<ArvStream*>(g_object_ref(stream)), stopDelivery_, plan_, width_, height_};
    // The thread keeps the handle alive, so a callback may release it.
    delivery_ = std::thread([self = shared_from_this(), session] { self->DeliveryLoop(session); });
    return IC_SUCCESS;
}

void Grabber::StopLive()
{
    std::thread worker;
    ArvStream* stream = nullptr;
    bool lost = false;
    {
        std::lock_guard<std::mutex> lock(control_);
        if (!stream_)
            return;
        *stopDelivery_ = true;
        worker = std::move(delivery_);
        stream = stream_;
        stream_ = nullptr;
        streamBuffers_.clear();
        lost = IsLost();
        if (!lost) {
            GError* error = nullptr;
            arv_camera_stop_acquisition(camera_, &error);
            capture_log::Ok(error, "stopping acquisition");
        }
    }
    // Without the lock: a running frame callback may call into this handle.
    if (worker.get_id() == std::this_thread::get_id())
        worker.detach();  // called from the frame callback: the loop ends when it returns
    else if (worker.joinable())
        worker.join();
    if (lost)
        aravis_system::RunInBackground([stream] { g_object_unref(stream); });
    else
        g_object_unref(stream);
}

int Grabber::SoftwareTrigger()
{
    std::lock_guard<std::mutex> lock(control_);
    if (!camera_ || !stream_)
        return IC_ERROR;
    GError* error = nullptr;
    arv_camera_software_trigger(camera_, &error);
    return capture_log::Ok(error, "sending the software trigger") ? IC_SUCCESS : IC_ERROR;
}

bool Grabber::IsStreamBuffer(const void* data)
{
    std::lock_guard<std::mutex> lock(control_);
    return std::find(streamBuffers_.begin(), streamBuffers_.end(), data) != streamBuffers_.end();
}
