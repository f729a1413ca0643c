// The camera-host program against Aravis's GigE Vision fake camera served from
// this test process on loopback (inside the private network namespace), and
// against the simulated camera.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>

#include "support/GvFakeCamera.h"
#include "support/TestNetwork.h"

namespace {

struct Result {
    int code = -1;
    QString out;
    QString err;
};

Result RunHost(const QStringList& arguments, const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(CAMERA_HOST_PATH), arguments);
    Result result;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        result.err = QStringLiteral("camera-host did not finish");
        return result;
    }
    result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

// Width, height and maxval from a Netpbm header, and the body size.
struct Netpbm {
    QByteArray magic;
    int width = 0, height = 0, maxval = 0;
    qint64 bodyBytes = 0;
    QByteArray body;
};

Netpbm ReadNetpbm(const QString& path)
{
    QFile file(path);
    Netpbm image;
    if (!file.open(QIODevice::ReadOnly))
        return image;
    image.magic = file.readLine().trimmed();
    const QList<QByteArray> size = file.readLine().trimmed().split(' ');
    image.width = size.value(0).toInt();
    image.height = size.value(1).toInt();
    image.maxval = file.readLine().trimmed().toInt();
    image.bodyBytes = file.size() - file.pos();
    image.body = file.readAll();
    return image;
}

QJsonObject ReadJson(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object() : QJsonObject();
}

}  // namespace

TEST(CameraHostProgram, ListsTheGigEVisionCamera)
{
    GvFakeCamera fake;
    ASSERT_TRUE(fake.Running());
    const Result result = RunHost({"list", "--quiet"});
    EXPECT_EQ(result.code, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("\tAravis-Fake-GV01\n"))) << result.out.toStdString();
}

TEST(CameraHostProgram, GrabsInEachModeWithFiguresMatchingTheSavedFrames)
{
    GvFakeCamera fake(GvFakeCamera::Preset{64, 48, 10000, true});
    ASSERT_TRUE(fake.Running());
    for (const char* mode : {"1", "2", "3"}) {
        QTemporaryDir dir;
        const QString frames = dir.filePath(QStringLiteral("frames"));
        const QString json = dir.filePath(QStringLiteral("summary.json"));
        const Result result = RunHost({"grab", "--quiet", "--device", "Aravis-Fake-GV01", "--mode", mode, "--frames",
                                       "5", "--save", frames, "--json", json});
        ASSERT_EQ(result.code, 0) << mode << ": " << result.err.toStdString();
        QFile jsonFile(json);
        ASSERT_TRUE(jsonFile.open(QIODevice::ReadOnly));
        const QJsonObject summary = QJsonDocument::fromJson(jsonFile.readAll()).object();
        EXPECT_EQ(summary.value("requested").toInt(), 5) << mode;
        EXPECT_EQ(summary.value("received").toInt(), 5) << mode;
        EXPECT_EQ(summary.value("lost").toInt(), 0) << mode;
        EXPECT_GT(summary.value("fps").toDouble(), 0) << mode;
        EXPECT_EQ(summary.contains("latencyMs"), QString::fromLatin1(mode) == QLatin1String("1")) << mode;

        const QStringList saved = QDir(frames).entryList(QDir::Files, QDir::Name);
        ASSERT_EQ(saved.size(), summary.value("received").toInt()) << mode;
        int previousStamp = -1;
        for (const QString& name : saved) {
            const Netpbm image = ReadNetpbm(QDir(frames).filePath(name));
            EXPECT_EQ(image.magic, QByteArray("P5"));
            EXPECT_EQ(image.width, summary.value("width").toInt());
            EXPECT_EQ(image.height, summary.value("height").toInt());
            EXPECT_EQ(image.bodyBytes, qint64(image.width) * image.height * summary.value("bitsPerPixel").toInt() / 8);
            // Each saved frame is its own: its bytes follow its stamp, and the
            // stamps follow each other as the frames did (none was lost).
            const int stamp = GvFakeCamera::StampOf(reinterpret_cast<const uint8_t*>(image.body.constData()),
                                                    size_t(image.body.size()));
            EXPECT_NE(stamp, -1) << mode << " " << name.toStdString();
            if (previousStamp >= 0 && std::string(mode) != "1")
                EXPECT_EQ(stamp, (previousStamp + 1) % 256) << mode << " " << name.toStdString();
            previousStamp = stamp;
        }
        EXPECT_EQ(summary.value("width").toInt(), 64);
        EXPECT_EQ(summary.value("height").toInt(), 48);
    }
}

