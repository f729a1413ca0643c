// The settings file and the host's features, applied at open, against the
// GigE Vision fake camera (run inside a private network namespace).

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <opencv2/imgproc.hpp>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "TisAravis.h"
#include "support/FrameCollector.h"
#include "support/GvFakeCamera.h"
#include "tisgrabber.h"

using namespace std::chrono_literals;

namespace {

// The library's GLib warnings, as a host's handler gets them.
struct LibraryLog {
    static std::mutex mutex;
    static std::vector<std::string> lines;
    static void Handler(const gchar* domain, GLogLevelFlags, const gchar* message, gpointer)
    {
        std::lock_guard<std::mutex> lock(mutex);
        lines.push_back(std::string(domain ? domain : "") + ": " + message);
    }
    static std::string Last()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return lines.empty() ? std::string() : lines.back();
    }
};
std::mutex LibraryLog::mutex;
std::vector<std::string> LibraryLog::lines;

class CameraSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake = std::make_unique<GvFakeCamera>(GvFakeCamera::Preset{64, 48, 10000, true});
        ASSERT_TRUE(fake->Running());
        ASSERT_EQ(IC_InitLibrary(nullptr), 1);
        ASSERT_GT(IC_GetDeviceCount(), 0);
        grabber = IC_CreateGrabber();
        g_log_set_handler("tisgrabber-aravis", G_LOG_LEVEL_WARNING, LibraryLog::Handler, nullptr);
    }
    void TearDown() override
    {
        unsetenv("TISGRABBER_ARAVIS_SETTINGS");
        TisAravis_SetOpenFeatures(GvFakeCamera::kDeviceId, nullptr, 0);
        IC_ReleaseGrabber(&grabber);
        fake.reset();
    }
    // Writes `text` as the settings file and names it for the library.
    std::string UseSettings(const std::string& text)
    {
        const std::string path = dir.filePath(QStringLiteral("settings.ini")).toStdString();
        std::ofstream(path) << text;
        setenv("TISGRABBER_ARAVIS_SETTINGS", path.c_str(), 1);
        return path;
    }
    static std::string LastError()
    {
        char text[512] = {};
        TisAravis_LastSettingsError(text, sizeof text);
        return text;
    }

    QTemporaryDir dir;
    std::unique_ptr<GvFakeCamera> fake;
    HGRABBER grabber = nullptr;
};

}  // namespace

TEST_F(CameraSettings, FileSettingsReachTheCameraBeforeAnythingElse)
{
    UseSettings("# a station's camera\n[Aravis-Fake-GV01]\nWidth=32\nHeight=24\nOffsetX=8\nAcquisitionFrameRate=50\n"
                "[Aravis-Fake-OTHER]\nWidth=8\n");
    ASSERT_EQ(IC_OpenDevByUniqueName(grabber, GvFakeCamera::kDeviceId), 1) << LastError();
    EXPECT_EQ(fake->ReadRegister(ARV_FAKE_CAMERA_REGISTER_WIDTH), 32u);
    EXPECT_EQ(fake->ReadRegister(ARV_FAKE_CAMERA_REGISTER_HEIGHT), 24u);
    EXPECT_EQ(fake->ReadRegister(ARV_FAKE_CAMERA_REGISTER_X_OFFSET), 8u);
    EXPECT_EQ(fake->ReadRegister(ARV_FAKE_CAMERA_REGISTER_ACQUISITION_FRAME_PERIOD_US), 20000u);
    int32_t width = 0, height = 0, bits = 0;
    int format = 0;
    ASSERT_EQ(IC_GetImageDescription(grabber, &width, &height, &bits, &format), 1);
    EXPECT_EQ(width, 32);
    EXPECT_EQ(height, 24);
    EXPECT_EQ(LastError(), "");
}

