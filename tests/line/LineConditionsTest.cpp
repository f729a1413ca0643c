// A production line's conditions on the private namespace's loopback:
// several cameras on their own addresses through one driver object each, a
// 1500-byte MTU, lost stream packets and a pulled cable (TestNetwork).

#include <gtest/gtest.h>

#include <QLibrary>
#include <QString>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <algorithm>
#include <memory>
#include <mutex>
#include <thread>

#include "ICameraObject.h"
#include "TisAravisInspect.h"
#include "support/FrameCollector.h"
#include "support/ModuleWarnings.h"
#include "support/ProcessFigures.h"
#include "support/GvFakeCamera.h"
#include "support/TestNetwork.h"
#include "tisgrabber.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kFrameTimeout = 5s;
// Aravis's heartbeat notices a camera that no longer answers within a few
// seconds; the fake camera drops its controller after its heartbeat timeout.
constexpr auto kLossTimeout = 20s;
constexpr auto kReopenTimeout = 30s;

// One camera's frames as a host sees them, with a check that each belongs to
// this camera (its own width) and carries its own bytes.
class CameraObserver : public ICameraObserver {
public:
    explicit CameraObserver(int32_t width) : width_(width) {}
    void OnFrameReady(ICameraObject* camera) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const size_t bytes = size_t(camera->width) * camera->height * camera->bitsPerPixel / 8;
        if (camera->width != width_ || GvFakeCamera::StampOf(camera->imageData, bytes) < 0)
            ++wrong_;
        ++frames_;
        arrived_.notify_all();
    }
    bool WaitFor(uint64_t frames, std::chrono::milliseconds timeout = kFrameTimeout)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return arrived_.wait_for(lock, timeout, [&] { return frames_ >= frames; });
    }
    uint64_t Frames() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return frames_;
    }
    uint64_t Wrong() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return wrong_;
    }

private:
    const int32_t width_;
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    uint64_t frames_ = 0, wrong_ = 0;
};

// A camera of the line with the driver object that runs it.
struct Station {
    std::unique_ptr<GvFakeCamera> fake;
    std::string address;
    CameraParam param;
    std::unique_ptr<CameraObserver> observer;
    ICameraObject* camera = nullptr;
};

class LineConditions : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string why;
        if (!network.Usable(&why))
            GTEST_SKIP() << why;
        ASSERT_TRUE(module.load()) << module.errorString().toStdString();
        create = reinterpret_cast<CameraCreateFn>(module.resolve("Camera_Create"));
        destroy = reinterpret_cast<CameraDeleteFn>(module.resolve("Camera_Delete"));
        ASSERT_TRUE(create && destroy);
        previous = qInstallMessageHandler(ModuleWarnings::Handler);
        ModuleWarnings::Clear();
    }
    void TearDown() override
    {
        for (auto& station : stations)
            End(station);
        stations.clear();
        qInstallMessageHandler(previous);
    }

    // Cameras on 127.0.0.1, .2, .3 …, each with a width of its own.
    void StartCameras(int count, uint32_t periodUs = 10000)
    {
        for (int i = 0; i < count; ++i) {
            Station station;
            station.address = network.AddAddress(i + 1);
            const std::string serial = "L" + std::to_string(i + 1);
            station.fake = std::make_unique<GvFakeCamera>(GvFakeCamera::Preset{uint32_t(64 - 8 * i), 24, periodUs, true},
                                                          station.address.c_str(), serial.c_str());
            ASSERT_TRUE(station.fake->Running()) << station.address;
            stations.push_back(std::move(station));
        }
    }
    // A driver object of its own for the station's camera, opened and
    // free-running. With `retryFor`, the open is tried again until then (a
    // camera whose cable was pulled gives up its old controller only after
    // its heartbeat timeout).
    void Open(Station& station, std::chrono::milliseconds retryFor = std::chrono::milliseconds(0))
    {
        station.observer = std::make_unique<CameraObserver>(int32_t(station.fake->ReadRegister(ARV_FAKE_CAMERA_REGISTER_WIDTH)));
        station.param.cameraName = QString::fromStdString(station.fake->DeviceId());
        station.param.pixelFormat = PixelFormat::GRAY8;
        station.camera = create(&station.param, station.observer.get());
        ASSERT_NE(station.camera, nullptr);
        const auto deadline = Clock::now() + retryFor;
        bool opened = false;
        do {
            const QStringList names = station.camera->IGetCameraList();
            opened = names.contains(station.param.cameraName) && station.camera->IOpenCamera() == 1;
        } while (!opened && Clock::now() < deadline);
        ASSERT_TRUE(opened) << station.fake->DeviceId();
        station.camera->requestedMode = ModeTriggerOff;
        ASSERT_EQ(station.camera->IStartCamera(), 1);
    }
    void End(Station& station)
    {
        if (!station.camera)
            return;
        station.camera->IStopCamera();
        station.camera->ICloseCamera();
        destroy(station.camera);
        station.camera = nullptr;
    }
    // The others keep streaming: each gets `frames` more.
    void ExpectStreaming(const std::vector<Station*>& others, uint64_t frames = 10)
    {
        for (Station* station : others) {
            const uint64_t before = station->observer->Frames();
            EXPECT_TRUE(station->observer->WaitFor(before + frames)) << station->fake->DeviceId();
        }
    }

    TestNetwork network;
    QLibrary module{QStringLiteral(VEXACAM_MODULE_PATH)};
    CameraCreateFn create = nullptr;
    CameraDeleteFn destroy = nullptr;
    QtMessageHandler previous = nullptr;
    std::vector<Station> stations;
};

}  // namespace

