// Listing devices, opening one by its unique name, and closing it.

#include "DriverFixture.h"

TEST_F(DriverTest, ListHasOneEntryPerDeviceWithEmptyTextForANullName)
{
    Create();
    capture_double::CurrentScript().deviceNames = {std::string("GV01"), std::nullopt,
                                                   std::string("caf\xc3\xa9-2")};
    capture_double::ClearCalls();
    const QStringList names = camera->IGetCameraList();
    EXPECT_EQ(names, (QStringList{QStringLiteral("GV01"), QString(), QString::fromUtf8("caf\xc3\xa9-2")}));
    EXPECT_EQ(capture_double::Calls(),
              (Calls{"IC_GetDeviceCount()", "IC_GetUniqueNamefromList(0)", "IC_GetUniqueNamefromList(1)",
                     "IC_GetUniqueNamefromList(2)"}));
    EXPECT_FALSE(camera->opened);
    EXPECT_EQ(camera->grabber, nullptr);
    EXPECT_TRUE(log.Messages().empty());
}

TEST_F(DriverTest, ListIsEmptyWhenTheCountIsNotPositive)
{
    Create();
    for (int count : {0, -1, -5}) {
        capture_double::CurrentScript().deviceCount = count;
        EXPECT_TRUE(camera->IGetCameraList().isEmpty()) << count;
    }
    EXPECT_TRUE(capture_double::CallsStartingWith("IC_GetUniqueNamefromList").empty());
}

TEST_F(DriverTest, ListReadsNamesThatAreNotValidUtf8WithoutHarm)
{
    Create();
    capture_double::CurrentScript().deviceNames = {std::string("bad\xff\xfe")};
    const QStringList names = camera->IGetCameraList();
    ASSERT_EQ(names.size(), 1);
    EXPECT_TRUE(names[0].startsWith(QStringLiteral("bad")));
}

TEST_F(DriverTest, OpenPreparesTheDeviceInOrder)
{
    Create();
    capture_double::ClearCalls();
    ASSERT_EQ(camera->IOpenCamera(), 1);
    EXPECT_EQ(capture_double::Calls(),
              (Calls{"IC_CreateGrabber()", "IC_OpenDevByUniqueName(G1,cam-A)", "IC_SetCallbacks(G1)",
                     "IC_EnableAutoCameraProperty(G1,4,0)", "IC_CameraPropertyGetRange(G1,4)",
                     "IC_SetCameraProperty(G1,4,5000)", "IC_EnableAutoVideoProperty(G1,9,0)",
                     "IC_VideoPropertyGetRange(G1,9)", "IC_SetVideoProperty(G1,9,10)", "IC_SetFormat(G1,0)"}));
    EXPECT_TRUE(camera->opened);
    EXPECT_EQ(camera->pixelFormat, PixelFormat::GRAY8);
    EXPECT_EQ(log.Messages(), std::vector<LoggedMessage>{Debug("open gige device success")});

    capture_double::ClearCalls();
    log.Clear();
    EXPECT_EQ(camera->IOpenCamera(), 1);  // already open: nothing is re-applied
    EXPECT_TRUE(capture_double::Calls().empty());
    EXPECT_TRUE(log.Messages().empty());
}

TEST_F(DriverTest, PixelFormatsMapToCaptureFormats)
{
    const std::pair<int32_t, std::string> cases[] = {
        {PixelFormat::None, "5"},  {PixelFormat::GRAY8, "0"}, {PixelFormat::RGB24, "1"}, {PixelFormat::RGB32, "2"},
        {PixelFormat::GRAY16, "0"}, {PixelFormat::RGB48, "5"}, {PixelFormat::BGR24, "5"}, {PixelFormat::BGR32, "5"},
        {8, "5"},
    };
    Create();
    for (const auto& [format, code] : cases) {
        param.pixelFormat = format;
        ASSERT_EQ(camera->IOpenCamera(), 1);
        const Calls formats = capture_double::CallsStartingWith("IC_SetFormat");
        ASSERT_FALSE(formats.empty());
        EXPECT_EQ(formats.back(), "IC_SetFormat(G" + std::to_string(formats.size()) + "," + code + ")") << format;
        EXPECT_EQ(camera->pixelFormat, format);
        camera->ICloseCamera();
    }
}

TEST_F(DriverTest, FailedOpenKeepsTheHandleForTheNextTry)
{
    capture_double::CurrentScript().openResult = 0;
    param.cameraName = QStringLiteral("nope");
    Create();
    capture_double::ClearCalls();
    EXPECT_EQ(camera->IOpenCamera(), 0);
    EXPECT_EQ(log.Messages(), std::vector<LoggedMessage>{Debug("open device fail, device name:nope")});
    EXPECT_FALSE(camera->opened);
    ASSERT_NE(camera->grabber, nullptr);

    capture_double::ClearCalls();
    camera->ICloseCamera();  // handle only: stop, but nothing to close
    EXPECT_EQ(capture_double::Calls(), Calls{"IC_StopLive(G1)"});
    EXPECT_NE(camera->grabber, nullptr);

    capture_double::CurrentScript().openResult = 1;
    param.cameraName = QStringLiteral("cam-A");
    capture_double::ClearCalls();
    EXPECT_EQ(camera->IOpenCamera(), 1);
    EXPECT_TRUE(capture_double::CallsStartingWith("IC_CreateGrabber").empty());
    EXPECT_EQ(capture_double::CallsStartingWith("IC_OpenDev"), Calls{"IC_OpenDevByUniqueName(G1,cam-A)"});
}

