// camera-line-bench: a production line's link, side by side. Cameras on
// their own loopback addresses share one 1 Gbit/s, MTU 1500 link (the test
// network of the private namespace), served from a child process so that the
// receiving process's CPU time is its own; the module's path and plain Aravis
// consumers written here take their frames in the same way, in one process,
// over the same window. Run it inside the private network namespace
// (scripts/bench.sh does). The last line holds the figures as key=value.

#include <arv.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "CameraSession.h"
#include "HostLog.h"
#include "ModuleLoader.h"
#include "support/GvFakeCamera.h"
#include "support/TestNetwork.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr uint32_t kWidth = 640, kHeight = 480;
constexpr double kLinkBytesPerSecond = 125e6;  // 1 Gbit/s
constexpr int kMtu = 1500;
// Each stream packet carries an IP (20), a UDP (8) and a GigE Vision stream (8) header.
constexpr double kImageShare = double(kMtu - 20 - 8 - 8) / kMtu;

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// What one side took over the window.
struct Figures {
    std::vector<double> fps;  // complete frames per second, per camera
    double cpuPerFrameUs = 0;
    double Total() const
    {
        double total = 0;
        for (double f : fps)
            total += f;
        return total;
    }
    double SmallestShare() const
    {
        return fps.empty() || Total() <= 0 ? 0 : *std::min_element(fps.begin(), fps.end()) / Total();
    }
};

// Counts complete frames from a start signal to a stop signal.
struct Counter {
    std::atomic<long> frames{0};
    std::atomic<bool> counting{false};
    void Add()
    {
        if (counting)
            ++frames;
    }
};

// Measures `counters` (already receiving) over `seconds` after a warm-up.
Figures Measure(std::vector<Counter>& counters, double seconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // warm-up: streams settle
    const double cpuStart = CpuSeconds();
    const auto start = Clock::now();
    for (Counter& counter : counters)
        counter.counting = true;
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    for (Counter& counter : counters)
        counter.counting = false;
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    const double cpu = CpuSeconds() - cpuStart;
    Figures figures;
    long all = 0;
    for (Counter& counter : counters) {
        figures.fps.push_back(counter.frames / elapsed);
        all += counter.frames;
    }
    figures.cpuPerFrameUs = all > 0 ? cpu / all * 1e6 : 0;
    return figures;
}

// Plain Aravis: one stream per camera, each popped on a thread of its own.
Figures PlainAravis(const std::vector<std::string>& ids, double seconds)
{
    struct Plain {
        ArvCamera* camera = nullptr;
        ArvStream* stream = nullptr;
    };
    std::vector<Plain> plains(ids.size());
    std::vector<Counter> counters(ids.size());
    std::atomic<bool> stop{false};
    std::vector<std::thread> threads;
    for (size_t i = 0; i < ids.size(); ++i) {
        Plain& p = plains[i];
        p.camera = arv_camera_new(ids[i].c_str(), nullptr);
        if (!p.camera)
            continue;
        arv_camera_set_pixel_format(p.camera, ARV_PIXEL_FORMAT_MONO_8, nullptr);
        arv_camera_set_string(p.camera, "TriggerMode", "Off", nullptr);
        p.stream = arv_camera_create_stream(p.camera, nullptr, nullptr, nullptr);
        const guint payload = arv_camera_get_payload(p.camera, nullptr);
        for (int b = 0; b < 16; ++b)
            arv_stream_push_buffer(p.stream, arv_buffer_new_allocate(payload));
        arv_camera_set_acquisition_mode(p.camera, ARV_ACQUISITION_MODE_CONTINUOUS, nullptr);
        arv_camera_start_acquisition(p.camera, nullptr);
        threads.emplace_back([&, i] {
            while (!stop) {
                ArvBuffer* buffer = arv_stream_timeout_pop_buffer(plains[i].stream, 10000);
                if (!buffer)
                    continue;
                if (arv_buffer_get_status(buffer) == ARV_BUFFER_STATUS_SUCCESS)
                    counters[i].Add();
                arv_stream_push_buffer(plains[i].stream, buffer);
            }
        });
    }
    const Figures figures = Measure(counters, seconds);
    stop = true;
    for (std::thread& thread : threads)
        thread.join();
    for (Plain& p : plains) {
        if (p.camera)
            arv_camera_stop_acquisition(p.camera, nullptr);
        if (p.stream)
            g_object_unref(p.stream);
        if (p.camera)
            g_object_unref(p.camera);
    }
    return figures;
}