TEST(CameraHostProgram, SimulatedCameraNeedsNoNetwork)
{
    QTemporaryDir dir;
    const Result result = RunHost({"grab", "--simulate", "--quiet", "--format", "RGB24", "--frames", "2", "--json", "-"});
    ASSERT_EQ(result.code, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("\"bitsPerPixel\": 24"))) << result.out.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("\"received\": 2")));
}

TEST(CameraHostProgram, MissingModuleIsOneLineAndExitCodeThree)
{
    const Result result = RunHost({"list", "--module", "/nonexistent/libvexaCam_120.so"});
    EXPECT_EQ(result.code, 3);
    EXPECT_TRUE(result.err.contains(QStringLiteral("/nonexistent/libvexaCam_120.so")));
    EXPECT_EQ(result.err.count(QLatin1Char('\n')), 1) << result.err.toStdString();
}

TEST(CameraHostProgram, FeaturesAreListedAndSetForAGrab)
{
    GvFakeCamera fake(GvFakeCamera::Preset{64, 48, 10000, true});
    ASSERT_TRUE(fake.Running());
    Result result = RunHost({"features", "--device", "Aravis-Fake-GV01"});
    ASSERT_EQ(result.code, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("\nWidth\tInteger\t64\n"))) << result.out.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("\nPixelFormat\tEnumeration\tMono8\n")));
    EXPECT_TRUE(result.out.contains(QStringLiteral("\nTriggerSoftware\tCommand\t\n")));

    QTemporaryDir dir;
    const QString json = dir.filePath(QStringLiteral("summary.json"));
    result = RunHost({"grab", "--device", "Aravis-Fake-GV01", "--mode", "2", "--frames", "2", "--feature", "Width=32",
                      "--feature", "Height=16", "--json", json});
    ASSERT_EQ(result.code, 0) << result.err.toStdString();
    EXPECT_EQ(ReadJson(json).value("width").toInt(), 32);
    EXPECT_EQ(ReadJson(json).value("height").toInt(), 16);
    result = RunHost({"features", "--device", "Aravis-Fake-GV01"});
    EXPECT_TRUE(result.out.contains(QStringLiteral("\nWidth\tInteger\t32\n")));  // the camera keeps it

    // A refused feature: one clear line, its own exit code, nothing else happens.
    result = RunHost({"grab", "--device", "Aravis-Fake-GV01", "--frames", "2", "--feature", "Width=wide", "--json", json + "2"});
    EXPECT_EQ(result.code, 11);
    const QStringList errors = result.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts).filter(QStringLiteral("camera-host:"));
    ASSERT_EQ(errors.size(), 1) << result.err.toStdString();
    EXPECT_TRUE(errors[0].contains(QStringLiteral("setting refused: feature, group [Aravis-Fake-GV01], key Width=wide")))
        << errors[0].toStdString();
    EXPECT_FALSE(QFile::exists(json + "2"));
    EXPECT_TRUE(RunHost({"grab", "--device", "Aravis-Fake-GV01", "--frames", "1"}).code == 0);  // the camera was released
}

TEST(CameraHostProgram, SettingsFileSizesTheFramesAndRefusalsStopTheOpen)
{
    GvFakeCamera fake(GvFakeCamera::Preset{64, 48, 10000, true});
    ASSERT_TRUE(fake.Running());
    QTemporaryDir dir;
    const QString settings = dir.filePath(QStringLiteral("station.ini"));
    QFile file(settings);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Aravis-Fake-GV01]\nWidth=40\nHeight=20\nOffsetX=4\n");
    file.close();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TISGRABBER_ARAVIS_SETTINGS"), settings);
    const QString json = dir.filePath(QStringLiteral("summary.json"));
    Result result = RunHost({"grab", "--device", "Aravis-Fake-GV01", "--frames", "2", "--json", json}, environment);
    ASSERT_EQ(result.code, 0) << result.err.toStdString();
    EXPECT_EQ(ReadJson(json).value("width").toInt(), 40);
    EXPECT_EQ(ReadJson(json).value("height").toInt(), 20);

    environment.insert(QStringLiteral("TISGRABBER_ARAVIS_SETTINGS"), dir.filePath(QStringLiteral("missing.ini")));
    result = RunHost({"grab", "--device", "Aravis-Fake-GV01", "--frames", "1"}, environment);
    EXPECT_EQ(result.code, 11) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(dir.filePath(QStringLiteral("missing.ini")))) << result.err.toStdString();
}

