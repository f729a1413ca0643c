// Starting and stopping live acquisition in each mode, and software triggers.

#include <QRegularExpression>

#include "DriverFixture.h"

TEST_F(DriverTest, StartBeforeOpenIsRefusedSilently)
{
    Create();
    capture_double::ClearCalls();
    EXPECT_EQ(camera->IStartCamera(), 0);
    EXPECT_TRUE(capture_double::Calls().empty());
    EXPECT_TRUE(log.Messages().empty());
    EXPECT_EQ(camera->startCount, 0);
    EXPECT_FALSE(camera->grabbing);
}

struct ModeCase {
    int32_t requested;
    Calls trigger;  // trigger calls after IC_StartLive
};

TEST_F(DriverTest, StartAppliesTheRequestedMode)
{
    const ModeCase cases[] = {
        {ModeTriggerOn, {"IC_EnableTrigger(G1,1)"}},
        {ModeTriggerOff, {"IC_EnableTrigger(G1,0)"}},
        {ModeTriggerOffReset, {"IC_EnableTrigger(G1,0)"}},
        {0, {}},
        {7, {}},
        {-1, {}},
    };
    for (const auto& c : cases) {
        CreateOpen();
        camera->requestedMode = c.requested;
        camera->frameNumber = 99;
        EXPECT_EQ(camera->IStartCamera(), 1) << c.requested;
        Calls expected = {"IC_EnableTrigger(G1,1)", "IC_SetContinuousMode(G1,0)", "IC_StartLive(G1,0)"};
        expected.insert(expected.end(), c.trigger.begin(), c.trigger.end());
        EXPECT_EQ(capture_double::Calls(), expected) << c.requested;
        EXPECT_EQ(camera->activeMode, c.requested);
        EXPECT_TRUE(camera->grabbing);
        EXPECT_EQ(camera->startCount, 1);
        EXPECT_EQ(camera->frameNumber, c.requested == ModeTriggerOffReset ? 0u : 99u) << c.requested;
        EXPECT_EQ(log.Texts(), std::vector<std::string>{"start camera success"});
        camera->ICloseCamera();
        Camera_Delete(camera);
        camera = nullptr;
        capture_double::Reset(capture_double::CurrentScript());
    }
}

// A second start without a stop switches the trigger on again; in free run
// it must end switched off, or the camera silently stops sending frames.
TEST_F(DriverTest, RestartInTheSameModeEndsWithTheModesTrigger)
{
    const struct {
        int32_t mode;
        Calls calls;
    } cases[] = {
        {ModeTriggerOn, {"IC_EnableTrigger(G1,1)", "IC_SetContinuousMode(G1,0)", "IC_StartLive(G1,0)"}},
        {ModeTriggerOff,
         {"IC_EnableTrigger(G1,1)", "IC_SetContinuousMode(G1,0)", "IC_StartLive(G1,0)", "IC_EnableTrigger(G1,0)"}},
        {ModeTriggerOffReset,
         {"IC_EnableTrigger(G1,1)", "IC_SetContinuousMode(G1,0)", "IC_StartLive(G1,0)", "IC_EnableTrigger(G1,0)"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        SetUp();
        CreateOpen();
        camera->requestedMode = c.mode;
        camera->IStartCamera();
        capture_double::ClearCalls();
        EXPECT_EQ(camera->IStartCamera(), 1);  // no stop between
        EXPECT_EQ(capture_double::Calls(), c.calls);
        EXPECT_EQ(camera->startCount, 2);
        TearDown();
    }
}

TEST_F(DriverTest, StartCountGrowsWithEverySuccessfulStartOnly)
{
    CreateOpen();
    camera->IStartCamera();
    camera->IStopCamera();
    camera->IStartCamera();
    camera->IStartCamera();
    EXPECT_EQ(camera->startCount, 3);
    camera->ICloseCamera();
    EXPECT_EQ(camera->IStartCamera(), 0);
    EXPECT_EQ(camera->startCount, 3);
}

TEST_F(DriverTest, FailedStartLiveIsReportedAndChangesNoState)
{
    CreateOpen();
    capture_double::CurrentScript().startLiveResult = 0;
    camera->requestedMode = ModeTriggerOffReset;
    camera->frameNumber = 12;
    EXPECT_EQ(camera->IStartCamera(), 0);
    EXPECT_FALSE(camera->grabbing);
    EXPECT_EQ(camera->startCount, 0);
    EXPECT_EQ(camera->activeMode, 0);
    EXPECT_EQ(camera->frameNumber, 12u);
    EXPECT_EQ(log.Messages(), std::vector<LoggedMessage>{Debug("start camera fail")});
}

TEST_F(DriverTest, StopCallsTheLibraryOnlyWhenGrabbing)
{
    CreateOpen();
    camera->activeMode = 2;
    camera->IStopCamera();
    EXPECT_TRUE(capture_double::Calls().empty());
    EXPECT_EQ(camera->activeMode, 0);

    camera->IStartCamera();
    capture_double::ClearCalls();
    camera->IStopCamera();
    EXPECT_EQ(capture_double::Calls(), Calls{"IC_StopLive(G1)"});
    EXPECT_FALSE(camera->grabbing);
    EXPECT_EQ(camera->activeMode, 0);
}

TEST_F(DriverTest, SnapTriggersThroughAnyHandle)
{
    // Fresh: no handle, nothing happens.
    Create();
    capture_double::ClearCalls();
    camera->ISnapImage();
    EXPECT_TRUE(capture_double::Calls().empty());
    EXPECT_TRUE(log.Messages().empty());

    // Handle only (open failed): the trigger still goes through that handle.
    capture_double::CurrentScript().openResult = 0;
    camera->IOpenCamera();
    capture_double::ClearCalls();
    log.Clear();
    camera->ISnapImage();
    EXPECT_EQ(capture_double::Calls(), Calls{"IC_SoftwareTrigger(G1)"});
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_EQ(log.Messages()[0].type, QtDebugMsg);
    EXPECT_TRUE(QString::fromStdString(log.Messages()[0].text)
                    .contains(QRegularExpression(QStringLiteral("^Gige snap image: \\d{13,}$"))))
        << log.Messages()[0];

    // After closing an open device the handle is gone again.
    capture_double::CurrentScript().openResult = 1;
    camera->IOpenCamera();
    camera->ICloseCamera();
    capture_double::ClearCalls();
    log.Clear();
    camera->ISnapImage();
    EXPECT_TRUE(capture_double::Calls().empty());
    EXPECT_TRUE(log.Messages().empty());
}
