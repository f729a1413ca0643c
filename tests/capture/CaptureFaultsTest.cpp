// The capture library under the faults a production line meets: callbacks
// that stop or restart the stream, a camera that vanishes before anything
// noticed, hostile register values, and what a closed camera is left with.
// Against Aravis's GigE Vision fake camera (run inside a private network namespace).

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "support/FrameCollector.h"
#include "support/GvFakeCamera.h"
#include "tisgrabber.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr auto kFrameTimeout = 5s;
// Long enough for a callback to be caught running when a call returns early.
constexpr auto kLinger = 50ms;
// GevSCPHostPort: where the camera sends its stream (0: nowhere).
constexpr uint32_t kStreamChannelPort = 0x0d00;

// Counts device-lost reports and lets the test wait for them.
struct LostReports {
    std::mutex mutex;
    std::condition_variable arrived;
    int count = 0;

    static void Callback(HGRABBER, void* user)
    {
        auto* self = static_cast<LostReports*>(user);
        std::lock_guard<std::mutex> lock(self->mutex);
        ++self->count;
        self->arrived.notify_all();
    }
    bool WaitFor(int n, std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, timeout, [&] { return count >= n; });
    }
};

// A frame callback that runs `inside` on its first frame, then stays in the
// callback for kLinger, marked as inside while it does.
struct LingeringCallback {
    std::function<void(HGRABBER)> onFirstFrame;
    std::atomic<int> calls{0};
    std::atomic<int> running{0};
    std::atomic<int> mostAtOnce{0};
    std::atomic<bool> firstDone{false};
    std::mutex mutex;
    std::condition_variable changed;

    static void Callback(HGRABBER handle, unsigned char*, uint32_t, void* user)
    {
        auto* self = static_cast<LingeringCallback*>(user);
        const int now = ++self->running;
        int most = self->mostAtOnce;
        while (now > most && !self->mostAtOnce.compare_exchange_weak(most, now)) {
        }
        if (self->calls++ == 0 && self->onFirstFrame) {
            self->onFirstFrame(handle);
            {
                std::lock_guard<std::mutex> lock(self->mutex);
                self->firstDone = true;
            }
            self->changed.notify_all();
        }
        std::this_thread::sleep_for(kLinger);  // the fault shows only while a callback is still running
        --self->running;
    }
    bool WaitForFirst()
    {
        std::unique_lock<std::mutex> lock(mutex);
        return changed.wait_for(lock, kFrameTimeout, [&] { return firstDone.load(); });
    }
    bool WaitForCalls(int n)
    {
        const auto deadline = Clock::now() + kFrameTimeout;
        while (calls < n && Clock::now() < deadline)
            std::this_thread::yield();
        return calls >= n;
    }
};

class CaptureFaults : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(IC_InitLibrary(nullptr), 1); }
    void TearDown() override
    {
        if (grabber)
            IC_ReleaseGrabber(&grabber);
        fake.reset();
    }
    void StartFake(const GvFakeCamera::Preset& preset = GvFakeCamera::Preset{64, 48, 10000, true})
    {
        fake = std::make_unique<GvFakeCamera>(preset);
        ASSERT_TRUE(fake->Running());
        grabber = IC_CreateGrabber();
        ASSERT_GT(IC_GetDeviceCount(), 0);
        ASSERT_EQ(IC_OpenDevByUniqueName(grabber, GvFakeCamera::kDeviceId), 1);
    }
    void StartFreeRun(FRAME_READY_CALLBACK callback, void* user, LostReports* lost = nullptr)
    {
        IC_SetCallbacks(grabber, callback, user, lost ? LostReports::Callback : nullptr, lost);
        ASSERT_EQ(IC_EnableTrigger(grabber, 0), 1);
        ASSERT_EQ(IC_StartLive(grabber, 0), 1);
    }

    std::unique_ptr<GvFakeCamera> fake;
    HGRABBER grabber = nullptr;
};

}  // namespace