// What the camera really does is in the summary, and a difference from what
// was asked is a warning: the fake camera's gain goes to 10, it has no
// automatic exposure, and it sends 8-bit frames when GRAY16 is asked.
TEST(CameraHostProgram, SettingsInEffectAreReadBackWithWarnings)
{
    GvFakeCamera fake(GvFakeCamera::Preset{64, 48, 10000, true});
    ASSERT_TRUE(fake.Running());
    QTemporaryDir dir;
    const QString json = dir.filePath(QStringLiteral("summary.json"));
    const Result result = RunHost({"grab", "--device", "Aravis-Fake-GV01", "--frames", "2", "--gain", "50",
                                   "--exposure", "0", "--format", "GRAY16", "--json", json});
    ASSERT_EQ(result.code, 0) << result.err.toStdString();
    const QJsonObject summary = ReadJson(json);
    EXPECT_GT(summary.value("exposureUs").toDouble(), 0);
    const QStringList warnings = summary.value("warnings").toVariant().toStringList();
    EXPECT_TRUE(warnings.contains(QStringLiteral("automatic exposure asked, but the camera has none: %1 us in effect")
                                      .arg(summary.value("exposureUs").toDouble(), 0, 'f', 1)))
        << warnings.join('|').toStdString();
    EXPECT_TRUE(warnings.contains(QStringLiteral("gain 50 asked, %1 in effect").arg(summary.value("gain").toDouble(), 0, 'f', 2)))
        << warnings.join('|').toStdString();
    EXPECT_TRUE(warnings.contains(QStringLiteral("GRAY16 asked, frames have 8 bits per pixel"))) << warnings.join('|').toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("warning: gain 50 asked"))) << result.out.toStdString();
    EXPECT_TRUE(summary.value("stream").toObject().contains("packetsMissing"));
}

TEST(CameraHostProgram, ListDetailsGiveTheTransportsView)
{
    GvFakeCamera fake;
    ASSERT_TRUE(fake.Running());
    Result result = RunHost({"list", "--details"});
    ASSERT_EQ(result.code, 0) << result.err.toStdString();
    const QStringList line = result.out.split(QLatin1Char('\n')).filter(QStringLiteral("Aravis-Fake-GV01")).value(0).split('\t');
    ASSERT_EQ(line.size(), 7) << result.out.toStdString();
    EXPECT_EQ(line[2], QStringLiteral("Aravis"));
    EXPECT_EQ(line[4], QStringLiteral("GV01"));
    EXPECT_EQ(line[5], QStringLiteral("127.0.0.1"));
    result = RunHost({"list", "--details", "--json", "-"});
    const QJsonArray cameras = QJsonDocument::fromJson(result.out.toUtf8()).array();
    ASSERT_FALSE(cameras.isEmpty()) << result.out.toStdString();
    EXPECT_EQ(cameras[0].toObject().value("serial").toString(), QStringLiteral("GV01"));
}

// The default output is what an integrator reads; the module's per-frame
// messages come only with --verbose, and --quiet leaves the summary.
TEST(CameraHostProgram, OutputFollowsTheVerbosityAsked)
{
    GvFakeCamera fake(GvFakeCamera::Preset{64, 48, 10000, true});
    ASSERT_TRUE(fake.Running());
    const QStringList grab{"grab", "--device", "Aravis-Fake-GV01", "--frames", "2"};
    const Result normal = RunHost(grab);
    const Result verbose = RunHost(grab + QStringList{"--verbose"});
    const Result quiet = RunHost(grab + QStringList{"--quiet"});
    for (const Result* result : {&normal, &verbose, &quiet})
        ASSERT_EQ(result->code, 0) << result->err.toStdString();
    EXPECT_FALSE(normal.err.contains(QStringLiteral("Gige image get"))) << normal.err.toStdString();
    EXPECT_FALSE(normal.err.contains(QStringLiteral("ICloseCamera")));
    EXPECT_TRUE(verbose.err.contains(QStringLiteral("debug: Gige image get: ")));
    EXPECT_TRUE(verbose.err.contains(QStringLiteral("debug: ICloseCamera")));
    EXPECT_EQ(quiet.err, QString());
    for (const Result* result : {&normal, &verbose, &quiet})
        EXPECT_TRUE(result->out.contains(QStringLiteral("received 2, lost 0"))) << result->out.toStdString();
    const Result help = RunHost({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("usage: camera-host")));
}