// An observer that only counts: the module's own cost, without a host's copy.
class CountingObserver : public ICameraObserver {
public:
    explicit CountingObserver(Counter& counter) : counter_(counter) {}
    void OnFrameReady(ICameraObject*) override { counter_.Add(); }

private:
    Counter& counter_;
};

// The module: one driver object per camera, frames through `copying`
// camera-host's observer (copy and queue, taken by a host thread) or a counting one.
Figures Module(const ModuleLoader& module, const std::vector<std::string>& ids, double seconds, bool copying)
{
    std::vector<Counter> counters(ids.size());
    std::vector<std::unique_ptr<CountingObserver>> observers;
    std::vector<std::unique_ptr<CameraSession>> sessions;
    std::vector<ICameraObject*> cameras;
    std::vector<CameraParam> params(ids.size());
    std::atomic<bool> stop{false};
    std::vector<std::thread> takers;
    for (size_t i = 0; i < ids.size(); ++i) {
        if (copying) {
            sessions.push_back(std::make_unique<CameraSession>(module));
            CameraSession& session = *sessions.back();
            if (!session.Create())
                continue;
            session.Devices();
            CameraSession::Settings settings;
            settings.device = QString::fromStdString(ids[i]);
            if (!session.Open(settings) || !session.Start(ModeTriggerOff))
                continue;
            takers.emplace_back([&, i] {
                while (!stop)
                    if (sessions[i]->Frames().Take(std::chrono::milliseconds(10)))
                        counters[i].Add();
            });
        } else {
            observers.push_back(std::make_unique<CountingObserver>(counters[i]));
            params[i].cameraName = QString::fromStdString(ids[i]);
            params[i].pixelFormat = PixelFormat::GRAY8;
            ICameraObject* camera = module.create(&params[i], observers.back().get());
            if (!camera)
                continue;
            cameras.push_back(camera);
            camera->IGetCameraList();
            if (camera->IOpenCamera() != 1)
                continue;
            camera->ISetParameter(nullptr);
            camera->requestedMode = ModeTriggerOff;
            camera->IStartCamera();
        }
    }
    const Figures figures = Measure(counters, seconds);
    stop = true;
    for (std::thread& taker : takers)
        taker.join();
    for (ICameraObject* camera : cameras) {
        camera->IStopCamera();
        camera->ICloseCamera();
        module.destroy(camera);
    }
    sessions.clear();
    return figures;
}

// Serves the cameras from a child process until `stop` is closed; returns
// once they run. No thread exists yet in this process when it forks.
pid_t ServeCameras(int count, int* stop)
{
    int ready[2], hold[2];
    if (pipe(ready) != 0 || pipe(hold) != 0)
        return -1;
    const pid_t child = fork();
    if (child == 0) {
        close(ready[0]);
        close(hold[1]);
        std::vector<std::unique_ptr<GvFakeCamera>> fakes;
        for (int i = 1; i <= count; ++i) {
            const std::string address = "127.0.0." + std::to_string(i), serial = "B" + std::to_string(i);
            // As fast as the camera can: the link sets the rate.
            fakes.push_back(std::make_unique<GvFakeCamera>(GvFakeCamera::Preset{kWidth, kHeight, 1, false},
                                                           address.c_str(), serial.c_str()));
        }
        const char byte = 1;
        (void)!write(ready[1], &byte, 1);
        char end;
        (void)!read(hold[0], &end, 1);  // until the parent closes it
        fakes.clear();
        _exit(0);
    }
    close(ready[1]);
    close(hold[0]);
    char byte = 0;
    (void)!read(ready[0], &byte, 1);
    close(ready[0]);
    *stop = hold[1];
    return child;
}

