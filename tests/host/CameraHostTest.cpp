// camera-host's commands run in-process against the recording capture double:
// exit codes and messages, frames saved byte for byte, lost frames counted.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <csignal>
#include <thread>

#include "Commands.h"
#include "GrabStatistics.h"
#include "HostLog.h"
#include "Interruption.h"
#include "capture-double/CaptureDouble.h"

namespace {

struct Outcome {
    int code;
    std::string err;
};

class CameraHost : public ::testing::Test {
protected:
    void SetUp() override
    {
        script.deviceNames = {std::string("GV01"), std::string("GV02")};
        script.width = 3;
        script.height = 2;
        script.bitsPerPixel = 8;
        script.triggeredPixels = {10, 20, 30, 40, 50, 60};
        script.triggeredNumbers = {1, 2, 3};
        ASSERT_TRUE(module.Load(QStringLiteral(VEXACAM_MODULE_PATH), &error)) << error.toStdString();
        host_log::Install(host_log::Verbosity::Normal);  // the module's lost warning reaches the grab through it
        interruption::Clear();
    }
    void TearDown() override { interruption::Clear(); }

    Outcome Run(QStringList arguments)
    {
        capture_double::Reset(script);
        QString parseError;
        const auto options = ParseHostOptions(arguments, &parseError);
        if (!options)
            return {ExitUsage, parseError.toStdString()};
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        const int code = options->command == QLatin1String("list") ? RunList(*options, module) : RunGrab(*options, module);
        stdoutText = testing::internal::GetCapturedStdout();
        return {code, testing::internal::GetCapturedStderr()};
    }

    QJsonObject Json() const
    {
        QFile file(dir.filePath(QStringLiteral("summary.json")));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    QByteArray Saved(const QString& name) const
    {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        return file.readAll();
    }

    capture_double::Script script;
    ModuleLoader module;
    QString error;
    QTemporaryDir dir;
    std::string stdoutText;
};

}  // namespace

TEST_F(CameraHost, ErrorsAreOneLineAndADistinctExitCode)
{
    struct Case {
        const char* name;
        std::function<void(capture_double::Script&)> prepare;
        QStringList arguments;
        int code;
        std::string message;
    };
    const Case cases[] = {
        {"no cameras", [](auto& s) { s.deviceNames.clear(); }, {"grab"}, ExitNoCamera, "no cameras found"},
        {"no such device", [](auto&) {}, {"grab", "--device", "GV09"}, ExitNoSuchDevice,
         "no such device: GV09 (cameras: GV01, GV02)"},
        {"open fails", [](auto& s) { s.openResult = 0; }, {"grab"}, ExitOpen, "cannot open GV01"},
        {"start fails", [](auto& s) { s.startLiveResult = 0; }, {"grab"}, ExitStart,
         "cannot start acquisition on GV01"},
        {"frames time out", [](auto& s) { s.triggeredNumbers = {1}; }, {"grab", "--frames", "3", "--timeout-ms", "50"},
         ExitTimeout, "frames timed out: 2 of 3"},
        {"list without cameras", [](auto& s) { s.deviceNames.clear(); }, {"list"}, ExitOk, "no cameras found"},
        {"bad option", [](auto&) {}, {"grab", "--mode", "4"}, ExitUsage, "--mode takes a whole number from 1 to 3"},
    };
    const capture_double::Script base = script;
    for (const auto& c : cases) {
        script = base;
        c.prepare(script);
        const Outcome outcome = Run(c.arguments);
        EXPECT_EQ(outcome.code, c.code) << c.name;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << c.name << ": " << outcome.err;
    }
}

TEST_F(CameraHost, ModuleNotFoundOrWithoutTheExportsIsNamed)
{
    ModuleLoader loader;
    QString why;
    EXPECT_FALSE(loader.Load(QStringLiteral("/nonexistent/libvexaCam_120.so"), &why));
    EXPECT_TRUE(why.contains(QStringLiteral("/nonexistent/libvexaCam_120.so"))) << why.toStdString();
    EXPECT_FALSE(loader.Load(QStringLiteral(CAPTURE_DOUBLE_PATH), &why));
    EXPECT_TRUE(why.contains(QStringLiteral("does not export Camera_Create"))) << why.toStdString();
}

TEST_F(CameraHost, ListPrintsIndexAndNamePerDevice)
{
    const Outcome outcome = Run({"list"});
    EXPECT_EQ(outcome.code, ExitOk);
    EXPECT_EQ(stdoutText, "0\tGV01\n1\tGV02\n");
}

TEST_F(CameraHost, FramesAreSavedByteForByte)
{
    struct Case {
        const char* format;
        int32_t bits;
        std::vector<uint8_t> pixels;  // 3 x 2
        QString file;
        QByteArray expected;
    };
    const std::vector<uint8_t> rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
    const std::vector<uint8_t> rgba = {1, 2, 3, 99, 4, 5, 6, 99, 7, 8, 9, 99, 10, 11, 12, 99, 13, 14, 15, 99, 16, 17, 18, 99};
    const std::vector<uint8_t> gray16 = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a, 0x0b, 0x0c};
    const Case cases[] = {
        {"GRAY8", 8, {10, 20, 30, 40, 50, 60}, "frame-000001.pgm", QByteArray("P5\n3 2\n255\n") + QByteArray("\x0a\x14\x1e\x28\x32\x3c")},
        {"RGB24", 24, rgb, "frame-000001.ppm", QByteArray("P6\n3 2\n255\n") + QByteArray(reinterpret_cast<const char*>(rgb.data()), 18)},
        {"RGB32", 32, rgba, "frame-000001.ppm", QByteArray("P6\n3 2\n255\n") + QByteArray(reinterpret_cast<const char*>(rgb.data()), 18)},
        {"GRAY16", 16, gray16, "frame-000001.pgm",
         QByteArray("P5\n3 2\n65535\n") + QByteArray("\x02\x01\x04\x03\x06\x05\x08\x07\x0a\x09\x0c\x0b", 12)},
    };
    for (const auto& c : cases) {
        script.bitsPerPixel = c.bits;
        script.triggeredPixels = c.pixels;
        script.triggeredNumbers = {1};
        const QString out = dir.filePath(QString::fromLatin1(c.format));
        const Outcome outcome = Run({"grab", "--format", c.format, "--frames", "1", "--save", out});
        ASSERT_EQ(outcome.code, ExitOk) << c.format << outcome.err;
        QFile file(QDir(out).filePath(c.file));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << c.format;
        EXPECT_EQ(file.readAll(), c.expected) << c.format;
    }
}

