// The delivery thread: pops complete frames from the stream and hands them to
// the frame-ready callback, converted where the format asks for it.

#include "CaptureLog.h"
#include "Grabber.h"

namespace {
constexpr guint64 kPopTimeoutUs = 10000;  // how soon the loop notices a stop
}

void Grabber::DeliveryLoop(Session session)
{
    std::vector<uint8_t> converted;
    while (!*session.stop) {
        ArvBuffer* buffer = arv_stream_timeout_pop_buffer(session.stream, kPopTimeoutUs);
        if (!buffer)
            continue;
        if (!*session.stop)
            Deliver(buffer, session, converted);
        arv_stream_push_buffer(session.stream, buffer);
    }
    g_object_unref(session.stream);
}

void Grabber::Deliver(ArvBuffer* buffer, const Session& session, std::vector<uint8_t>& converted)
{
    if (arv_buffer_get_status(buffer) != ARV_BUFFER_STATUS_SUCCESS ||
        arv_buffer_get_payload_type(buffer) != ARV_BUFFER_PAYLOAD_TYPE_IMAGE) {
        ++incomplete_;
        return;
    }
    // A frame whose size or format differs from the description would make the
    // host read past its end: it is not delivered.
    const ArvPixelFormat format = arv_buffer_get_image_pixel_format(buffer);
    if (arv_buffer_get_image_width(buffer) != session.width || arv_buffer_get_image_height(buffer) != session.height ||
        format != session.plan.cameraFormat) {
        if (!mismatchReported_.exchange(true))
            capture_log::Warning("dropping frames of %dx%d format 0x%08x, expected %dx%d format 0x%08x",
                                 arv_buffer_get_image_width(buffer), arv_buffer_get_image_height(buffer), format,
                                 session.width, session.height, session.plan.cameraFormat);
        ++incomplete_;
        return;
    }
    size_t size = 0;
    auto* data = static_cast<const uint8_t*>(arv_buffer_get_image_data(buffer, &size));
    const size_t pixels = static_cast<size_t>(session.width) * static_cast<size_t>(session.height);
    if (!data || size < pixels * ARV_PIXEL_FORMAT_BIT_PER_PIXEL(format) / 8) {
        ++incomplete_;
        return;
    }
    const uint8_t* frame = data;
    if (session.plan.conversion != pixel_formats::Conversion::None) {
        pixel_formats::Convert(session.plan.conversion, data, pixels, converted);
        frame = converted.data();
    }

    FRAME_READY_CALLBACK callback = nullptr;
    void* user = nullptr;
    {
        std::lock_guard<std::mutex> lock(callbacks_);
        callback = frameReady_;
        user = frameUser_;
    }
    ++delivered_;
    if (callback)
        callback(Handle(), const_cast<uint8_t*>(frame), static_cast<uint32_t>(arv_buffer_get_frame_id(buffer)), user);
}
