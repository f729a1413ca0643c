// The driver's own cost per frame: from the capture library's call of
// FrameReadyCallback to the host's OnFrameReady, with the recording double
// as capture library. Once with a message handler that discards (the cost of
// the driver's work and of formatting its message), once with Qt's default
// handler writing to a file.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#include "CCameraGige.h"
#include "ModuleExports.h"
#include "capture-double/CaptureDouble.h"

namespace {

class CountingObserver : public ICameraObserver {
public:
    void OnFrameReady(ICameraObject* camera) override { benchmark::DoNotOptimize(sum += camera->frameNumber); }
    uint64_t sum = 0;
};

void Discard(QtMsgType, const QMessageLogContext&, const QString&) {}

void DeliverFrames(benchmark::State& state)
{
    capture_double::Script script;
    script.deviceNames = {std::string("GV01")};
    capture_double::Reset(script);
    CameraParam param;
    param.cameraName = QStringLiteral("GV01");
    param.pixelFormat = PixelFormat::GRAY8;
    CountingObserver observer;
    auto* camera = static_cast<CCameraGige*>(Camera_Create(&param, &observer));
    camera->IOpenCamera();
    unsigned char pixels[640 * 480] = {};
    uint32_t number = 0;
    FrameReadyCallback(camera->grabber, pixels, number, camera);  // the first frame reads the description
    for (auto _ : state)
        FrameReadyCallback(camera->grabber, pixels, ++number, camera);
    camera->ICloseCamera();
    Camera_Delete(camera);
}

void BM_FrameDelivery_DiscardingHandler(benchmark::State& state)
{
    const QtMessageHandler previous = qInstallMessageHandler(Discard);
    DeliverFrames(state);
    qInstallMessageHandler(previous);
}
BENCHMARK(BM_FrameDelivery_DiscardingHandler);

void BM_FrameDelivery_DefaultHandlerToFile(benchmark::State& state)
{
    // Qt's default handler writes to stderr; send stderr to a file meanwhile.
    std::fflush(stderr);
    const int savedStderr = dup(STDERR_FILENO);
    const int file = open("frame-cost-messages.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(file, STDERR_FILENO);
    const QtMessageHandler previous = qInstallMessageHandler(nullptr);
    DeliverFrames(state);
    qInstallMessageHandler(previous);
    std::fflush(stderr);
    dup2(savedStderr, STDERR_FILENO);
    close(file);
    close(savedStderr);
}
BENCHMARK(BM_FrameDelivery_DefaultHandlerToFile);

}  // namespace

BENCHMARK_MAIN();