TEST_F(CameraHost, SummaryCountsGapsInFrameNumbersAsLost)
{
    script.triggeredNumbers = {7, 8, 11, 12};
    const Outcome outcome = Run({"grab", "--frames", "4", "--json", dir.filePath(QStringLiteral("summary.json"))});
    ASSERT_EQ(outcome.code, ExitOk) << outcome.err;
    const QJsonObject json = Json();
    EXPECT_EQ(json.value("device").toString(), QStringLiteral("GV01"));
    EXPECT_EQ(json.value("width").toInt(), 3);
    EXPECT_EQ(json.value("height").toInt(), 2);
    EXPECT_EQ(json.value("bitsPerPixel").toInt(), 8);
    EXPECT_EQ(json.value("requested").toInt(), 4);
    EXPECT_EQ(json.value("received").toInt(), 4);
    EXPECT_EQ(json.value("lost").toInt(), 2);
    EXPECT_TRUE(json.value("latencyMs").toObject().contains("p95"));
    EXPECT_NE(stdoutText.find("received 4, lost 2"), std::string::npos) << stdoutText;
}

TEST_F(CameraHost, SetChangesReachTheLibraryWhileGrabbing)
{
    const Outcome outcome = Run({"grab", "--frames", "2", "--exposure", "100", "--set", "exposure=250", "--set", "gain=7"});
    ASSERT_EQ(outcome.code, ExitOk) << outcome.err;
    const auto calls = capture_double::Calls();
    const auto position = [&](const std::string& call) {
        return std::find(calls.begin(), calls.end(), call) - calls.begin();
    };
    const auto start = position("IC_StartLive(G1,0)");
    EXPECT_LT(start, position("IC_SetCameraProperty(G1,4,250)"));
    EXPECT_LT(start, position("IC_SetVideoProperty(G1,9,7)"));
    EXPECT_LT(position("IC_SetCameraProperty(G1,4,100)"), start);
    EXPECT_NE(position("IC_CloseVideoCaptureDevice(G1)"), long(calls.size()));
}

// The module reports the camera lost mid-grab: the grab ends at once (no
// timeouts waited out), the summary and the JSON hold what arrived, and the
// exit code says the camera was lost.
TEST_F(CameraHost, LostCameraEndsTheGrabWithWhatArrived)
{
    script.triggeredNumbers = {1, 2, 3, 4, 5};
    script.afterTrigger = [](int triggers) {
        if (triggers == 2)  // as a library does: on a thread of its own
            std::thread([] { capture_double::FireDeviceLost(capture_double::LastGrabber()); }).join();
    };
    const Outcome outcome =
        Run({"grab", "--frames", "5", "--timeout-ms", "2000", "--json", dir.filePath(QStringLiteral("summary.json"))});
    EXPECT_EQ(outcome.code, ExitCameraLost) << outcome.err;
    EXPECT_NE(outcome.err.find("camera lost after 2 of 5 frames"), std::string::npos) << outcome.err;
    const QJsonObject json = Json();
    EXPECT_EQ(json.value("received").toInt(), 2);
    EXPECT_EQ(json.value("lost").toInt(), 0);  // no timeout was waited for
    EXPECT_TRUE(json.value("cameraLost").toBool());
    EXPECT_NE(stdoutText.find("camera lost during the grab"), std::string::npos) << stdoutText;
    EXPECT_EQ(capture_double::CallsStartingWith("IC_SoftwareTrigger").size(), 2u);
    EXPECT_EQ(capture_double::LiveGrabberCount(), 0);  // closed and released
}

