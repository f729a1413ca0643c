// Loads the built module the way a host does and carries a software-triggered
// frame end to end. The recording double is linked into this test as
// libtisgrabber_x64.so, so the module's dependency binds to it.

#include <gtest/gtest.h>

#include <QLibrary>
#include <atomic>
#include <mutex>
#include <vector>

#include "DriverMessages.h"
#include "ICameraObject.h"
#include "capture-double/CaptureDouble.h"

namespace {

// What a host's Qt message handler receives from the module.
struct Received {
    QtMsgType type;
    QString text;
    bool hasContext;
};
std::mutex receivedMutex;
std::vector<Received> received;

void RecordMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    std::lock_guard<std::mutex> lock(receivedMutex);
    received.push_back({type, text, context.file != nullptr || context.line != 0 || context.function != nullptr});
}

class CopyingObserver : public ICameraObserver {
public:
    void OnFrameReady(ICameraObject* camera) override
    {
        width = camera->width;
        height = camera->height;
        bitsPerPixel = camera->bitsPerPixel;
        frameNumber = camera->frameNumber;
        const int bytes = camera->width * camera->height * camera->bitsPerPixel / 8;
        pixels.assign(camera->imageData, camera->imageData + bytes);
        ++frames;
    }
    int32_t width = 0, height = 0, bitsPerPixel = 0;
    uint32_t frameNumber = 0;
    std::vector<unsigned char> pixels;
    std::atomic<int> frames{0};
};

}  // namespace

TEST(ModuleLoad, SoftwareTriggeredFrameTravelsEndToEnd)
{
    capture_double::Script script;
    script.deviceNames = {std::string("GV01")};
    script.width = 3;
    script.height = 2;
    script.bitsPerPixel = 8;
    script.triggeredPixels = {10, 20, 30, 40, 50, 60};
    script.triggeredNumbers = {77};  // the snap makes the frame, as a camera would
    capture_double::Reset(script);
    const QtMessageHandler previous = qInstallMessageHandler(RecordMessage);

    QLibrary module(QStringLiteral(VEXACAM_MODULE_PATH));
    ASSERT_TRUE(module.load()) << module.errorString().toStdString();
    auto create = reinterpret_cast<CameraCreateFn>(module.resolve("Camera_Create"));
    auto destroy = reinterpret_cast<CameraDeleteFn>(module.resolve("Camera_Delete"));
    ASSERT_NE(create, nullptr);
    ASSERT_NE(destroy, nullptr);
    EXPECT_EQ(module.resolve("_ZN11CCameraGigeD0Ev"), nullptr);  // nothing but the two entry points

    CameraParam param;
    param.pixelFormat = PixelFormat::GRAY8;
    CopyingObserver observer;
    ICameraObject* camera = create(&param, &observer);
    ASSERT_NE(camera, nullptr);

    const QStringList names = camera->IGetCameraList();
    ASSERT_EQ(names, QStringList{QStringLiteral("GV01")});
    param.cameraName = names.first();
    ASSERT_EQ(camera->IOpenCamera(), 1);
    ASSERT_EQ(camera->IStartCamera(), 1);
    camera->ISnapImage();
    EXPECT_EQ(capture_double::CallsStartingWith("IC_SoftwareTrigger").size(), 1u);
    const unsigned char frame[6] = {10, 20, 30, 40, 50, 60};
    EXPECT_EQ(observer.frames.load(), 1);
    EXPECT_EQ(observer.width, 3);
    EXPECT_EQ(observer.height, 2);
    EXPECT_EQ(observer.bitsPerPixel, 8);
    EXPECT_EQ(observer.frameNumber, 77u);
    EXPECT_EQ(observer.pixels, std::vector<unsigned char>(frame, frame + 6));

    capture_double::FireDeviceLost(capture_double::LastGrabber());

    camera->ICloseCamera();
    destroy(camera);
    EXPECT_EQ(capture_double::LiveGrabberCount(), 0);
    qInstallMessageHandler(previous);
    EXPECT_TRUE(module.unload());

    // The host's handler gets the texts alone, without file, line or function,
    // and the host's own recognisers agree with the module's texts.
    std::lock_guard<std::mutex> lock(receivedMutex);
    int perFrame = 0, lost = 0;
    for (const Received& message : received) {
        EXPECT_FALSE(message.hasContext) << message.text.toStdString();
        perFrame += driver_messages::IsPerFrame(message.text);
        if (message.type == QtWarningMsg) {
            ++lost;
            EXPECT_EQ(driver_messages::LostCameraName(message.text), QStringLiteral("GV01")) << message.text.toStdString();
        }
    }
    EXPECT_EQ(perFrame, 2);  // "Gige snap image" and "Gige image get"
    EXPECT_EQ(lost, 1);
    EXPECT_TRUE(driver_messages::LostCameraName(QStringLiteral("open gige device success")).isNull());
}