TEST_F(DriverTest, HandleThatCannotBeMadeFailsTheOpen)
{
    capture_double::CurrentScript().createReturnsNull = true;
    Create();
    EXPECT_EQ(camera->IOpenCamera(), 0);
    EXPECT_EQ(log.Messages(), std::vector<LoggedMessage>{Debug("create grabber fail")});
    EXPECT_TRUE(capture_double::CallsStartingWith("IC_OpenDev").empty());
}

TEST_F(DriverTest, OpenWithoutARecordFailsSilently)
{
    Create();
    camera->param = nullptr;
    capture_double::ClearCalls();
    EXPECT_EQ(camera->IOpenCamera(), 0);
    EXPECT_TRUE(capture_double::Calls().empty());
    EXPECT_TRUE(log.Messages().empty());
    camera->param = &param;
}

TEST_F(DriverTest, UnusualNamesReachTheLibraryAndFailCleanly)
{
    capture_double::CurrentScript().openResult = 0;
    Create();
    const std::string longName(4096, 'x');
    // The name goes into the message as Latin-1 bytes, which Qt's formatter
    // reads as UTF-8: a non-ASCII letter shows as U+FFFD.
    const std::pair<QString, std::string> cases[] = {
        {QString(), ""},
        {QString::fromStdString(longName), longName},
        {QString::fromUtf8("Kamera-\xc3\xbc"), "Kamera-\xef\xbf\xbd"},
    };
    for (const auto& [name, shown] : cases) {
        param.cameraName = name;
        capture_double::ClearCalls();
        log.Clear();
        EXPECT_EQ(camera->IOpenCamera(), 0);
        const Calls opens = capture_double::CallsStartingWith("IC_OpenDev");
        ASSERT_EQ(opens.size(), 1u);
        EXPECT_EQ(opens[0], "IC_OpenDevByUniqueName(G1," + std::string(name.toLocal8Bit().constData()) + ")");
        EXPECT_EQ(log.Texts(), std::vector<std::string>{"open device fail, device name:" + shown});
    }
}

TEST_F(DriverTest, CloseOfAFreshObjectOnlyWritesItsMessage)
{
    Create();
    capture_double::ClearCalls();
    camera->ICloseCamera();
    EXPECT_TRUE(capture_double::Calls().empty());
    EXPECT_EQ(log.Messages(), std::vector<LoggedMessage>{Debug("ICloseCamera")});
}

TEST_F(DriverTest, CloseOfAGrabbingObjectStopsTwiceThenClosesAndReleases)
{
    CreateOpen();
    camera->IStartCamera();
    capture_double::ClearCalls();
    log.Clear();
    camera->ICloseCamera();
    EXPECT_EQ(capture_double::Calls(), (Calls{"IC_StopLive(G1)", "IC_StopLive(G1)", "IC_CloseVideoCaptureDevice(G1)",
                                              "IC_ReleaseGrabber(G1)"}));
    EXPECT_FALSE(camera->opened);
    EXPECT_FALSE(camera->grabbing);
    EXPECT_EQ(camera->activeMode, 0);
    EXPECT_EQ(camera->grabber, nullptr);
    EXPECT_EQ(capture_double::LiveGrabberCount(), 0);
    EXPECT_EQ(log.Messages(), std::vector<LoggedMessage>{Debug("ICloseCamera")});
}

TEST_F(DriverTest, EachOpenAfterACloseMakesANewHandle)
{
    CreateOpen();
    camera->ICloseCamera();
    ASSERT_EQ(camera->IOpenCamera(), 1);
    EXPECT_EQ(capture_double::CallsStartingWith("IC_CreateGrabber").size(), 1u);
    EXPECT_EQ(capture_double::CallsStartingWith("IC_OpenDev"), Calls{"IC_OpenDevByUniqueName(G2,cam-A)"});
    EXPECT_EQ(capture_double::LiveGrabberCount(), 1);
}

// When the camera keeps another format than the one asked for, the object
// says what is delivered; the host's record stays as the host wrote it.
TEST_F(DriverTest, RefusedFormatLeavesTheObjectDescribingWhatIsDelivered)
{
    const struct {
        const char* name;
        int32_t requested;
        int setFormatResult;
        int cameraFormat;
        int descriptionResult;
        int32_t bits;
        int32_t pixelFormat;
        int32_t bitsPerPixel;
    } cases[] = {
        {"accepted", PixelFormat::RGB24, 1, IC_FORMAT_Y800, 1, 24, PixelFormat::RGB24, 24},
        {"Bayer camera asked for RGB24", PixelFormat::RGB24, IC_NOT_AVAILABLE, IC_FORMAT_KEEP, 1, 8, PixelFormat::None, 8},
        {"gray camera asked for RGB32", PixelFormat::RGB32, IC_NOT_AVAILABLE, IC_FORMAT_Y800, 1, 8, PixelFormat::GRAY8, 8},
        {"16-bit camera asked for GRAY8", PixelFormat::GRAY8, IC_ERROR, IC_FORMAT_Y16, 1, 16, PixelFormat::GRAY16, 16},
        {"no description either", PixelFormat::RGB24, IC_ERROR, IC_FORMAT_Y800, 0, 8, PixelFormat::None, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        auto& script = capture_double::CurrentScript();
        script.setFormatResult = c.setFormatResult;
        script.cameraFormat = c.cameraFormat;
        script.descriptionResult = c.descriptionResult;
        script.bitsPerPixel = c.bits;
        param.pixelFormat = c.requested;
        Create();
        ASSERT_EQ(camera->IOpenCamera(), 1);
        EXPECT_EQ(camera->pixelFormat, c.pixelFormat);
        EXPECT_EQ(camera->bitsPerPixel, c.bitsPerPixel);
        EXPECT_EQ(param.pixelFormat, c.requested);
        TearDown();
    }
}
