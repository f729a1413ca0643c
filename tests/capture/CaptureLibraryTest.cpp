// The Aravis capture library against Aravis's GigE Vision fake camera on
// loopback (run inside a private network namespace).

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "TisAravisInspect.h"
#include "tisgrabber.h"
#include "support/FrameCollector.h"
#include "support/GvFakeCamera.h"

using namespace std::chrono_literals;

namespace {

constexpr auto kFrameTimeout = 5s;

class CaptureLibrary : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake = std::make_unique<GvFakeCamera>(Preset());
        ASSERT_TRUE(fake->Running());
        ASSERT_EQ(IC_InitLibrary(nullptr), 1);
        grabber = IC_CreateGrabber();
        ASSERT_NE(grabber, nullptr);
    }
    void TearDown() override
    {
        IC_ReleaseGrabber(&grabber);
        fake.reset();
    }
    virtual GvFakeCamera::Preset Preset() { return GvFakeCamera::Preset{64, 48, 10000, true}; }

    void OpenFake()
    {
        ASSERT_GT(IC_GetDeviceCount(), 0);
        ASSERT_EQ(IC_OpenDevByUniqueName(grabber, GvFakeCamera::kDeviceId), 1);
    }

    std::unique_ptr<GvFakeCamera> fake;
    HGRABBER grabber = nullptr;
};

}  // namespace

TEST_F(CaptureLibrary, EnumerationFindsTheCameraByItsId)
{
    const int count = IC_GetDeviceCount();
    ASSERT_GE(count, 1);
    bool found = false;
    for (int i = 0; i < count; ++i)
        found = found || std::string(IC_GetUniqueNamefromList(i)) == GvFakeCamera::kDeviceId;
    EXPECT_TRUE(found);
    EXPECT_EQ(IC_GetUniqueNamefromList(count), nullptr);
    EXPECT_EQ(IC_GetUniqueNamefromList(-1), nullptr);
}

TEST_F(CaptureLibrary, WrongNamesFailAndTheHandleStillOpensTheRightOne)
{
    IC_GetDeviceCount();
    for (const char* name : {static_cast<const char*>(nullptr), "", "Aravis-Fake-NOPE"})
        EXPECT_LT(IC_OpenDevByUniqueName(grabber, name), 1) << (name ? name : "null");
    int32_t width = -1, height = -1, bits = -1;
    int format = -1;
    EXPECT_EQ(IC_GetImageDescription(grabber, &width, &height, &bits, &format), 0);
    EXPECT_EQ(width, -1);  // left alone without a camera
    EXPECT_EQ(IC_StartLive(grabber, 0), 0);
    EXPECT_EQ(IC_OpenDevByUniqueName(grabber, GvFakeCamera::kDeviceId), 1);
}

TEST_F(CaptureLibrary, CameraControlledElsewhereRefusesUntilReleased)
{
    OpenFake();
    HGRABBER second = IC_CreateGrabber();
    EXPECT_LT(IC_OpenDevByUniqueName(second, GvFakeCamera::kDeviceId), 1);
    IC_CloseVideoCaptureDevice(grabber);
    EXPECT_EQ(IC_OpenDevByUniqueName(second, GvFakeCamera::kDeviceId), 1);  // the same handle, again
    IC_ReleaseGrabber(&second);
}

TEST_F(CaptureLibrary, EveryOperationRefusesNullUnknownAndReleasedHandles)
{
    HGRABBER released = IC_CreateGrabber();
    HGRABBER copy = released;
    IC_ReleaseGrabber(&released);
    EXPECT_EQ(released, nullptr);
    IC_ReleaseGrabber(&released);  // again: harmless
    IC_ReleaseGrabber(nullptr);
    int anchor = 0;
    const HGRABBER bad[] = {nullptr, copy, reinterpret_cast<HGRABBER>(&anchor)};
    for (HGRABBER h : bad) {
        int32_t a = 0, b = 0, c = 0;
        int f = 0;
        EXPECT_LT(IC_OpenDevByUniqueName(h, GvFakeCamera::kDeviceId), 1);
        EXPECT_LT(IC_SetCallbacks(h, FrameCollector::Callback, nullptr, nullptr, nullptr), 1);
        EXPECT_LT(IC_SetFormat(h, 0), 1);
        EXPECT_LT(IC_GetImageDescription(h, &a, &b, &c, &f), 1);
        EXPECT_LT(IC_EnableTrigger(h, 1), 1);
        EXPECT_LT(IC_SetContinuousMode(h, 0), 1);
        EXPECT_LT(IC_StartLive(h, 0), 1);
        EXPECT_LT(IC_SoftwareTrigger(h), 1);
        EXPECT_LT(IC_EnableAutoCameraProperty(h, 4, 1), 1);
        EXPECT_LT(IC_CameraPropertyGetRange(h, 4, &a, &b), 1);
        EXPECT_LT(IC_SetCameraProperty(h, 4, 100), 1);
        EXPECT_LT(IC_EnableAutoVideoProperty(h, 9, 1), 1);
        EXPECT_LT(IC_VideoPropertyGetRange(h, 9, &a, &b), 1);
        EXPECT_LT(IC_SetVideoProperty(h, 9, 1), 1);
        IC_StopLive(h);
        IC_CloseVideoCaptureDevice(h);
    }
    // An open handle without live acquisition: no trigger, and unknown properties refused.
    OpenFake();
    EXPECT_EQ(IC_SoftwareTrigger(grabber), 0);
    int32_t a = 0, b = 0;
    EXPECT_LT(IC_CameraPropertyGetRange(grabber, 5, &a, &b), 1);
    EXPECT_LT(IC_SetVideoProperty(grabber, 4, 1), 1);
    IC_StopLive(grabber);  // not live: harmless
}

