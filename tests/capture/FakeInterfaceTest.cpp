// The in-process simulated camera (Aravis's Fake interface), selected through
// the library's own environment variable, which the test sets before the
// library first looks at it.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "tisgrabber.h"
#include "support/FrameCollector.h"

using namespace std::chrono_literals;

TEST(FakeInterface, ListsOnlyTheSimulatedCameraAndGrabsFromIt)
{
    ASSERT_STREQ(std::getenv("TISGRABBER_ARAVIS_INTERFACES"), "Fake");
    ASSERT_EQ(IC_InitLibrary(nullptr), 1);
    ASSERT_EQ(IC_GetDeviceCount(), 1);
    const std::string id = IC_GetUniqueNamefromList(0);
    EXPECT_EQ(id.rfind("Fake", 0), 0u) << id;

    HGRABBER grabber = IC_CreateGrabber();
    ASSERT_EQ(IC_OpenDevByUniqueName(grabber, id.c_str()), 1);
    ASSERT_EQ(IC_SetFormat(grabber, IC_FORMAT_RGB32), 1);
    int32_t width = 0, height = 0, bits = 0;
    int format = 0;
    ASSERT_EQ(IC_GetImageDescription(grabber, &width, &height, &bits, &format), 1);
    EXPECT_EQ(bits, 32);
    FrameCollector frames(size_t(width) * height * 4);
    IC_SetCallbacks(grabber, FrameCollector::Callback, &frames, nullptr, nullptr);
    ASSERT_EQ(IC_EnableTrigger(grabber, 1), 1);
    ASSERT_EQ(IC_StartLive(grabber, 0), 1);
    ASSERT_EQ(IC_SoftwareTrigger(grabber), 1);
    ASSERT_TRUE(frames.WaitForFrames(1, 5s));
    const auto bytes = frames.LastBytes();
    for (size_t i = 3; i < bytes.size(); i += 4)
        ASSERT_EQ(bytes[i], 255) << i;
    IC_ReleaseGrabber(&grabber);
}