// A bad setting is a configuration error: the open fails, the camera is
// released (another handle opens it at once), and the log names the file,
// the group and the key.
TEST_F(CameraSettings, BadSettingFailsTheOpenAndReleasesTheCamera)
{
    const struct {
        const char* name;
        std::string text;  // empty: the file named does not exist
        std::string key;   // what the log must name besides the file
    } cases[] = {
        {"unreadable file", "", ""},
        {"syntax error", "[Aravis-Fake-GV01\nWidth=32\n", ""},
        {"unknown feature", "[Aravis-Fake-GV01]\nWidth=32\nNoSuchFeature=1\n", "key NoSuchFeature=1"},
        {"refused value", "[Aravis-Fake-GV01]\nTriggerSource=Line7\n", "key TriggerSource=Line7"},
        {"out of range", "[Aravis-Fake-GV01]\nExposureTimeAbs=1\n", "key ExposureTimeAbs=1"},
        {"not a number", "[Aravis-Fake-GV01]\nWidth=wide\n", "key Width=wide"},
        {"read-only feature", "[Aravis-Fake-GV01]\nSensorWidth=100\n", "key SensorWidth=100"},
        {"not a boolean", "[Aravis-Fake-GV01]\nTestBoolean=maybe\n", "key TestBoolean=maybe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = UseSettings(c.text);
        if (c.text.empty()) {
            path = dir.filePath(QStringLiteral("missing.ini")).toStdString();
            setenv("TISGRABBER_ARAVIS_SETTINGS", path.c_str(), 1);
        }
        EXPECT_NE(IC_OpenDevByUniqueName(grabber, GvFakeCamera::kDeviceId), 1);
        const std::string error = LastError();
        EXPECT_NE(error.find(path), std::string::npos) << error;
        if (!c.key.empty()) {
            EXPECT_NE(error.find("group [Aravis-Fake-GV01]"), std::string::npos) << error;
            EXPECT_NE(error.find(c.key), std::string::npos) << error;
        }
        EXPECT_NE(LibraryLog::Last().find(error), std::string::npos) << LibraryLog::Last();

        unsetenv("TISGRABBER_ARAVIS_SETTINGS");
        HGRABBER other = IC_CreateGrabber();
        EXPECT_EQ(IC_OpenDevByUniqueName(other, GvFakeCamera::kDeviceId), 1) << "the camera was left held";
        IC_ReleaseGrabber(&other);
    }
}

// With a hardware trigger source in the settings, the trigger stays on that
// line: a software trigger is refused and makes no frame.
TEST_F(CameraSettings, HardwareTriggerSourceIsKept)
{
    UseSettings("[Aravis-Fake-GV01]\nTriggerSelector=FrameStart\nTriggerSource=Line0\n");
    ASSERT_EQ(IC_OpenDevByUniqueName(grabber, GvFakeCamera::kDeviceId), 1) << LastError();
    FrameCollector frames;
    IC_SetCallbacks(grabber, FrameCollector::Callback, &frames, nullptr, nullptr);
    ASSERT_EQ(IC_EnableTrigger(grabber, 1), 1);
    ASSERT_EQ(IC_StartLive(grabber, 0), 1);
    EXPECT_EQ(IC_SoftwareTrigger(grabber), IC_NOT_AVAILABLE);
    EXPECT_FALSE(frames.WaitForFrames(1, 300ms));
    EXPECT_EQ(fake->ReadRegister(ARV_FAKE_CAMERA_REGISTER_TRIGGER_SOURCE), 0u);  // Line0
    EXPECT_TRUE(arv_fake_camera_is_in_software_trigger_mode(fake->Camera()) == FALSE);
    IC_StopLive(grabber);
}

TEST_F(CameraSettings, HostFeaturesGoInAfterTheFileAndCanBeRefused)
{
    UseSettings("[Aravis-Fake-GV01]\nWidth=32\n");
    const char* features[] = {"Width=16", "GainRaw=3"};
    ASSERT_EQ(TisAravis_SetOpenFeatures(GvFakeCamera::kDeviceId, features, 2), 1);
    ASSERT_EQ(IC_OpenDevByUniqueName(grabber, GvFakeCamera::kDeviceId), 1) << LastError();
    EXPECT_EQ(fake->ReadRegister(ARV_FAKE_CAMERA_REGISTER_WIDTH), 16u);  // the host's, on top of the file
    EXPECT_EQ(fake->ReadRegister(ARV_FAKE_CAMERA_REGISTER_GAIN_RAW), 3u);
    char value[64] = {};
    ASSERT_EQ(TisAravis_GetFeature(GvFakeCamera::kDeviceId, "Width", value, sizeof value), 1);
    EXPECT_STREQ(value, "16");
    IC_CloseVideoCaptureDevice(grabber);

    const char* refused[] = {"GainRaw=many"};
    ASSERT_EQ(TisAravis_SetOpenFeatures(GvFakeCamera::kDeviceId, refused, 1), 1);
    EXPECT_NE(IC_OpenDevByUniqueName(grabber, GvFakeCamera::kDeviceId), 1);
    EXPECT_NE(LastError().find("feature, group [Aravis-Fake-GV01], key GainRaw=many"), std::string::npos) << LastError();
    const char* malformed[] = {"=3"};
    EXPECT_NE(TisAravis_SetOpenFeatures(GvFakeCamera::kDeviceId, malformed, 1), 1);
}

// The features as the library lists them are what Aravis itself reads.
TEST_F(CameraSettings, FeatureListMatchesAravisOwnView)
{
    struct Listed {
        std::vector<std::tuple<std::string, std::string, std::string>> features;
    } listed;
    auto visit = [](const char* name, const char* type, const char* value, void* user) {
        static_cast<Listed*>(user)->features.emplace_back(name, type, value);
    };
    const int count = TisAravis_ForEachFeature(GvFakeCamera::kDeviceId, visit, &listed);
    ASSERT_GT(count, 10);
    EXPECT_EQ(size_t(count), listed.features.size());

    GError* error = nullptr;
    ArvCamera* camera = arv_camera_new(GvFakeCamera::kDeviceId, &error);  // released by the listing
    ASSERT_EQ(error, nullptr);
    ArvDevice* device = arv_camera_get_device(camera);
    int checked = 0;
    for (const auto& [name, type, value] : listed.features) {
        if (type == "Integer") {
            EXPECT_EQ(value, std::to_string(arv_device_get_integer_feature_value(device, name.c_str(), nullptr))) << name;
            ++checked;
        } else if (type == "Enumeration") {
            EXPECT_EQ(value, arv_device_get_string_feature_value(device, name.c_str(), nullptr)) << name;
            ++checked;
        }
    }
    EXPECT_GT(checked, 5);
    g_object_unref(camera);
}

TEST_F(CameraSettings, DeviceDetailsComeFromTheTransport)
{
    TisAravisDeviceDetails details{};
    bool found = false;
    for (int i = 0; i < IC_GetDeviceCount(); ++i) {
        if (std::string(IC_GetUniqueNamefromList(i)) != GvFakeCamera::kDeviceId)
            continue;
        ASSERT_EQ(TisAravis_GetDeviceDetails(i, &details), 1);
        found = true;
    }
    ASSERT_TRUE(found);
    EXPECT_STREQ(details.vendor, "Aravis");
    EXPECT_STREQ(details.serial, GvFakeCamera::kSerial);
    EXPECT_STREQ(details.address, "127.0.0.1");
    EXPECT_NE(std::string(details.mac), "");
    EXPECT_EQ(TisAravis_GetDeviceDetails(999, &details), IC_NO_DEVICE);
}

// A colour camera set to a Bayer layout (by the settings file, as a station
// saving bandwidth would) delivers RGB24 and RGB32 frames demosaiced by
// OpenCV: equal to OpenCV's conversion of the mosaic, and of its colours.
TEST(CameraColour, BayerCameraDeliversRgbOfItsMosaic)
{
    const struct {
        const char* layout;
        ArvPixelFormat format;
        int code;  // OpenCV's name for that GenICam layout
    } layouts[] = {
        {"BayerRG8", ARV_PIXEL_FORMAT_BAYER_RG_8, cv::COLOR_BayerBG2RGB},
        {"BayerGR8", ARV_PIXEL_FORMAT_BAYER_GR_8, cv::COLOR_BayerGB2RGB},
        {"BayerGB8", ARV_PIXEL_FORMAT_BAYER_GB_8, cv::COLOR_BayerGR2RGB},
        {"BayerBG8", ARV_PIXEL_FORMAT_BAYER_BG_8, cv::COLOR_BayerRG2RGB},
    };
    constexpr uint32_t kWidth = 32, kHeight = 24;
    GvFakeCamera::Preset preset{kWidth, kHeight, 10000, true};
    preset.colourMosaic = true;
    GvFakeCamera fake(preset);
    ASSERT_TRUE(fake.Running());
    ASSERT_EQ(IC_InitLibrary(nullptr), 1);
    ASSERT_GT(IC_GetDeviceCount(), 0);
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("colour.ini")).toStdString();
    for (const auto& layout : layouts) {
        for (const int format : {IC_FORMAT_RGB24, IC_FORMAT_RGB32}) {
            SCOPED_TRACE(std::string(layout.layout) + (format == IC_FORMAT_RGB24 ? " RGB24" : " RGB32"));
            std::ofstream(path) << "[Aravis-Fake-GV01]\nPixelFormat=" << layout.layout << "\n";
            setenv("TISGRABBER_ARAVIS_SETTINGS", path.c_str(), 1);
            HGRABBER grabber = IC_CreateGrabber();
            ASSERT_EQ(IC_OpenDevByUniqueName(grabber, GvFakeCamera::kDeviceId), 1);
            ASSERT_EQ(IC_SetFormat(grabber, format), 1);
            int32_t width = 0, height = 0, bits = 0;
            int code = 0;
            ASSERT_EQ(IC_GetImageDescription(grabber, &width, &height, &bits, &code), 1);
            ASSERT_EQ(bits, format == IC_FORMAT_RGB24 ? 24 : 32);
            ASSERT_EQ(code, format);
            const size_t bytes = size_t(width) * height * bits / 8;
            FrameCollector frames(bytes);
            IC_SetCallbacks(grabber, FrameCollector::Callback, &frames, nullptr, nullptr);
            IC_EnableTrigger(grabber, 0);
            ASSERT_EQ(IC_StartLive(grabber, 0), 1);
            ASSERT_TRUE(frames.WaitForFrames(1, 5s));
            IC_ReleaseGrabber(&grabber);
            unsetenv("TISGRABBER_ARAVIS_SETTINGS");

            std::vector<uint8_t> mosaic = GvFakeCamera::Mosaic(layout.format, kWidth, kHeight);
            cv::Mat expected;
            cv::cvtColor(cv::Mat(kHeight, kWidth, CV_8UC1, mosaic.data()), expected, layout.code);
            if (format == IC_FORMAT_RGB32)
                cv::cvtColor(expected, expected, cv::COLOR_RGB2RGBA);
            const std::vector<uint8_t> delivered = frames.LastBytes();
            ASSERT_EQ(delivered.size(), expected.total() * expected.elemSize());
            EXPECT_TRUE(std::equal(delivered.begin(), delivered.end(), expected.data));
            const uint8_t* centre = &delivered[(size_t(kHeight / 2) * kWidth + kWidth / 2) * bits / 8];
            EXPECT_EQ(centre[0], GvFakeCamera::kMosaicRed);
            EXPECT_EQ(centre[1], GvFakeCamera::kMosaicGreen);
            EXPECT_EQ(centre[2], GvFakeCamera::kMosaicBlue);
        }
    }
}