// Only the callback that stops the stream is exempt from waiting: a stop,
// close or release from another thread returns only once it has finished.
TEST_F(CaptureFaults, OtherThreadsWaitForACallbackThatStoppedTheStream)
{
    const struct {
        const char* name;
        std::function<void(HGRABBER&)> call;
    } cases[] = {
        {"IC_StopLive", [](HGRABBER& h) { IC_StopLive(h); }},
        {"IC_CloseVideoCaptureDevice", [](HGRABBER& h) { IC_CloseVideoCaptureDevice(h); }},
        {"IC_ReleaseGrabber", [](HGRABBER& h) { IC_ReleaseGrabber(&h); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StartFake();
        LingeringCallback callback;
        callback.onFirstFrame = [](HGRABBER h) { IC_StopLive(h); };
        StartFreeRun(LingeringCallback::Callback, &callback);
        ASSERT_TRUE(callback.WaitForFirst());
        c.call(grabber);
        EXPECT_EQ(callback.running.load(), 0) << "returned while the callback still ran";
        EXPECT_EQ(callback.calls.load(), 1);
        TearDown();
    }
}

// The stopped session's stream goes before the new one is made: torn down
// after it, it would clear the camera's stream destination under the new
// session (a camera that reads it per frame then sends nowhere).
TEST_F(CaptureFaults, StopAndStartInsideTheCallbackNeverDeliversFromTwoThreads)
{
    StartFake();
    LingeringCallback callback;
    std::atomic<int> restarted{0};
    callback.onFirstFrame = [&restarted](HGRABBER h) {
        IC_StopLive(h);
        restarted = IC_StartLive(h, 0);
    };
    StartFreeRun(LingeringCallback::Callback, &callback);
    ASSERT_TRUE(callback.WaitForCalls(4));  // frames of the new session arrive
    EXPECT_EQ(restarted.load(), 1);
    EXPECT_NE(fake->ReadRegister(kStreamChannelPort) & 0xffff, 0u) << "the live session's destination was cleared";
    IC_StopLive(grabber);
    EXPECT_EQ(callback.running.load(), 0);
    EXPECT_EQ(callback.mostAtOnce.load(), 1);
}

// A payload the size of a 65535 x 65535 frame is refused with a reason; the
// process (and the handle) survive it.
TEST_F(CaptureFaults, AbsurdPayloadIsRefusedInsteadOfAllocated)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // The fake camera holds a frame of its own size: the sanitizers would
    // shadow and scan 4 GiB. Still above the library's bound.
    StartFake(GvFakeCamera::Preset{12000, 12000, 10000, false});
#else
    StartFake(GvFakeCamera::Preset{65535, 65535, 10000, false});
#endif
    EXPECT_NE(IC_StartLive(grabber, 0), 1);
    EXPECT_EQ(IC_SoftwareTrigger(grabber), IC_ERROR);  // nothing was left live
    arv_fake_camera_write_register(fake->Camera(), ARV_FAKE_CAMERA_REGISTER_WIDTH, 64);
    arv_fake_camera_write_register(fake->Camera(), ARV_FAKE_CAMERA_REGISTER_HEIGHT, 48);
    FrameCollector frames;
    StartFreeRun(FrameCollector::Callback, &frames);
    EXPECT_TRUE(frames.WaitForFrames(1, kFrameTimeout));
    IC_StopLive(grabber);  // before `frames` goes: no callback may reach it after
}

// Right after the camera vanished, before Aravis noticed: stop and close each
// return within a second, the command that timed out counts as the loss, and
// the device-lost callback runs once.
TEST_F(CaptureFaults, VanishedCameraStopsAndClosesWithinASecond)
{
    for (const bool live : {true, false}) {
        SCOPED_TRACE(live ? "live" : "open only");
        StartFake();
        FrameCollector frames;
        LostReports lost;
        if (live) {
            StartFreeRun(FrameCollector::Callback, &frames, &lost);
            ASSERT_TRUE(frames.WaitForFrames(3, kFrameTimeout));
        } else {
            IC_SetCallbacks(grabber, nullptr, nullptr, LostReports::Callback, &lost);
        }
        fake.reset();

        auto start = Clock::now();
        IC_StopLive(grabber);
        const auto stopTook = Clock::now() - start;
        start = Clock::now();
        IC_CloseVideoCaptureDevice(grabber);
        const auto closeTook = Clock::now() - start;
        EXPECT_LT(stopTook, 1s);
        EXPECT_LT(closeTook, 1s);
        EXPECT_TRUE(lost.WaitFor(1, 0ms)) << "the timed-out command was not taken as the loss";
        EXPECT_FALSE(lost.WaitFor(2, 500ms));  // once only, and not after close
        TearDown();
    }
    IC_CloseLibrary();  // waits for the background teardowns
}

// Once the loss is known, every operation on the handle fails at once and says why.
TEST_F(CaptureFaults, EveryOperationOnALostHandleFailsAtOnce)
{
    StartFake();
    FrameCollector frames;
    LostReports lost;
    StartFreeRun(FrameCollector::Callback, &frames, &lost);
    ASSERT_TRUE(frames.WaitForFrames(3, kFrameTimeout));
    fake.reset();
    ASSERT_TRUE(lost.WaitFor(1, 20s));  // Aravis's heartbeat notices

    int32_t min = 0, max = 0;
    const struct {
        const char* name;
        std::function<int()> call;
    } cases[] = {
        {"IC_SoftwareTrigger", [&] { return IC_SoftwareTrigger(grabber); }},
        {"IC_EnableTrigger", [&] { return IC_EnableTrigger(grabber, 1); }},
        {"IC_SetFormat", [&] { return IC_SetFormat(grabber, IC_FORMAT_Y800); }},
        {"IC_EnableAutoCameraProperty", [&] { return IC_EnableAutoCameraProperty(grabber, 4, 0); }},
        {"IC_CameraPropertyGetRange", [&] { return IC_CameraPropertyGetRange(grabber, 4, &min, &max); }},
        {"IC_SetCameraProperty", [&] { return IC_SetCameraProperty(grabber, 4, 1000); }},
        {"IC_EnableAutoVideoProperty", [&] { return IC_EnableAutoVideoProperty(grabber, 9, 0); }},
        {"IC_VideoPropertyGetRange", [&] { return IC_VideoPropertyGetRange(grabber, 9, &min, &max); }},
        {"IC_SetVideoProperty", [&] { return IC_SetVideoProperty(grabber, 9, 5); }},
    };
    const auto start = Clock::now();
    for (const auto& c : cases)
        EXPECT_EQ(c.call(), IC_DEVICE_LOST) << c.name;
    IC_StopLive(grabber);
    EXPECT_EQ(IC_StartLive(grabber, 0), IC_DEVICE_LOST);
    EXPECT_LT(Clock::now() - start, 1s);  // none of them waited for the vanished camera
    IC_CloseVideoCaptureDevice(grabber);
    IC_CloseLibrary();
}

// The library numbers each live session's frames: 0 first, then one per
// frame the camera sent, 32 bits wide.
TEST_F(CaptureFaults, FrameNumbersStartAtZeroInEveryLiveSession)
{
    StartFake();
    for (int session = 0; session < 3; ++session) {
        SCOPED_TRACE(session);
        FrameCollector frames;
        StartFreeRun(FrameCollector::Callback, &frames);
        ASSERT_TRUE(frames.WaitForFrames(5, kFrameTimeout));
        IC_StopLive(grabber);
        const auto numbers = frames.Numbers();
        ASSERT_GE(numbers.size(), 5u);
        EXPECT_EQ(numbers[0], 0u);
        for (size_t i = 1; i < numbers.size(); ++i)
            EXPECT_EQ(numbers[i], numbers[i - 1] + 1);
    }
}

// A camera is left as it was found: the next tool to open it sees the
// trigger mode and source it had before.
TEST_F(CaptureFaults, CloseRestoresTheTriggerFoundAtOpen)
{
    auto preset = GvFakeCamera::Preset{64, 48, 10000, true};
    fake = std::make_unique<GvFakeCamera>(preset);
    ASSERT_TRUE(fake->Running());
    const uint32_t mode = fake->ReadRegister(ARV_FAKE_CAMERA_REGISTER_TRIGGER_MODE);
    const uint32_t source = fake->ReadRegister(ARV_FAKE_CAMERA_REGISTER_TRIGGER_SOURCE);
    ASSERT_TRUE(arv_fake_camera_is_in_free_running_mode(fake->Camera()));

    grabber = IC_CreateGrabber();
    ASSERT_GT(IC_GetDeviceCount(), 0);
    ASSERT_EQ(IC_OpenDevByUniqueName(grabber, GvFakeCamera::kDeviceId), 1);
    FrameCollector frames;
    IC_SetCallbacks(grabber, FrameCollector::Callback, &frames, nullptr, nullptr);
    ASSERT_EQ(IC_EnableTrigger(grabber, 1), 1);
    ASSERT_EQ(IC_StartLive(grabber, 0), 1);
    ASSERT_EQ(IC_SoftwareTrigger(grabber), 1);
    ASSERT_TRUE(frames.WaitForFrames(1, kFrameTimeout));
    EXPECT_TRUE(arv_fake_camera_is_in_software_trigger_mode(fake->Camera()));
    IC_CloseVideoCaptureDevice(grabber);

    EXPECT_EQ(fake->ReadRegister(ARV_FAKE_CAMERA_REGISTER_TRIGGER_MODE), mode);
    EXPECT_EQ(fake->ReadRegister(ARV_FAKE_CAMERA_REGISTER_TRIGGER_SOURCE), source);
    EXPECT_TRUE(arv_fake_camera_is_in_free_running_mode(fake->Camera()));
}
