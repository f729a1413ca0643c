// A plain Aravis consumer of the camera: what an application would write
// without the module.

#include <arv.h>

#include <algorithm>
#include <chrono>

#include "Measurements.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Stream {
    ArvCamera* camera = nullptr;
    ArvStream* stream = nullptr;
    guint payload = 0;

    explicit Stream(const std::string& id)
    {
        camera = arv_camera_new(id.c_str(), nullptr);
        if (!camera)
            return;
        arv_camera_set_pixel_format(camera, ARV_PIXEL_FORMAT_MONO_8, nullptr);
        stream = arv_camera_create_stream(camera, nullptr, nullptr, nullptr);
        payload = arv_camera_get_payload(camera, nullptr);
        const unsigned buffers = std::clamp<unsigned>(unsigned((256u << 20) / std::max(payload, 1u)), 4, 64);
        for (unsigned i = 0; i < buffers; ++i)
            arv_stream_push_buffer(stream, arv_buffer_new_allocate(payload));
    }
    ~Stream()
    {
        if (camera)
            arv_camera_stop_acquisition(camera, nullptr);
        if (stream)
            g_object_unref(stream);
        if (camera)
            g_object_unref(camera);
    }
    void Trigger(bool on)
    {
        arv_camera_set_string(camera, "TriggerSelector", "FrameStart", nullptr);
        if (on)
            arv_camera_set_string(camera, "TriggerSource", "Software", nullptr);
        arv_camera_set_string(camera, "TriggerMode", on ? "On" : "Off", nullptr);
    }
};

}  // namespace

Throughput PlainAravisThroughput(const std::string& deviceId, double seconds)
{
    Stream s(deviceId);
    if (!s.stream)
        return {};
    s.Trigger(false);
    arv_camera_set_acquisition_mode(s.camera, ARV_ACQUISITION_MODE_CONTINUOUS, nullptr);
    arv_camera_start_acquisition(s.camera, nullptr);
    const auto warmEnd = Clock::now() + std::chrono::milliseconds(500);
    while (Clock::now() < warmEnd)
        if (ArvBuffer* b = arv_stream_timeout_pop_buffer(s.stream, 100000))
            arv_stream_push_buffer(s.stream, b);
    long frames = 0;
    double bytes = 0;
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (Clock::now() < end) {
        ArvBuffer* buffer = arv_stream_timeout_pop_buffer(s.stream, 100000);
        if (!buffer)
            continue;
        if (arv_buffer_get_status(buffer) == ARV_BUFFER_STATUS_SUCCESS) {
            ++frames;
            bytes += s.payload;
        }
        arv_stream_push_buffer(s.stream, buffer);
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    return {frames / elapsed, bytes / elapsed / 1e6};
}

Latencies PlainAravisLatency(const std::string& deviceId, int triggers)
{
    Latencies result;
    Stream s(deviceId);
    if (!s.stream)
        return result;
    s.Trigger(true);
    arv_camera_set_acquisition_mode(s.camera, ARV_ACQUISITION_MODE_CONTINUOUS, nullptr);
    arv_camera_start_acquisition(s.camera, nullptr);
    for (int i = 0; i < triggers; ++i) {
        const auto fired = Clock::now();
        arv_camera_software_trigger(s.camera, nullptr);
        ArvBuffer* buffer = arv_stream_timeout_pop_buffer(s.stream, 1000000);
        if (!buffer)
            continue;
        result.ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - fired).count());
        arv_stream_push_buffer(s.stream, buffer);
    }
    return result;
}