// Bad input at each Linux-only entry point is refused, never dereferenced.
TEST_F(CameraSettings, ExtensionsRefuseBadInput)
{
    char text[8] = {};
    TisAravisExposureGain values{};
    TisAravisDeviceDetails details{};
    TisAravisStreamStatistics statistics{};
    auto visit = [](const char*, const char*, const char*, void*) {};
    const char* nullEntry[] = {nullptr};
    EXPECT_NE(TisAravis_SetOpenFeatures(nullptr, nullptr, 0), 1);
    EXPECT_NE(TisAravis_SetOpenFeatures(GvFakeCamera::kDeviceId, nullptr, 1), 1);
    EXPECT_NE(TisAravis_SetOpenFeatures(GvFakeCamera::kDeviceId, nullEntry, 1), 1);
    EXPECT_NE(TisAravis_SetOpenFeatures(GvFakeCamera::kDeviceId, nullEntry, -1), 1);
    EXPECT_NE(TisAravis_LastSettingsError(nullptr, 8), 1);
    EXPECT_NE(TisAravis_LastSettingsError(text, 0), 1);
    EXPECT_NE(TisAravis_ForEachFeature(GvFakeCamera::kDeviceId, nullptr, nullptr), 1);
    EXPECT_LT(TisAravis_ForEachFeature(nullptr, visit, nullptr), 1);
    EXPECT_LT(TisAravis_ForEachFeature("", visit, nullptr), 1);
    EXPECT_LT(TisAravis_ForEachFeature("Aravis-Fake-NONE", visit, nullptr), 1);
    EXPECT_NE(TisAravis_GetFeature(GvFakeCamera::kDeviceId, nullptr, text, sizeof text), 1);
    EXPECT_NE(TisAravis_GetFeature(GvFakeCamera::kDeviceId, "Width", nullptr, 8), 1);
    EXPECT_NE(TisAravis_GetFeature(GvFakeCamera::kDeviceId, "NoSuchFeature", text, sizeof text), 1);
    // A value longer than the caller's buffer is cut, still terminated.
    ASSERT_EQ(TisAravis_GetFeature(GvFakeCamera::kDeviceId, "DeviceVendorName", text, 3), 1);
    EXPECT_STREQ(text, "Ar");
    EXPECT_NE(TisAravis_GetExposureGain(GvFakeCamera::kDeviceId, nullptr), 1);
    EXPECT_NE(TisAravis_GetExposureGain(nullptr, &values), 1);
    EXPECT_NE(TisAravis_GetDeviceDetails(-1, &details), 1);
    EXPECT_NE(TisAravis_GetDeviceDetails(0, nullptr), 1);
    EXPECT_NE(TisAravis_GetStreamStatistics(nullptr, &statistics), 1);
    EXPECT_NE(TisAravis_GetStreamStatistics(GvFakeCamera::kDeviceId, nullptr), 1);
    EXPECT_NE(TisAravis_GetStreamStatistics(GvFakeCamera::kDeviceId, &statistics), 1);  // no handle has it open
}