TEST_F(LineConditions, ThreeCamerasStreamEachToItsOwnObserver)
{
    network.SetMtu(1500);
    StartCameras(3);
    for (auto& station : stations)
        Open(station);
    ExpectStreaming({&stations[0], &stations[1], &stations[2]}, 20);

    // One object deleted and made again: the others go on.
    End(stations[1]);
    ExpectStreaming({&stations[0], &stations[2]});
    Open(stations[1]);
    ExpectStreaming({&stations[0], &stations[1], &stations[2]});

    // One camera lost: the others go on at their rate.
    stations[2].fake.reset();
    ASSERT_TRUE(ModuleWarnings::WaitForText(ModuleWarnings::LostText("Aravis-Fake-L3"), kLossTimeout));
    ExpectStreaming({&stations[0], &stations[1]});
    End(stations[2]);
    for (auto& station : stations)
        EXPECT_EQ(station.observer->Wrong(), 0u) << station.address;  // none reached another's observer
}

// Under lost stream packets every delivered frame is complete and its own,
// and the frames lost are exactly those counted: the library's failed count
// equals the gaps in the frame numbers over the same window.
TEST_F(LineConditions, LostPacketsCostOnlyTheFramesCounted)
{
    for (const int perMille : {1, 10}) {
        SCOPED_TRACE(std::to_string(perMille) + " per mille");
        TestNetwork shaped;
        shaped.SetMtu(1500);
        shaped.LoseStreamPackets("127.0.0.1", perMille);
        GvFakeCamera fake(GvFakeCamera::Preset{256, 64, 2000, true});  // 16 KiB: 12 packets a frame
        ASSERT_TRUE(fake.Running());
        ASSERT_EQ(IC_InitLibrary(nullptr), 1);
        ASSERT_GT(IC_GetDeviceCount(), 0);
        HGRABBER grabber = IC_CreateGrabber();
        ASSERT_EQ(IC_OpenDevByUniqueName(grabber, GvFakeCamera::kDeviceId), 1);
        FrameCollector frames;
        const size_t bytes = 256 * 64;
        frames.SetCheck([bytes](const unsigned char* data) { return GvFakeCamera::StampOf(data, bytes) >= 0; });
        IC_SetCallbacks(grabber, FrameCollector::Callback, &frames, nullptr, nullptr);
        IC_EnableTrigger(grabber, 0);
        ASSERT_EQ(IC_StartLive(grabber, 0), 1);
        TisAravisFrameCounters counters{};
        const auto deadline = Clock::now() + 30s;
        while (Clock::now() < deadline && (frames.Count() < 1000 || counters.failed < 3)) {
            ASSERT_TRUE(frames.WaitForFrames(frames.Count() + 50, kFrameTimeout));
            TisAravisInspect_FrameCounters(grabber, &counters);
        }
        IC_StopLive(grabber);
        ASSERT_EQ(TisAravisInspect_FrameCounters(grabber, &counters), 1);
        EXPECT_GT(counters.failed, 0u) << "no packet was lost: the rule did not apply";
        EXPECT_EQ(frames.WrongFrames(), 0u);
        EXPECT_EQ(counters.mismatched + counters.shortPayload, 0u);
        EXPECT_EQ(counters.delivered, frames.Count());
        // Failed buffers after the last delivered frame leave no gap yet.
        const auto numbers = frames.Numbers();
        EXPECT_LE(frames.Gaps(), counters.failed);
        EXPECT_GE(frames.Gaps() + 2, counters.failed);
        EXPECT_EQ(numbers.front(), 0u);
        IC_ReleaseGrabber(&grabber);
    }
}