struct FormatCase {
    int code;
    int32_t bits;
    int reportedCode;
    bool converted;  // RGB32 comes from the camera's RGB8
};

TEST_F(CaptureLibrary, EachFormatIsDescribedAndDeliveredAsDocumented)
{
    const FormatCase cases[] = {
        {IC_FORMAT_Y800, 8, IC_FORMAT_Y800, false},
        {IC_FORMAT_RGB24, 24, IC_FORMAT_RGB24, false},
        {IC_FORMAT_RGB32, 32, IC_FORMAT_RGB32, true},
        {IC_FORMAT_Y16, 16, IC_FORMAT_Y16, false},
        {IC_FORMAT_KEEP, 16, IC_FORMAT_Y16, false},  // keeps what the last case set
    };
    OpenFake();
    for (const auto& c : cases) {
        ASSERT_EQ(IC_SetFormat(grabber, c.code), 1) << c.code;
        int32_t width = 0, height = 0, bits = 0;
        int format = -1;
        ASSERT_EQ(IC_GetImageDescription(grabber, &width, &height, &bits, &format), 1);
        EXPECT_EQ(width, 64);
        EXPECT_EQ(height, 48);
        EXPECT_EQ(bits, c.bits) << c.code;
        EXPECT_EQ(format, c.reportedCode) << c.code;

        const size_t frameBytes = static_cast<size_t>(width) * height * bits / 8;
        FrameCollector frames(frameBytes);
        IC_SetCallbacks(grabber, FrameCollector::Callback, &frames, nullptr, nullptr);
        ASSERT_EQ(IC_EnableTrigger(grabber, 0), 1);
        ASSERT_EQ(IC_StartLive(grabber, 0), 1);
        ASSERT_TRUE(frames.WaitForFrames(1, kFrameTimeout)) << c.code;
        IC_StopLive(grabber);

        std::vector<uint8_t> expected;
        const auto delivered = frames.LastBytes();
        ASSERT_FALSE(delivered.empty());
        const uint8_t stamp = delivered[0];  // the frame's own stamp; every other byte must follow it
        if (!c.converted) {
            expected = GvFakeCamera::Pattern(frameBytes, stamp);
        } else {  // RGB8 -> R, G, B, 255
            const auto rgb = GvFakeCamera::Pattern(frameBytes / 4 * 3, stamp);
            for (size_t i = 0; i < rgb.size(); i += 3)
                expected.insert(expected.end(), {rgb[i], rgb[i + 1], rgb[i + 2], 255});
        }
        EXPECT_EQ(delivered, expected) << c.code;
    }
    EXPECT_LT(IC_SetFormat(grabber, 3), 1);  // not a format code
}

