// A camera that vanishes while streaming, and comes back.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "tisgrabber.h"
#include "support/FrameCollector.h"
#include "support/GvFakeCamera.h"

using namespace std::chrono_literals;

namespace {

struct LostSignal {
    std::mutex mutex;
    std::condition_variable arrived;
    int count = 0;
    HGRABBER handle = nullptr;

    static void Callback(HGRABBER grabber, void* user)
    {
        auto* self = static_cast<LostSignal*>(user);
        std::lock_guard<std::mutex> lock(self->mutex);
        ++self->count;
        self->handle = grabber;
        self->arrived.notify_all();
    }
    bool WaitFor(int n, std::chrono::seconds timeout)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, timeout, [&] { return count >= n; });
    }
};

// Heartbeat timeout of the camera plus Aravis's retries; measured at about 5 s.
constexpr auto kLossTimeout = 20s;

}  // namespace

TEST(DeviceLoss, LostCameraIsReportedOnceClosesFastAndWorksWhenBack)
{
    ASSERT_EQ(IC_InitLibrary(nullptr), 1);
    HGRABBER grabber = IC_CreateGrabber();
    const GvFakeCamera::Preset preset{64, 48, 10000, true};
    for (int round = 0; round < 2; ++round) {
        auto fake = std::make_unique<GvFakeCamera>(preset);
        ASSERT_TRUE(fake->Running());
        ASSERT_GT(IC_GetDeviceCount(), 0);
        ASSERT_EQ(IC_OpenDevByUniqueName(grabber, GvFakeCamera::kDeviceId), 1) << round;
        FrameCollector frames;
        LostSignal lost;
        IC_SetCallbacks(grabber, FrameCollector::Callback, &frames, LostSignal::Callback, &lost);
        IC_EnableTrigger(grabber, 0);
        ASSERT_EQ(IC_StartLive(grabber, 0), 1);
        ASSERT_TRUE(frames.WaitForFrames(5, 5s));

        fake.reset();  // the camera goes away mid-stream
        ASSERT_TRUE(lost.WaitFor(1, kLossTimeout)) << round;
        EXPECT_EQ(lost.handle, grabber);
        EXPECT_LT(IC_SoftwareTrigger(grabber), 1);

        const auto start = std::chrono::steady_clock::now();
        IC_StopLive(grabber);
        IC_CloseVideoCaptureDevice(grabber);
        frames.MarkStopped();
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
        EXPECT_FALSE(lost.WaitFor(2, 1s));  // once only
        EXPECT_EQ(frames.FramesAfterStop(), 0u);
    }
    IC_ReleaseGrabber(&grabber);
    IC_CloseLibrary();  // waits for the background teardowns
}