// Ctrl-C mid-grab: the camera is stopped, closed and released in order, the
// results are kept, and the next run can open the camera at once.
TEST(CameraHostProgram, InterruptKeepsTheResultsAndFreesTheCamera)
{
    GvFakeCamera fake(GvFakeCamera::Preset{64, 48, 10000, true});
    ASSERT_TRUE(fake.Running());
    QTemporaryDir dir;
    const QString json = dir.filePath(QStringLiteral("summary.json"));
    QProcess process;
    process.setReadChannel(QProcess::StandardError);
    process.start(QStringLiteral(CAMERA_HOST_PATH),
                  {"grab", "--device", "Aravis-Fake-GV01", "--mode", "2", "--frames", "100000", "--verbose", "--json", json});
    QByteArray err;
    while (!err.contains("Gige image get") && process.waitForReadyRead(10000))
        err += process.readAllStandardError();
    ASSERT_TRUE(err.contains("Gige image get")) << err.toStdString();
    ::kill(pid_t(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 130);
    EXPECT_GT(ReadJson(json).value("received").toInt(), 0);
    EXPECT_TRUE(QString::fromLocal8Bit(process.readAllStandardOutput()).contains(QStringLiteral("frames: requested 100000")));
    const Result next = RunHost({"grab", "--device", "Aravis-Fake-GV01", "--frames", "1", "--quiet"});
    EXPECT_EQ(next.code, 0) << next.err.toStdString();
}

// A whole station at once: three cameras, one driver object each, one
// summary each (the JSON an array), and an exit code that says whether every
// camera delivered.
TEST(CameraHostProgram, GrabsFromSeveralCamerasAtOnce)
{
    TestNetwork network;
    std::string why;
    if (!network.Usable(&why))
        GTEST_SKIP() << why;
    std::vector<std::unique_ptr<GvFakeCamera>> cameras;
    QStringList arguments{"grab", "--mode", "2", "--frames", "20", "--quiet"};
    for (int i = 1; i <= 3; ++i) {
        const std::string address = network.AddAddress(i), serial = "S" + std::to_string(i);
        cameras.push_back(std::make_unique<GvFakeCamera>(GvFakeCamera::Preset{uint32_t(16 * i), 8, 10000, true},
                                                         address.c_str(), serial.c_str()));
        ASSERT_TRUE(cameras.back()->Running());
        arguments << "--device" << QString::fromStdString(cameras.back()->DeviceId());
    }
    QTemporaryDir dir;
    const QString json = dir.filePath(QStringLiteral("station.json"));
    Result result = RunHost(arguments + QStringList{"--json", json});
    ASSERT_EQ(result.code, 0) << result.err.toStdString();
    QFile file(json);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonArray summaries = QJsonDocument::fromJson(file.readAll()).array();
    ASSERT_EQ(summaries.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const QJsonObject summary = summaries[i].toObject();
        EXPECT_EQ(summary.value("device").toString(), QString::fromStdString(cameras[size_t(i)]->DeviceId()));
        EXPECT_EQ(summary.value("width").toInt(), 16 * (i + 1));  // each camera's own frames
        EXPECT_EQ(summary.value("received").toInt(), 20);
    }
    EXPECT_EQ(result.out.count(QStringLiteral("device: ")), 3);

    // One camera missing: the others still grab, the exit code says not all delivered.
    result = RunHost(QStringList{"grab", "--mode", "2", "--frames", "5", "--quiet", "--device",
                                 QString::fromStdString(cameras[0]->DeviceId()), "--device", "Aravis-Fake-NONE"});
    EXPECT_EQ(result.code, 5) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("received 5"))) << result.out.toStdString();
}
