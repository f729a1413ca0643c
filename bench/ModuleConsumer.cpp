// The module's side: camera-host's session and observer, frames copied out in
// OnFrameReady and taken by the host thread, as camera-host grab does.

#include <chrono>

#include "CameraSession.h"
#include "Measurements.h"
#include "support/ProcessFigures.h"

namespace {

using Clock = std::chrono::steady_clock;

struct OpenCamera {
    ModuleLoader module;
    std::unique_ptr<CameraSession> session;
    ICameraObject* camera = nullptr;

    OpenCamera(const std::string& path, const std::string& id, int32_t mode)
    {
        QString error;
        if (!module.Load(QString::fromStdString(path), &error))
            return;
        session = std::make_unique<CameraSession>(module);
        if (!session->Create())
            return;
        session->Devices();
        CameraSession::Settings settings;
        settings.device = QString::fromStdString(id);
        if (session->Open(settings) && session->Start(mode))
            camera = session->Camera();
    }
    ~OpenCamera() { session.reset(); }  // stop, close and delete in the contract's order
};

}  // namespace

Throughput ModuleThroughput(const std::string& modulePath, const std::string& deviceId, double seconds)
{
    OpenCamera open(modulePath, deviceId, ModeTriggerOff);
    if (!open.camera)
        return {};
    FrameSink& frames = open.session->Frames();
    const auto warmEnd = Clock::now() + std::chrono::milliseconds(500);
    while (Clock::now() < warmEnd)
        frames.Take(std::chrono::milliseconds(100));
    long count = 0;
    double bytes = 0;
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    while (Clock::now() < end) {
        if (const auto frame = frames.Take(std::chrono::milliseconds(100))) {
            ++count;
            bytes += frame->ByteCount();
        }
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    return {count / elapsed, bytes / elapsed / 1e6};
}

Latencies ModuleLatency(const std::string& modulePath, const std::string& deviceId, int triggers)
{
    Latencies result;
    OpenCamera open(modulePath, deviceId, ModeTriggerOn);
    if (!open.camera)
        return result;
    for (int i = 0; i < triggers; ++i) {
        const auto fired = Clock::now();
        open.camera->ISnapImage();
        if (const auto frame = open.session->Frames().Take(std::chrono::seconds(1)))
            result.ms.push_back(std::chrono::duration<double, std::milli>(frame->arrival - fired).count());
    }
    return result;
}

MemoryGrowth ModuleMemory(const std::string& modulePath, const std::string& deviceId, long frames)
{
    MemoryGrowth growth;
    OpenCamera open(modulePath, deviceId, ModeTriggerOff);
    if (!open.camera)
        return growth;
    FrameSink& sink = open.session->Frames();
    for (int i = 0; i < 1000; ++i)  // warm-up: buffers, allocator pools
        sink.Take(std::chrono::seconds(1));
    growth.beforeKiB = process_figures::ResidentKiB();
    while (growth.frames < frames && sink.Take(std::chrono::seconds(2)))
        ++growth.frames;
    growth.afterKiB = process_figures::ResidentKiB();
    return growth;
}
