// The delivery thread: pops frames from the stream, numbers them, and hands
// the complete ones to the frame-ready callback, converted where the format
// asks for it.

#include "CallbackScope.h"
#include "ControlLostRelay.h"
#include "CaptureLog.h"
#include "Grabber.h"

namespace {

constexpr guint64 kPopTimeoutUs = 10000;  // how soon the loop notices a stop
constexpr guint64 kLargest16BitId = 0xFFFF;

// Frames from block id `previous` to `current`. GigE Vision 1.x block ids are
// 16 bits wide and skip 0 when they wrap; any other step back is a restart of
// the camera's count and hides nothing.
uint32_t Step(guint64 previous, guint64 current)
{
    if (current > previous)
        return static_cast<uint32_t>(std::min<guint64>(current - previous, UINT32_MAX));
    if (current < previous && previous <= kLargest16BitId && current >= 1)
        return static_cast<uint32_t>((kLargest16BitId - previous) + current);
    return 1;
}

}  // namespace

uint32_t Grabber::Numbering::Number(guint64 frameId)
{
    if (started)
        next += Step(lastId, frameId);
    started = true;
    lastId = frameId;
    return next;
}

void Grabber::DeliveryLoop(Session session)
{
    const CallbackScope inside(callbackThreads_);
    // One delivery thread per handle at a time: a session started from inside
    // the previous one's callback waits for it to end.
    WaitForDeliveryThreads(1, session.stop.get());
    ArvStream* stream = nullptr;
    {
        std::lock_guard<std::mutex> lock(control_);
        session.hold->thread = std::this_thread::get_id();
        stream = session.hold->stream.get();
    }
    std::vector<uint8_t> converted;
    Numbering numbering;
    while (!*session.stop) {
        ArvBuffer* buffer = arv_stream_timeout_pop_buffer(stream, kPopTimeoutUs);
        if (!buffer)
            continue;
        // Only a complete buffer's block id is sure (one that lost packets may
        // carry a stale one); the frames in between show as a gap.
        const bool complete = arv_buffer_get_status(buffer) == ARV_BUFFER_STATUS_SUCCESS;
        const uint32_t number = complete ? numbering.Number(arv_buffer_get_frame_id(buffer)) : 0;
        if (!*session.stop)
            Deliver(buffer, session, number, converted);
        // Stopped from inside the callback, the stream may be gone already
        // (a new session started there); the buffer is ours to drop.
        if (*session.stop) {
            g_object_unref(buffer);
            break;
        }
        arv_stream_push_buffer(stream, buffer);
    }
    session.hold->stream.reset();
    {
        std::lock_guard<std::mutex> lock(deliveryMutex_);
        --deliveryThreads_;
    }
    deliveryEnded_.notify_all();
}

void Grabber::Deliver(ArvBuffer* buffer, const Session& session, uint32_t number, std::vector<uint8_t>& converted)
{
    if (session.relay && session.relay->Lost())
        return;
    if (arv_buffer_get_status(buffer) != ARV_BUFFER_STATUS_SUCCESS) {
        ++failed_;
        return;
    }
    // A frame whose size or format differs from the description would make the
    // host read past its end: it is not delivered.
    const ArvPixelFormat format = arv_buffer_get_image_pixel_format(buffer);
    if (arv_buffer_get_payload_type(buffer) != ARV_BUFFER_PAYLOAD_TYPE_IMAGE ||
        arv_buffer_get_image_width(buffer) != session.width || arv_buffer_get_image_height(buffer) != session.height ||
        format != session.plan.cameraFormat) {
        if (!mismatchReported_.exchange(true))
            capture_log::Warning("dropping frames of %dx%d format 0x%08x, expected %dx%d format 0x%08x",
                                 arv_buffer_get_image_width(buffer), arv_buffer_get_image_height(buffer), format,
                                 session.width, session.height, session.plan.cameraFormat);
        ++mismatched_;
        return;
    }
    size_t size = 0;
    auto* data = static_cast<const uint8_t*>(arv_buffer_get_image_data(buffer, &size));
    const size_t pixels = static_cast<size_t>(session.width) * static_cast<size_t>(session.height);
    if (!data || size < pixels * ARV_PIXEL_FORMAT_BIT_PER_PIXEL(format) / 8) {
        ++shortPayload_;
        return;
    }
    const uint8_t* frame = data;
    if (session.plan.conversion != pixel_formats::Conversion::None) {
        pixel_formats::Convert(session.plan, data, session.width, session.height, converted);
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
        callback(Handle(), const_cast<uint8_t*>(frame), number, user);
}
