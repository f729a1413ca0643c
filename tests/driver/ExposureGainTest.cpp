// Exposure and gain: at open, through ISetParameter, and catching up with the record.

#include <algorithm>

#include "DriverFixture.h"

namespace {
const Calls kExposure5000 = {"IC_EnableAutoCameraProperty(G1,4,0)", "IC_CameraPropertyGetRange(G1,4)",
                             "IC_SetCameraProperty(G1,4,5000)"};
const Calls kGain10 = {"IC_EnableAutoVideoProperty(G1,9,0)", "IC_VideoPropertyGetRange(G1,9)",
                       "IC_SetVideoProperty(G1,9,10)"};

Calls Concat(Calls a, const Calls& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

ParamChange Change(int32_t id, int32_t value) { return ParamChange{id, value}; }
}  // namespace

TEST_F(DriverTest, OpenAppliesExposureThenGainWithoutTouchingLastValues)
{
    Create();
    ASSERT_EQ(camera->IOpenCamera(), 1);
    // Right after the callbacks are registered, exposure then gain: the
    // sequence the cameras were qualified with (wherever the calls before it stand).
    const Calls all = capture_double::Calls();
    const auto callbacks = std::find(all.begin(), all.end(), "IC_SetCallbacks(G1)");
    ASSERT_NE(callbacks, all.end());
    ASSERT_GE(all.end() - callbacks, 7);
    EXPECT_EQ(Calls(callbacks + 1, callbacks + 7), Concat(kExposure5000, kGain10));
    EXPECT_EQ(camera->exposureMin, 1);
    EXPECT_EQ(camera->exposureMax, 1000000);
    EXPECT_EQ(camera->lastExposure, INT_MAX);
    EXPECT_EQ(camera->lastGain, INT_MAX);
}

struct GainCase {
    const char* name;
    int32_t value;
    capture_double::Range range;
    Calls expected;
};

TEST_F(DriverTest, GainIsSetOnlyWithinAKnownRange)
{
    const GainCase cases[] = {
        {"zero turns auto on", 0, {1, 0, 100}, {"IC_EnableAutoVideoProperty(G1,9,1)"}},
        {"inside", 10, {1, 0, 100}, kGain10},
        {"lower bound", 0 + 3, {1, 3, 100},
         {"IC_EnableAutoVideoProperty(G1,9,0)", "IC_VideoPropertyGetRange(G1,9)", "IC_SetVideoProperty(G1,9,3)"}},
        {"upper bound", 100, {1, 0, 100},
         {"IC_EnableAutoVideoProperty(G1,9,0)", "IC_VideoPropertyGetRange(G1,9)",
          "IC_SetVideoProperty(G1,9,100)"}},
        {"above", 101, {1, 0, 100}, {"IC_EnableAutoVideoProperty(G1,9,0)", "IC_VideoPropertyGetRange(G1,9)"}},
        {"negative below", -5, {1, 0, 100}, {"IC_EnableAutoVideoProperty(G1,9,0)", "IC_VideoPropertyGetRange(G1,9)"}},
        {"negative range", -5, {1, -10, 10},
         {"IC_EnableAutoVideoProperty(G1,9,0)", "IC_VideoPropertyGetRange(G1,9)", "IC_SetVideoProperty(G1,9,-5)"}},
        {"range unreadable", 10, {0, 0, 100},
         {"IC_EnableAutoVideoProperty(G1,9,0)", "IC_VideoPropertyGetRange(G1,9)"}},
        {"extreme", INT32_MIN, {1, INT32_MIN, INT32_MAX},
         {"IC_EnableAutoVideoProperty(G1,9,0)", "IC_VideoPropertyGetRange(G1,9)",
          "IC_SetVideoProperty(G1,9,-2147483648)"}},
    };
    CreateOpen();
    for (const auto& c : cases) {
        capture_double::CurrentScript().gainRange = c.range;
        capture_double::ClearCalls();
        const ParamChange change = Change(PARAM_GAIN, c.value);
        EXPECT_TRUE(camera->ISetParameter(&change)) << c.name;
        EXPECT_EQ(capture_double::Calls(), c.expected) << c.name;
        EXPECT_EQ(camera->lastGain, c.value) << c.name;
        EXPECT_EQ(param.gain, 10) << c.name << ": the record's gain is the host's";
    }
}

TEST_F(DriverTest, ExposureIsSentUncheckedAndZeroMeansAuto)
{
    CreateOpen();
    camera->exposureMin = -1;
    camera->exposureMax = -1;
    ParamChange change = Change(PARAM_EXPOSURE, 0);
    EXPECT_TRUE(camera->ISetParameter(&change));
    EXPECT_EQ(capture_double::Calls(), Calls{"IC_EnableAutoCameraProperty(G1,4,1)"});
    EXPECT_EQ(camera->exposureMin, -1);  // range not read for auto
    EXPECT_EQ(camera->exposureMax, -1);
    EXPECT_EQ(param.exposure, 0);
    EXPECT_EQ(camera->lastExposure, 0);

    capture_double::ClearCalls();
    change = Change(PARAM_EXPOSURE, 2000000000);  // far outside the range: passed on as is
    camera->ISetParameter(&change);
    EXPECT_EQ(capture_double::Calls(),
              (Calls{"IC_EnableAutoCameraProperty(G1,4,0)", "IC_CameraPropertyGetRange(G1,4)",
                     "IC_SetCameraProperty(G1,4,2000000000)"}));
    EXPECT_EQ(param.exposure, 2000000000);
}

TEST_F(DriverTest, CatchUpAppliesTheRecordOnceAfterOpen)
{
    CreateOpen();
    EXPECT_TRUE(camera->ISetParameter(nullptr));
    EXPECT_EQ(capture_double::Calls(), Concat(kExposure5000, kGain10));
    EXPECT_EQ(camera->lastExposure, 5000);
    EXPECT_EQ(camera->lastGain, 10);
    capture_double::ClearCalls();
    EXPECT_TRUE(camera->ISetParameter(nullptr));
    EXPECT_TRUE(capture_double::Calls().empty());
}

TEST_F(DriverTest, CatchUpSkipsAValueEqualToTheNoneMarker)
{
    param.exposure = INT_MAX;
    CreateOpen();
    camera->ISetParameter(nullptr);
    EXPECT_EQ(capture_double::Calls(), kGain10);
}

TEST_F(DriverTest, LastValuesSurviveCloseAndReopen)
{
    CreateOpen();
    camera->ISetParameter(nullptr);
    camera->ICloseCamera();
    ASSERT_EQ(camera->IOpenCamera(), 1);
    capture_double::ClearCalls();
    camera->ISetParameter(nullptr);
    EXPECT_TRUE(capture_double::Calls().empty());
}

TEST_F(DriverTest, GainChangeLeavesTheRecordSoCatchUpRestoresIt)
{
    param.gain = 3;
    CreateOpen();
    camera->ISetParameter(nullptr);
    const ParamChange change = Change(PARAM_GAIN, 5);
    camera->ISetParameter(&change);
    capture_double::ClearCalls();
    camera->ISetParameter(nullptr);
    EXPECT_EQ(capture_double::Calls(),
              (Calls{"IC_EnableAutoVideoProperty(G1,9,0)", "IC_VideoPropertyGetRange(G1,9)",
                     "IC_SetVideoProperty(G1,9,3)"}));
}

TEST_F(DriverTest, ExposureChangeUpdatesTheRecordSoCatchUpHasNothingToDo)
{
    CreateOpen();
    camera->ISetParameter(nullptr);
    const ParamChange change = Change(PARAM_EXPOSURE, 700);
    camera->ISetParameter(&change);
    EXPECT_EQ(param.exposure, 700);
    capture_double::ClearCalls();
    camera->ISetParameter(nullptr);
    EXPECT_TRUE(capture_double::Calls().empty());
}

TEST_F(DriverTest, UnknownParameterIdsAreAcceptedAndIgnored)
{
    CreateOpen();
    for (int32_t id : {0, 2, -1, 0x10001, INT32_MAX}) {
        const ParamChange change = Change(id, 42);
        EXPECT_TRUE(camera->ISetParameter(&change)) << id;
    }
    EXPECT_TRUE(capture_double::Calls().empty());
    EXPECT_EQ(param.exposure, 5000);
    EXPECT_EQ(camera->lastExposure, INT_MAX);
}

TEST_F(DriverTest, WithoutAHandleChangesReachOnlyTheRecord)
{
    Create();
    capture_double::ClearCalls();
    EXPECT_TRUE(camera->ISetParameter(nullptr));
    const ParamChange exposure = Change(PARAM_EXPOSURE, 321);
    const ParamChange gain = Change(PARAM_GAIN, 0);
    EXPECT_TRUE(camera->ISetParameter(&exposure));
    EXPECT_TRUE(camera->ISetParameter(&gain));
    EXPECT_TRUE(capture_double::Calls().empty());
    EXPECT_EQ(param.exposure, 321);
    EXPECT_EQ(camera->lastExposure, 321);
    EXPECT_EQ(camera->lastGain, 0);

    // The same after a close has dropped the handle.
    camera->IOpenCamera();
    camera->ICloseCamera();
    capture_double::ClearCalls();
    const ParamChange later = Change(PARAM_EXPOSURE, 99);
    EXPECT_TRUE(camera->ISetParameter(&later));
    EXPECT_TRUE(capture_double::Calls().empty());
    EXPECT_EQ(param.exposure, 99);
}
