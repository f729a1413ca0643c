// The camera-host program against Aravis's GigE Vision fake camera served from
// this test process on loopback (inside the private network namespace), and
// against the simulated camera.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "support/GvFakeCamera.h"

namespace {

struct Result {
    int code = -1;
    QString out;
    QString err;
};

Result RunHost(const QStringList& arguments)
{
    QProcess process;
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
    return image;
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
        for (const QString& name : saved) {
            const Netpbm image = ReadNetpbm(QDir(frames).filePath(name));
            EXPECT_EQ(image.magic, QByteArray("P5"));
            EXPECT_EQ(image.width, summary.value("width").toInt());
            EXPECT_EQ(image.height, summary.value("height").toInt());
            EXPECT_EQ(image.bodyBytes, qint64(image.width) * image.height * summary.value("bitsPerPixel").toInt() / 8);
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
