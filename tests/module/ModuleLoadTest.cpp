// Loads the built module the way a host does and carries a software-triggered
// frame end to end. The recording double is linked into this test as
// libtisgrabber_x64.so, so the module's dependency binds to it.

#include <gtest/gtest.h>

#include <QLibrary>
#include <atomic>
#include <vector>

#include "ICameraObject.h"
#include "capture-double/CaptureDouble.h"

namespace {

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
    capture_double::Reset(script);

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

    unsigned char frame[6] = {10, 20, 30, 40, 50, 60};
    capture_double::FireFrameOnOwnThread(capture_double::LastGrabber(), frame, 77);
    EXPECT_EQ(observer.frames.load(), 1);
    EXPECT_EQ(observer.width, 3);
    EXPECT_EQ(observer.height, 2);
    EXPECT_EQ(observer.bitsPerPixel, 8);
    EXPECT_EQ(observer.frameNumber, 77u);
    EXPECT_EQ(observer.pixels, std::vector<unsigned char>(frame, frame + 6));

    camera->ICloseCamera();
    destroy(camera);
    EXPECT_EQ(capture_double::LiveGrabberCount(), 0);
    EXPECT_TRUE(module.unload());
}