double Ratio(double a, double b)
{
    return b > 0 ? a / b : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    TestNetwork network;
    std::string why;
    if (!network.Usable(&why)) {
        std::fprintf(stderr, "camera-line-bench: %s\n", why.c_str());
        return 1;
    }
    network.SetMtu(kMtu);
    network.LimitBandwidth("1gbit");
    std::vector<std::string> ids;
    for (int i = 1; i <= 3; ++i) {
        network.AddAddress(i);
        ids.push_back("Aravis-Fake-B" + std::to_string(i));
    }
    int stopCameras = -1;
    const pid_t cameras = ServeCameras(3, &stopCameras);
    if (cameras < 0)
        return 1;

    QCoreApplication app(argc, argv);
    host_log::Install(host_log::Verbosity::Quiet);
    const bool quick = app.arguments().contains(QStringLiteral("--quick"));
    const bool singleOnly = app.arguments().contains(QStringLiteral("--single-only"));
    const double seconds = quick ? 1.5 : 4.0;
    ModuleLoader module;
    QString error;
    if (!module.Load(ModuleLoader::DefaultPath(), &error)) {
        std::fprintf(stderr, "camera-line-bench: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    arv_update_device_list();
    const std::vector<std::string> one{ids[0]};
    const double capacityFps = kLinkBytesPerSecond * kImageShare / (kWidth * kHeight);

    std::fprintf(stderr, "one camera on the link...\n");
    const Figures plainOne = PlainAravis(one, seconds);
    const Figures moduleOne = Module(module, one, seconds, false);
    const Figures copyingOne = Module(module, one, seconds, true);
    std::printf("%-44s %12s %12s %8s\n", "measure", "plain Aravis", "module", "ratio");
    std::printf("%-44s %12.1f %12.1f %8.3f\n", "1 camera 640x480 GRAY8 on 1 Gbit/s MTU 1500, fps", plainOne.Total(),
                moduleOne.Total(), Ratio(moduleOne.Total(), plainOne.Total()));
    std::printf("%-44s %12.1f %12.1f %8.3f\n", "  against the link's image capacity, fps", capacityFps,
                moduleOne.Total(), Ratio(moduleOne.Total(), capacityFps));
    std::printf("%-44s %12.1f %12.1f %8.3f\n", "  CPU per frame, us (counting observer)", plainOne.cpuPerFrameUs,
                moduleOne.cpuPerFrameUs, Ratio(moduleOne.cpuPerFrameUs, plainOne.cpuPerFrameUs));
    std::printf("%-44s %12s %12.1f\n", "  CPU per frame, us (camera-host's copying one)", "-", copyingOne.cpuPerFrameUs);
    if (singleOnly) {
        std::printf("single_fps_ratio=%.3f single_capacity_ratio=%.3f cpu_ratio=%.3f copying_cpu_us=%.1f\n",
                    Ratio(moduleOne.Total(), plainOne.Total()), Ratio(moduleOne.Total(), capacityFps),
                    Ratio(moduleOne.cpuPerFrameUs, plainOne.cpuPerFrameUs), copyingOne.cpuPerFrameUs);
        close(stopCameras);
        waitpid(cameras, nullptr, 0);
        return 0;
    }

    std::fprintf(stderr, "three cameras sharing the link...\n");
    const Figures plainThree = PlainAravis(ids, seconds);
    const Figures moduleThree = Module(module, ids, seconds, false);
    std::printf("%-44s %12.1f %12.1f %8.3f\n", "3 cameras sharing the link, aggregate fps", plainThree.Total(),
                moduleThree.Total(), Ratio(moduleThree.Total(), plainThree.Total()));
    std::printf("%-44s %12.3f %12.3f\n", "  smallest camera's share", plainThree.SmallestShare(),
                moduleThree.SmallestShare());

    std::fprintf(stderr, "0.1 %% stream packet loss on one camera...\n");
    network.LoseStreamPackets("127.0.0.1", 1);  // the first camera's address
    const Figures plainLoss = PlainAravis(one, seconds);
    const Figures moduleLoss = Module(module, one, seconds, false);
    std::printf("%-44s %12.1f %12.1f %8.3f\n", "1 camera, 0.1 % packets lost, complete fps", plainLoss.Total(),
                moduleLoss.Total(), Ratio(moduleLoss.Total(), plainLoss.Total()));

    std::printf("single_fps_ratio=%.3f single_capacity_ratio=%.3f three_aggregate_ratio=%.3f "
                "three_smallest_share=%.3f loss_fps_ratio=%.3f cpu_ratio=%.3f copying_cpu_us=%.1f\n",
                Ratio(moduleOne.Total(), plainOne.Total()), Ratio(moduleOne.Total(), capacityFps),
                Ratio(moduleThree.Total(), plainThree.Total()), moduleThree.SmallestShare(),
                Ratio(moduleLoss.Total(), plainLoss.Total()), Ratio(moduleOne.cpuPerFrameUs, plainOne.cpuPerFrameUs),
                copyingOne.cpuPerFrameUs);
    close(stopCameras);
    waitpid(cameras, nullptr, 0);
    return 0;
}