// A pulled cable, the camera still running: the loss is reported, close is
// fast, the other cameras go on, and once the cable is back the same device
// opens again and streams.
TEST_F(LineConditions, PulledCableIsReportedAndTheCameraComesBack)
{
    StartCameras(3);
    for (auto& station : stations)
        Open(station);
    ExpectStreaming({&stations[0], &stations[1], &stations[2]});
    Station& pulled = stations[1];
    network.PullCable(pulled.address);
    ASSERT_TRUE(ModuleWarnings::WaitForText(ModuleWarnings::LostText(pulled.fake->DeviceId()), kLossTimeout));
    ExpectStreaming({&stations[0], &stations[2]});
    // The cable back before the handle is closed: the handle reported lost
    // delivers nothing more (the camera is reached again only by opening it).
    network.PlugCable(pulled.address);
    const uint64_t afterLoss = pulled.observer->Frames();
    EXPECT_FALSE(pulled.observer->WaitFor(afterLoss + 1, 1500ms));
    const auto start = Clock::now();
    pulled.camera->ICloseCamera();
    EXPECT_LT(Clock::now() - start, 1s);
    destroy(pulled.camera);
    pulled.camera = nullptr;

    ASSERT_NO_FATAL_FAILURE(Open(pulled, kReopenTimeout));
    ExpectStreaming({&stations[0], &stations[1], &stations[2]});
    for (auto& station : stations)
        EXPECT_EQ(station.observer->Wrong(), 0u) << station.address;
}

namespace {

// Waits until the process is back to `threads` threads (teardowns of lost
// cameras end in the background).
bool ThreadsBackTo(int threads, std::chrono::seconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (process_figures::CountEntries("/proc/self/task") > threads && Clock::now() < deadline)
        std::this_thread::yield();
    return process_figures::CountEntries("/proc/self/task") <= threads;
}

}  // namespace

// Pull, close, plug back, reopen, five times over, with three cameras: every
// reopen streams, and the process ends with the threads, descriptors and
// memory it had.
TEST_F(LineConditions, RepeatedLossAndReturnLeaveNothingBehind)
{
    StartCameras(3);
    for (auto& station : stations)
        Open(station);
    ExpectStreaming({&stations[0], &stations[1], &stations[2]});
    Station& pulled = stations[1];
    const int threads = process_figures::CountEntries("/proc/self/task");
    const int descriptors = process_figures::CountEntries("/proc/self/fd");
    const long resident = process_figures::ResidentKiB();
    const int kCycles = qEnvironmentVariableIsSet("VEXACAM_LINE_CYCLES") ? qEnvironmentVariableIntValue("VEXACAM_LINE_CYCLES") : 5;
    ASSERT_GT(kCycles, 0) << "VEXACAM_LINE_CYCLES must be a positive whole number";
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        SCOPED_TRACE(cycle);
        ModuleWarnings::Clear();
        network.PullCable(pulled.address);
        ASSERT_TRUE(ModuleWarnings::WaitForText(ModuleWarnings::LostText(pulled.fake->DeviceId()), kLossTimeout));
        // The cable back 1.5 s before the close, as a technician plugs it in.
        network.PlugCable(pulled.address);
        const uint64_t afterLoss = pulled.observer->Frames();
        EXPECT_FALSE(pulled.observer->WaitFor(afterLoss + 1, 1500ms)) << "the lost handle delivered again";
        End(pulled);
        ASSERT_NO_FATAL_FAILURE(Open(pulled, kReopenTimeout));
        ASSERT_TRUE(pulled.observer->WaitFor(5)) << "the reopened camera sent no frame";
        ExpectStreaming({&stations[0], &stations[2]}, 5);
    }
    EXPECT_TRUE(ThreadsBackTo(threads, 30s)) << process_figures::CountEntries("/proc/self/task") << " threads, " << threads << " before";
    EXPECT_EQ(process_figures::CountEntries("/proc/self/fd"), descriptors);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // (The sanitizers keep freed memory in quarantine and shadow: only the plain build can tell.)
    EXPECT_LT(process_figures::ResidentKiB() - resident, 1024) << "KiB grown";
#endif
    for (auto& station : stations)
        EXPECT_EQ(station.observer->Wrong(), 0u) << station.address;
}
