// Frames and device loss reported by the capture library, on its own thread.

#include <QRegularExpression>

#include "DriverFixture.h"

namespace {
bool IsFrameMessage(const LoggedMessage& message)
{
    static const QRegularExpression pattern(QStringLiteral("^Gige image get: \\d{13,}$"));
    return message.type == QtDebugMsg && pattern.match(QString::fromStdString(message.text)).hasMatch();
}
}  // namespace

TEST_F(DriverTest, FrameOnTheLibraryThreadReachesTheObserverWithItsDescription)
{
    capture_double::CurrentScript().width = 4;
    capture_double::CurrentScript().height = 2;
    CreateLive();
    unsigned char pixels[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    capture_double::FireFrameOnOwnThread(camera->grabber, pixels, 41);

    const auto frames = observer.Frames();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].camera, camera);
    EXPECT_EQ(frames[0].data, pixels);  // the library's buffer, not a copy
    EXPECT_EQ(frames[0].width, 4);
    EXPECT_EQ(frames[0].height, 2);
    EXPECT_EQ(frames[0].bitsPerPixel, 8);
    EXPECT_EQ(frames[0].pixelFormat, PixelFormat::GRAY8);
    EXPECT_EQ(frames[0].frameNumber, 41u);
    EXPECT_EQ(capture_double::Calls(), Calls{"IC_GetImageDescription(G1)"});
    ASSERT_EQ(log.Messages().size(), 1u);
    EXPECT_TRUE(IsFrameMessage(log.Messages()[0])) << log.Messages()[0];
}

TEST_F(DriverTest, DescriptionIsAskedUntilAllThreeValuesAreKnown)
{
    capture_double::CurrentScript().descriptionResult = 0;
    CreateLive();
    unsigned char pixel = 0;
    capture_double::FireFrame(camera->grabber, &pixel, 1);
    capture_double::CurrentScript().descriptionResult = 1;
    capture_double::FireFrame(camera->grabber, &pixel, 2);
    capture_double::FireFrame(camera->grabber, &pixel, 3);
    EXPECT_EQ(capture_double::Calls().size(), 2u);  // frames 1 and 2 asked, 3 did not
    EXPECT_EQ(observer.Frames().size(), 3u);
    EXPECT_EQ(observer.Frames()[0].width, 0);
    EXPECT_EQ(observer.Frames()[2].width, 640);
}

TEST_F(DriverTest, ReopeningWithAnotherFormatReadsTheDescriptionAgain)
{
    CreateLive();
    unsigned char pixel = 0;
    capture_double::FireFrame(camera->grabber, &pixel, 1);
    camera->ICloseCamera();

    param.pixelFormat = PixelFormat::RGB32;
    capture_double::CurrentScript().bitsPerPixel = 32;
    capture_double::CurrentScript().width = 320;
    ASSERT_EQ(camera->IOpenCamera(), 1);
    EXPECT_EQ(camera->width, 0);
    EXPECT_EQ(camera->bitsPerPixel, 32);
    ASSERT_EQ(camera->IStartCamera(), 1);
    capture_double::FireFrame(camera->grabber, &pixel, 1);
    EXPECT_EQ(observer.Frames().back().bitsPerPixel, 32);
    EXPECT_EQ(observer.Frames().back().width, 320);
}

TEST_F(DriverTest, FramesThatCannotBeDeliveredOnlyWriteTheirMessage)
{
    CreateOpen();
    unsigned char pixel = 0;

    // A frame for another handle.
    FrameReadyCallback(reinterpret_cast<HGRABBER>(0x1234), &pixel, 5, camera);
    // No parameter record.
    camera->param = nullptr;
    FrameReadyCallback(camera->grabber, &pixel, 6, camera);
    camera->param = &param;

    EXPECT_TRUE(observer.Frames().empty());
    EXPECT_TRUE(capture_double::Calls().empty());
    ASSERT_EQ(log.Messages().size(), 2u);
    EXPECT_TRUE(IsFrameMessage(log.Messages()[0]));
    EXPECT_TRUE(IsFrameMessage(log.Messages()[1]));
}

TEST_F(DriverTest, FrameWithoutUserWritesNothing)
{
    CreateOpen();
    unsigned char pixel = 0;
    FrameReadyCallback(camera->grabber, &pixel, 1, nullptr);
    DeviceLostCallback(camera->grabber, nullptr);
    EXPECT_TRUE(log.Messages().empty());
    EXPECT_TRUE(observer.Frames().empty());
}

TEST_F(DriverTest, FrameIsDeliveredWhateverOpenedAndGrabbingSay)
{
    CreateLive();
    camera->opened = false;  // the callback consults neither flag
    camera->grabbing = false;
    unsigned char pixel = 0;
    capture_double::FireFrame(camera->grabber, &pixel, 9);
    camera->opened = true;
    camera->grabbing = true;
    EXPECT_EQ(observer.Frames().size(), 1u);
}

TEST_F(DriverTest, LostDeviceWritesAWarningWithItsNameAndChangesNothing)
{
    param.cameraName = QStringLiteral("GV01-line3");
    capture_double::CurrentScript().deviceNames = {std::string("GV01-line3")};
    CreateOpen();
    ASSERT_EQ(camera->IStartCamera(), 1);
    capture_double::ClearCalls();
    log.Clear();
    capture_double::FireDeviceLost(camera->grabber);
    EXPECT_EQ(log.Messages(),
              std::vector<LoggedMessage>{Warning("*****************************cam GV01-line3 lost : ")});
    EXPECT_TRUE(camera->opened);
    EXPECT_TRUE(camera->grabbing);
    EXPECT_NE(camera->grabber, nullptr);
    EXPECT_TRUE(capture_double::Calls().empty());
}

TEST_F(DriverTest, LostReportForAnotherHandleWritesNothing)
{
    CreateOpen();
    DeviceLostCallback(reinterpret_cast<HGRABBER>(0x1234), camera);
    EXPECT_TRUE(log.Messages().empty());
}

// Another tool (or a setting) shrinks the region between two starts: the
// first frame of the new start must describe itself afresh, or a host copying
// width x height x bpp reads past the library's buffer.
TEST_F(DriverTest, EveryStartReadsTheDescriptionFromItsFirstFrame)
{
    CreateLive();
    unsigned char pixel = 0;
    capture_double::FireFrame(camera->grabber, &pixel, 0);
    ASSERT_EQ(observer.Frames().back().width, 640);
    camera->IStopCamera();
    capture_double::CurrentScript().width = 320;
    ASSERT_EQ(camera->IStartCamera(), 1);
    capture_double::FireFrame(camera->grabber, &pixel, 0);
    EXPECT_EQ(observer.Frames().back().width, 320);
    EXPECT_EQ(capture_double::CallsStartingWith("IC_GetImageDescription").size(), 2u);
}