TEST_F(CaptureLibrary, NativeFramesAreTheStreamBuffersThemselves)
{
    OpenFake();
    for (const int format : {IC_FORMAT_Y800, IC_FORMAT_Y16, IC_FORMAT_RGB24}) {  // Mono8, Mono16, RGB8
    SCOPED_TRACE(format);
    ASSERT_EQ(IC_SetFormat(grabber, format), 1);
    std::atomic<int> identical{0}, frames{0};
    struct Probe {
        std::atomic<int>* identical;
        std::atomic<int>* frames;
    } probe{&identical, &frames};
    auto callback = [](HGRABBER h, unsigned char* data, uint32_t, void* user) {
        auto* p = static_cast<Probe*>(user);
        *p->identical += TisAravisInspect_IsStreamBuffer(h, data);
        ++*p->frames;
    };
    IC_SetCallbacks(grabber, callback, &probe, nullptr, nullptr);
    IC_EnableTrigger(grabber, 0);
    ASSERT_EQ(IC_StartLive(grabber, 0), 1);
    const auto deadline = std::chrono::steady_clock::now() + kFrameTimeout;
    while (frames < 5 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    IC_StopLive(grabber);
    ASSERT_GE(frames.load(), 5);
    EXPECT_EQ(identical.load(), frames.load());
    }
}

// Frames the library does not deliver are counted by cause: a region change
// behind the library's back makes frames of another size, which are dropped
// as mismatched, not delivered and not lumped with failed buffers.
TEST_F(CaptureLibrary, UndeliveredFramesAreCountedByCause)
{
    OpenFake();
    FrameCollector frames;
    IC_SetCallbacks(grabber, FrameCollector::Callback, &frames, nullptr, nullptr);
    IC_EnableTrigger(grabber, 0);
    ASSERT_EQ(IC_StartLive(grabber, 0), 1);
    ASSERT_TRUE(frames.WaitForFrames(5, kFrameTimeout));
    arv_fake_camera_write_register(fake->Camera(), ARV_FAKE_CAMERA_REGISTER_WIDTH, 32);
    TisAravisFrameCounters counters{};
    const auto deadline = std::chrono::steady_clock::now() + kFrameTimeout;
    while (counters.mismatched < 3 && std::chrono::steady_clock::now() < deadline) {
        ASSERT_EQ(TisAravisInspect_FrameCounters(grabber, &counters), 1);
        std::this_thread::yield();
    }
    IC_StopLive(grabber);
    ASSERT_EQ(TisAravisInspect_FrameCounters(grabber, &counters), 1);
    EXPECT_GE(counters.mismatched, 3u);
    EXPECT_EQ(counters.delivered, frames.Count());
    EXPECT_EQ(counters.failed, 0u);
    EXPECT_EQ(counters.shortPayload, 0u);
    EXPECT_EQ(TisAravisInspect_FrameCounters(grabber, nullptr), IC_ERROR);
    EXPECT_EQ(TisAravisInspect_FrameCounters(nullptr, &counters), IC_NO_HANDLE);
}

TEST_F(CaptureLibrary, ExposureAndGainReachTheCameraAndOutOfRangeIsRefused)
{
    OpenFake();
    int32_t min = 0, max = 0;
    ASSERT_EQ(IC_CameraPropertyGetRange(grabber, 4, &min, &max), 1);
    EXPECT_EQ(min, 10);
    EXPECT_EQ(max, 10000000);
    EXPECT_EQ(IC_SetCameraProperty(grabber, 4, 2500), 1);
    EXPECT_EQ(fake->ReadRegister(ARV_FAKE_CAMERA_REGISTER_EXPOSURE_TIME_US), 2500u);
    EXPECT_LT(IC_SetCameraProperty(grabber, 4, 5), 1);
    EXPECT_LT(IC_SetCameraProperty(grabber, 4, INT32_MAX), 1);
    EXPECT_EQ(fake->ReadRegister(ARV_FAKE_CAMERA_REGISTER_EXPOSURE_TIME_US), 2500u);
    EXPECT_LT(IC_EnableAutoCameraProperty(grabber, 4, 1), 1);  // the fake camera has no ExposureAuto

    ASSERT_EQ(IC_VideoPropertyGetRange(grabber, 9, &min, &max), 1);
    EXPECT_EQ(min, 0);
    EXPECT_EQ(max, 10);
    EXPECT_EQ(IC_EnableAutoVideoProperty(grabber, 9, 0), 1);
    EXPECT_EQ(IC_SetVideoProperty(grabber, 9, 7), 1);
    EXPECT_EQ(fake->ReadRegister(ARV_FAKE_CAMERA_REGISTER_GAIN_RAW), 7u);
    EXPECT_LT(IC_SetVideoProperty(grabber, 9, 11), 1);
    EXPECT_LT(IC_SetVideoProperty(grabber, 9, -1), 1);
    EXPECT_EQ(fake->ReadRegister(ARV_FAKE_CAMERA_REGISTER_GAIN_RAW), 7u);
}

TEST_F(CaptureLibrary, SoftwareTriggerGivesExactlyOneFramePerTrigger)
{
    OpenFake();
    FrameCollector frames;
    IC_SetCallbacks(grabber, FrameCollector::Callback, &frames, nullptr, nullptr);
    ASSERT_EQ(IC_EnableTrigger(grabber, 1), 1);
    ASSERT_EQ(IC_SetContinuousMode(grabber, 0), 1);
    ASSERT_EQ(IC_StartLive(grabber, 0), 1);
    // At 100 frames per second a free-running camera would have sent several by now.
    EXPECT_FALSE(frames.WaitForFrames(1, 300ms));
    for (size_t n = 1; n <= 5; ++n) {
        ASSERT_EQ(IC_SoftwareTrigger(grabber), 1);
        ASSERT_TRUE(frames.WaitForFrames(n, kFrameTimeout)) << n;
    }
    EXPECT_FALSE(frames.WaitForFrames(6, 300ms));
    const auto numbers = frames.Numbers();
    for (size_t i = 1; i < numbers.size(); ++i)
        EXPECT_EQ(numbers[i], numbers[i - 1] + 1);  // no gap: none lost

    ASSERT_EQ(IC_EnableTrigger(grabber, 0), 1);  // during live: frames run free
    EXPECT_TRUE(frames.WaitForFrames(15, kFrameTimeout));
    IC_StopLive(grabber);
    EXPECT_EQ(IC_SoftwareTrigger(grabber), 0);
}

TEST_F(CaptureLibrary, NoCallbackRunsAfterStopOrCloseReturns)
{
    OpenFake();
    FrameCollector frames;
    frames.SetLinger(50ms);
    IC_SetCallbacks(grabber, FrameCollector::Callback, &frames, nullptr, nullptr);
    for (int round = 0; round < 20; ++round) {
        const bool closes = round % 2 == 1;  // odd rounds close, even rounds only stop
        if (round > 0 && !closes)
            ASSERT_EQ(IC_OpenDevByUniqueName(grabber, GvFakeCamera::kDeviceId), 1);
        frames.Resume();
        const size_t before = frames.Count();
        IC_EnableTrigger(grabber, 0);
        ASSERT_EQ(IC_StartLive(grabber, 0), 1);
        ASSERT_TRUE(frames.WaitForFrames(before + 3, kFrameTimeout)) << round;
        if (!closes)
            IC_StopLive(grabber);
        else
            IC_CloseVideoCaptureDevice(grabber);
        EXPECT_FALSE(frames.Inside()) << "returned while a callback still ran, round " << round;
        frames.MarkStopped();
    }
    // Frames arriving now would have had to start after stop or close returned.
    EXPECT_FALSE(frames.WaitForFrames(frames.Count() + 1, 200ms));
    EXPECT_EQ(frames.FramesAfterStop(), 0u);
}

TEST_F(CaptureLibrary, StopFromInsideTheFrameCallbackDoesNotDeadlock)
{
    OpenFake();
    struct Stopper {
        std::atomic<int> calls{0};
        FrameCollector done;
    } stopper;
    auto callback = [](HGRABBER h, unsigned char* data, uint32_t number, void* user) {
        auto* s = static_cast<Stopper*>(user);
        if (s->calls++ == 0)
            IC_StopLive(h);
        FrameCollector::Callback(h, data, number, &s->done);
    };
    IC_SetCallbacks(grabber, callback, &stopper, nullptr, nullptr);
    IC_EnableTrigger(grabber, 0);
    ASSERT_EQ(IC_StartLive(grabber, 0), 1);
    ASSERT_TRUE(stopper.done.WaitForFrames(1, kFrameTimeout));
    EXPECT_FALSE(stopper.done.WaitForFrames(2, 300ms));
    EXPECT_EQ(stopper.calls.load(), 1);
    ASSERT_EQ(IC_StartLive(grabber, 0), 1);  // and the handle goes live again
    EXPECT_TRUE(stopper.done.WaitForFrames(2, kFrameTimeout));
    IC_CloseVideoCaptureDevice(grabber);
}

TEST_F(CaptureLibrary, ReleasingALiveHandleStopsAndClosesIt)
{
    OpenFake();
    FrameCollector frames;
    IC_SetCallbacks(grabber, FrameCollector::Callback, &frames, nullptr, nullptr);
    IC_EnableTrigger(grabber, 0);
    ASSERT_EQ(IC_StartLive(grabber, 0), 1);
    ASSERT_TRUE(frames.WaitForFrames(2, kFrameTimeout));
    IC_ReleaseGrabber(&grabber);
    frames.MarkStopped();
    EXPECT_EQ(grabber, nullptr);
    // The camera is free again for another handle.
    HGRABBER second = IC_CreateGrabber();
    EXPECT_EQ(IC_OpenDevByUniqueName(second, GvFakeCamera::kDeviceId), 1);
    IC_ReleaseGrabber(&second);
    EXPECT_EQ(frames.FramesAfterStop(), 0u);
}
