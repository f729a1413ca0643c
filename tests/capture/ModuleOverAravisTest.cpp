// The module, loaded as a host loads it, driving the GigE Vision fake camera
// through the Aravis capture library.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "ICameraObject.h"
#include "ModuleLoader.h"
#include "support/GvFakeCamera.h"

using namespace std::chrono_literals;

namespace {

class CopyingObserver : public ICameraObserver {
public:
    void OnFrameReady(ICameraObject* camera) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        width = camera->width;
        height = camera->height;
        bitsPerPixel = camera->bitsPerPixel;
        pixels.assign(camera->imageData, camera->imageData + size_t(width) * height * bitsPerPixel / 8);
        ++frames;
        arrived.notify_all();
    }
    bool WaitFor(int n)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return arrived.wait_for(lock, 5s, [&] { return frames >= n; });
    }
    std::mutex mutex;
    std::condition_variable arrived;
    int32_t width = 0, height = 0, bitsPerPixel = 0;
    std::vector<uint8_t> pixels;
    int frames = 0;
};

}  // namespace

TEST(ModuleOverAravis, SnappedFrameAndSettingsReachTheHostAndTheCamera)
{
    GvFakeCamera fake(GvFakeCamera::Preset{80, 60, 10000, true});
    ASSERT_TRUE(fake.Running());
    ModuleLoader module;  // as a host loads it
    QString error;
    ASSERT_TRUE(module.Load(QStringLiteral(VEXACAM_MODULE_PATH), &error)) << error.toStdString();
    const CameraCreateFn create = module.create;
    const CameraDeleteFn destroy = module.destroy;

    CameraParam param;
    param.pixelFormat = PixelFormat::GRAY8;
    param.exposure = 3000;
    param.gain = 4;
    CopyingObserver observer;
    ICameraObject* camera = create(&param, &observer);
    ASSERT_NE(camera, nullptr);
    const QStringList names = camera->IGetCameraList();
    ASSERT_TRUE(names.contains(QString::fromLatin1(GvFakeCamera::kDeviceId))) << names.join(',').toStdString();
    param.cameraName = QString::fromLatin1(GvFakeCamera::kDeviceId);
    ASSERT_EQ(camera->IOpenCamera(), 1);
    EXPECT_EQ(fake.ReadRegister(ARV_FAKE_CAMERA_REGISTER_EXPOSURE_TIME_US), 3000u);
    EXPECT_EQ(fake.ReadRegister(ARV_FAKE_CAMERA_REGISTER_GAIN_RAW), 4u);

    ASSERT_EQ(camera->IStartCamera(), 1);
    camera->ISnapImage();
    ASSERT_TRUE(observer.WaitFor(1));
    {
        std::lock_guard<std::mutex> lock(observer.mutex);
        EXPECT_EQ(observer.width, 80);
        EXPECT_EQ(observer.height, 60);
        EXPECT_EQ(observer.bitsPerPixel, 8);
        EXPECT_NE(GvFakeCamera::StampOf(observer.pixels.data(), observer.pixels.size()), -1);
    }
    const ParamChange gain{PARAM_GAIN, 9};
    EXPECT_TRUE(camera->ISetParameter(&gain));
    EXPECT_EQ(fake.ReadRegister(ARV_FAKE_CAMERA_REGISTER_GAIN_RAW), 9u);

    camera->ICloseCamera();
    destroy(camera);
}

// The camera's region shrinks between two starts of one open (another tool,
// a setting): the host reads the new size from the first frame of the second
// start, and each frame's bytes are that frame's own. In mode 3 the host
// reads 0 on the first frame of every start.
TEST(ModuleOverAravis, EachStartDescribesItsOwnFramesAndModeThreeCountsFromZero)
{
    GvFakeCamera fake(GvFakeCamera::Preset{64, 48, 10000, true});
    ASSERT_TRUE(fake.Running());
    ModuleLoader module;  // as a host loads it
    QString error;
    ASSERT_TRUE(module.Load(QStringLiteral(VEXACAM_MODULE_PATH), &error)) << error.toStdString();
    const CameraCreateFn create = module.create;
    const CameraDeleteFn destroy = module.destroy;

    struct FirstFrames : ICameraObserver {
        void OnFrameReady(ICameraObject* camera) override
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (taken)
                return;
            taken = true;
            width = camera->width;
            number = camera->frameNumber;
            // Copies what the description says: with a stale one this reads past the buffer.
            pixels.assign(camera->imageData,
                          camera->imageData + size_t(camera->width) * camera->height * camera->bitsPerPixel / 8);
            arrived.notify_all();
        }
        bool Wait()
        {
            std::unique_lock<std::mutex> lock(mutex);
            return arrived.wait_for(lock, 5s, [&] { return taken; });
        }
        void Next()
        {
            std::lock_guard<std::mutex> lock(mutex);
            taken = false;
        }
        std::mutex mutex;
        std::condition_variable arrived;
        bool taken = false;
        int32_t width = 0;
        uint32_t number = 99;
        std::vector<uint8_t> pixels;
    } observer;

    CameraParam param;
    param.pixelFormat = PixelFormat::GRAY8;
    param.cameraName = QString::fromLatin1(GvFakeCamera::kDeviceId);
    ICameraObject* camera = create(&param, &observer);
    ASSERT_NE(camera, nullptr);
    camera->IGetCameraList();
    ASSERT_EQ(camera->IOpenCamera(), 1);
    camera->requestedMode = ModeTriggerOffReset;
    for (const uint32_t width : {64u, 32u, 16u}) {
        SCOPED_TRACE(width);
        arv_fake_camera_write_register(fake.Camera(), ARV_FAKE_CAMERA_REGISTER_WIDTH, width);
        observer.Next();
        ASSERT_EQ(camera->IStartCamera(), 1);
        ASSERT_TRUE(observer.Wait());
        camera->IStopCamera();
        std::lock_guard<std::mutex> lock(observer.mutex);
        EXPECT_EQ(observer.width, int32_t(width));
        EXPECT_EQ(observer.number, 0u);
        EXPECT_NE(GvFakeCamera::StampOf(observer.pixels.data(), observer.pixels.size()), -1);
    }
    camera->ICloseCamera();
    destroy(camera);
}