// SIGINT or SIGTERM mid-grab: stop, close and delete in the contract's order,
// then the summary and the JSON, and 128 + the signal as the exit code.
TEST_F(CameraHost, SignalEndsTheGrabInOrderAndKeepsTheResults)
{
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        script.triggeredNumbers = {1, 2, 3, 4, 5};
        script.afterTrigger = [signal](int triggers) {
            if (triggers == 3)
                interruption::Raise(signal);
        };
        const Outcome outcome = Run({"grab", "--frames", "5", "--json", dir.filePath(QStringLiteral("summary.json"))});
        interruption::Clear();
        EXPECT_EQ(outcome.code, 128 + signal);
        EXPECT_EQ(Json().value("received").toInt(), 3);
        EXPECT_NE(stdoutText.find("received 3"), std::string::npos) << stdoutText;
        const auto calls = capture_double::Calls();
        const auto last = [&](const std::string& prefix) {
            long at = -1;
            for (size_t i = 0; i < calls.size(); ++i)
                if (calls[i].rfind(prefix, 0) == 0)
                    at = long(i);
            return at;
        };
        EXPECT_LT(last("IC_SoftwareTrigger"), last("IC_StopLive"));
        EXPECT_LT(last("IC_StopLive"), last("IC_CloseVideoCaptureDevice"));
        EXPECT_LT(last("IC_CloseVideoCaptureDevice"), last("IC_ReleaseGrabber"));
        EXPECT_EQ(last("IC_ReleaseGrabber"), long(calls.size()) - 1);  // nothing after release
    }
}

TEST_F(CameraHost, JsonOnStdoutIsTheOnlyThingThere)
{
    const Outcome outcome = Run({"grab", "--frames", "2", "--json", "-"});
    ASSERT_EQ(outcome.code, ExitOk) << outcome.err;
    QJsonParseError parseError{};
    const QJsonDocument json = QJsonDocument::fromJson(QByteArray::fromStdString(stdoutText), &parseError);
    EXPECT_EQ(parseError.error, QJsonParseError::NoError) << stdoutText;
    EXPECT_EQ(json.object().value("received").toInt(), 2);
    EXPECT_NE(outcome.err.find("received 2, lost 0"), std::string::npos) << outcome.err;
}

TEST(CameraHostOptions, RateMustBeAFiniteNumberInItsRange)
{
    const struct {
        const char* rate;
        bool accepted;
    } cases[] = {
        {"nan", false}, {"inf", false}, {"-inf", false}, {"1e-300", false}, {"0", false},
        {"-5", false},  {"20000", false}, {"ten", false}, {"0.01", true},  {"25", true}, {"10000", true},
    };
    for (const auto& c : cases) {
        QString error;
        const auto options = ParseHostOptions({"grab", "--rate", c.rate}, &error);
        EXPECT_EQ(options.has_value(), c.accepted) << c.rate << ": " << error.toStdString();
    }
}

TEST(CameraHostOptions, HelpIsACommandAndQuietExcludesVerbose)
{
    QString error;
    for (const char* help : {"--help", "-h"}) {
        const auto options = ParseHostOptions({help}, &error);
        ASSERT_TRUE(options.has_value()) << error.toStdString();
        EXPECT_EQ(options->command, QStringLiteral("help"));
    }
    EXPECT_FALSE(ParseHostOptions({"grab", "--quiet", "--verbose"}, &error).has_value());
    const auto verbose = ParseHostOptions({"list", "--verbose"}, &error);
    ASSERT_TRUE(verbose.has_value());
    EXPECT_TRUE(verbose->verbose);
}

TEST(GrabFigures, MissingFramesCountWrapsOfSixteenBitIds)
{
    const struct {
        uint32_t previous, current, missing;
    } cases[] = {
        {1, 2, 0}, {1, 5, 3}, {65534, 65535, 0}, {65535, 1, 0}, {65534, 2, 2}, {65535, 3, 2},
        {10, 10, 0}, {100000, 5, 0}, {70000, 70002, 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FramesMissingBetween(c.previous, c.current), c.missing) << c.previous << "->" << c.current;
}

TEST(GrabFigures, PercentilesUseTheNearestRank)
{
    std::vector<double> values;
    for (int i = 100; i >= 1; --i)
        values.push_back(i);
    EXPECT_EQ(Percentile(values, 0.5), 50);
    EXPECT_EQ(Percentile(values, 0.95), 95);
    EXPECT_EQ(Percentile(values, 1.0), 100);
    EXPECT_EQ(Percentile({}, 0.5), 0);
    EXPECT_EQ(Percentile({3.0}, 0.95), 3.0);
}
