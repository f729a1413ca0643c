// The shared records, codes and name tables, and what a new camera object holds.

#include "DriverFixture.h"

namespace {

// Implements only what is pure, to see the interface's own answers.
class BaseAnswers : public ICameraObject {
public:
    explicit BaseAnswers(CameraParam* p) : ICameraObject(p, nullptr) {}
    int32_t IOpenCamera() override { return 0; }
    void ICloseCamera() override {}
    int32_t IStartCamera() override { return 0; }
    void IStopCamera() override {}
};

}  // namespace

TEST(NameTables, HoldEveryCodeAndOnlyThose)
{
    EXPECT_EQ(CameraTypeNames.size(), 14);
    EXPECT_EQ(CameraStateNames.size(), 6);
    EXPECT_EQ(PixelFormatNames.size(), 8);
    EXPECT_EQ(CameraTypeNames.value(120), QStringLiteral("Gige(120)"));
    EXPECT_EQ(CameraTypeNames.value(230), QStringLiteral("Dalsa(230)"));
    EXPECT_FALSE(CameraTypeNames.contains(210));
    EXPECT_EQ(CameraStateNames.value(3), QStringLiteral("Running"));
    EXPECT_EQ(PixelFormatNames.value(12), QStringLiteral("BGR32"));
    for (int code = 6; code <= 10; ++code)
        EXPECT_FALSE(PixelFormatNames.contains(code)) << code;
    // Every family text ends with its own code.
    for (auto it = CameraTypeNames.begin(); it != CameraTypeNames.end(); ++it)
        EXPECT_TRUE(it.value().endsWith(QStringLiteral("(%1)").arg(it.key()))) << it.value().toStdString();
}

TEST(BitsPerPixelOf, MapsEveryCode)
{
    const std::pair<int32_t, int32_t> cases[] = {{0, 0},  {1, 8},  {2, 24},  {3, 32},          {4, 16},
                                                 {5, 0},  {11, 0}, {12, 0},  {-1, 0},          {7, 0},
                                                 {INT32_MAX, 0}};
    for (auto [format, bits] : cases)
        EXPECT_EQ(BitsPerPixelOf(format), bits) << format;
}

TEST(BaseInterface, AnswersOfTheUnimplementedSlots)
{
    CameraParam record;
    BaseAnswers base(&record);
    EXPECT_TRUE(base.IGetCameraList().isEmpty());
    EXPECT_FALSE(base.IReserved7());
    EXPECT_FALSE(base.IReserved8());
    EXPECT_EQ(base.IReserved10(), 0);
    ParamChange change{PARAM_EXPOSURE, 1};
    EXPECT_FALSE(base.ISetParameter(&change));
    EXPECT_FALSE(base.IReserved12());
}

TEST_F(DriverTest, NewObjectHoldsTheInitialValuesAndTouchesNothing)
{
    param.pixelFormat = PixelFormat::RGB24;
    ASSERT_NE(Create(), nullptr);
    EXPECT_EQ(static_cast<ICameraObject*>(camera), static_cast<void*>(camera));
    EXPECT_EQ(camera->param, &param);
    EXPECT_FALSE(camera->opened);
    EXPECT_FALSE(camera->grabbing);
    EXPECT_EQ(camera->width, 0);
    EXPECT_EQ(camera->height, 0);
    EXPECT_EQ(camera->bitsPerPixel, 24);
    EXPECT_EQ(camera->pixelFormat, 0);  // taken from the record only at open
    EXPECT_EQ(camera->frameNumber, 0u);
    EXPECT_EQ(camera->startCount, 0);
    EXPECT_EQ(camera->activeMode, 0);
    EXPECT_EQ(camera->requestedMode, ModeTriggerOn);
    EXPECT_EQ(camera->imageData, nullptr);
    EXPECT_EQ(camera->observer, &observer);
    EXPECT_EQ(camera->frameObserver, &observer);
    EXPECT_EQ(camera->grabber, nullptr);
    EXPECT_EQ(camera->lastExposure, INT_MAX);
    EXPECT_EQ(camera->lastGain, INT_MAX);
    EXPECT_TRUE(camera->IReserved12());
    EXPECT_EQ(capture_double::Calls(), Calls{"IC_InitLibrary(null)"});
    EXPECT_TRUE(log.Messages().empty());
}

TEST_F(DriverTest, FormatsOfUnknownSizeStartWithZeroBitsPerPixel)
{
    for (int32_t format : {5, 11, 12}) {
        param.pixelFormat = format;
        std::unique_ptr<ICameraObject, CameraDeleteFn> object(Camera_Create(&param, &observer), Camera_Delete);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->bitsPerPixel, 0) << format;
    }
}

TEST_F(DriverTest, RedirectingTheObserverMemberDoesNotRedirectFrames)
{
    CreateLive();
    RecordingObserver other;
    camera->observer = &other;
    unsigned char pixel = 7;
    capture_double::FireFrame(camera->grabber, &pixel, 1);
    EXPECT_EQ(observer.Frames().size(), 1u);
    EXPECT_TRUE(other.Frames().empty());
}
