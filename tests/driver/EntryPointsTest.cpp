// Camera_Create and Camera_Delete, library initialisation, and destruction.

#include "DriverFixture.h"

TEST_F(DriverTest, LibraryIsInitialisedOnceUntilTheNextDelete)
{
    ASSERT_NE(Create(), nullptr);
    ICameraObject* second = Camera_Create(&param, &observer);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(capture_double::CallsStartingWith("IC_InitLibrary"), Calls{"IC_InitLibrary(null)"});

    Camera_Delete(second);
    ICameraObject* third = Camera_Create(&param, &observer);
    EXPECT_EQ(capture_double::CallsStartingWith("IC_InitLibrary").size(), 2u);
    Camera_Delete(third);
}

TEST_F(DriverTest, DeletingNullOnlyAsksForInitialisationAgain)
{
    ASSERT_NE(Create(), nullptr);
    capture_double::ClearCalls();
    Camera_Delete(nullptr);
    EXPECT_TRUE(capture_double::Calls().empty());
    EXPECT_TRUE(log.Messages().empty());
    ICameraObject* next = Camera_Create(&param, &observer);
    EXPECT_EQ(capture_double::Calls(), Calls{"IC_InitLibrary(null)"});
    Camera_Delete(next);
}

TEST_F(DriverTest, FailedInitialisationGivesNoObjectAndIsRetried)
{
    capture_double::CurrentScript().initResult = 0;
    EXPECT_EQ(Camera_Create(&param, &observer), nullptr);
    EXPECT_TRUE(log.Messages().empty());
    capture_double::CurrentScript().initResult = 1;
    EXPECT_NE(Create(), nullptr);
    EXPECT_EQ(capture_double::CallsStartingWith("IC_InitLibrary").size(), 2u);
}

TEST_F(DriverTest, NullRecordGivesNoObjectAndNoInitialisation)
{
    EXPECT_EQ(Camera_Create(nullptr, &observer), nullptr);
    EXPECT_EQ(Camera_Create(nullptr, nullptr), nullptr);
    EXPECT_TRUE(capture_double::Calls().empty());
}

TEST_F(DriverTest, NullObserverIsAcceptedAndFramesGoNowhere)
{
    camera = static_cast<CCameraGige*>(Camera_Create(&param, nullptr));
    ASSERT_NE(camera, nullptr);
    ASSERT_EQ(camera->IOpenCamera(), 1);
    unsigned char pixel = 1;
    capture_double::FireFrame(camera->grabber, &pixel, 1);
    EXPECT_EQ(camera->imageData, nullptr);
}

TEST_F(DriverTest, DestroyingAFreshObjectOnlyWritesItsMessage)
{
    Create();
    capture_double::ClearCalls();
    Camera_Delete(camera);
    camera = nullptr;
    EXPECT_EQ(log.Messages(), std::vector<LoggedMessage>{Debug("~CCameraGige")});
    EXPECT_TRUE(capture_double::Calls().empty());
}

TEST_F(DriverTest, DestroyingAGrabbingObjectStopsClosesAndReleasesTheDevice)
{
    CreateOpen();
    ASSERT_EQ(camera->IStartCamera(), 1);
    capture_double::ClearCalls();
    log.Clear();
    Camera_Delete(camera);
    camera = nullptr;
    EXPECT_EQ(log.Messages(), std::vector<LoggedMessage>{Debug("~CCameraGige")});
    EXPECT_EQ(capture_double::Calls(),
              (Calls{"IC_StopLive(G1)", "IC_CloseVideoCaptureDevice(G1)", "IC_ReleaseGrabber(G1)"}));
    EXPECT_EQ(capture_double::LiveGrabberCount(), 0);
}

TEST_F(DriverTest, DestroyingAfterAFailedOpenReleasesTheHandleOnly)
{
    capture_double::CurrentScript().openResult = 0;
    Create();
    EXPECT_EQ(camera->IOpenCamera(), 0);
    capture_double::ClearCalls();
    Camera_Delete(camera);
    camera = nullptr;
    EXPECT_EQ(capture_double::Calls(), Calls{"IC_ReleaseGrabber(G1)"});
    EXPECT_EQ(capture_double::LiveGrabberCount(), 0);
}

TEST_F(DriverTest, MessagesCarryNoSourceContext)
{
    CreateOpen();
    camera->IStartCamera();
    camera->ISnapImage();
    camera->ICloseCamera();
    ASSERT_FALSE(log.Messages().empty());
    for (const auto& message : log.Messages())
        EXPECT_FALSE(message.hasContext) << message;
}
