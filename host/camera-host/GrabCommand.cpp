// camera-host grab: open a camera, grab N frames in the requested mode, close,
// report.

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <cstdio>
#include <thread>
#include <unistd.h>

#include "CameraSession.h"
#include "Commands.h"
#include "FrameFile.h"
#include "GrabStatistics.h"

namespace {

using Clock = std::chrono::steady_clock;

class Progress {
public:
    explicit Progress(int total) : total_(total), enabled_(isatty(STDERR_FILENO)), start_(Clock::now()) {}
    ~Progress()
    {
        if (enabled_ && shown_)
            std::fputc('\n', stderr);
    }
    void Update(int done)
    {
        if (!enabled_)
            return;
        const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
        std::fprintf(stderr, "\r%d of %d frames, %.1f fps ", done, total_, seconds > 0 ? done / seconds : 0.0);
        shown_ = true;
    }

private:
    const int total_;
    const bool enabled_;
    const Clock::time_point start_;
    bool shown_ = false;
};

// Opens the camera named by the options (or the first listed); returns an exit code.
int OpenCamera(const HostOptions& options, CameraSession& session, QString* device)
{
    if (!session.Create()) {
        PrintError(QStringLiteral("the module could not initialise the capture library"));
        return ExitModule;
    }
    ICameraObject* camera = session.Camera();
    const QStringList names = camera->IGetCameraList();
    if (names.isEmpty()) {
        PrintError(QStringLiteral("no cameras found"));
        return ExitNoCamera;
    }
    *device = options.device.isEmpty() ? names.first() : options.device;
    if (!names.contains(*device)) {
        PrintError(QStringLiteral("no such device: %1 (cameras: %2)").arg(*device, names.join(QStringLiteral(", "))));
        return ExitNoSuchDevice;
    }
    CameraParam& param = session.Param();
    param.cameraName = *device;
    param.pixelFormat = options.pixelFormat;
    param.exposure = options.exposure.value_or(0);
    param.gain = options.gain.value_or(0);
    if (camera->IOpenCamera() != 1) {
        PrintError(QStringLiteral("cannot open %1").arg(*device));
        return ExitOpen;
    }
    camera->ISetParameter(nullptr);  // catch up with the record, as a host does after open
    camera->requestedMode = options.mode;
    if (camera->IStartCamera() != 1) {
        PrintError(QStringLiteral("cannot start acquisition on %1").arg(*device));
        return ExitStart;
    }
    return ExitOk;
}

bool SaveFrame(const HostOptions& options, const Frame& frame, int index)
{
    if (options.saveDir.isEmpty())
        return true;
    const QString name = QStringLiteral("frame-%1.%2")
                             .arg(index, 6, 10, QLatin1Char('0'))
                             .arg(frame_file::Extension(frame.bitsPerPixel));
    QString error;
    if (!frame_file::Save(frame, QDir(options.saveDir).filePath(name), &error)) {
        PrintError(error);
        return false;
    }
    return true;
}

bool WriteJson(const HostOptions& options, const GrabSummary& summary)
{
    if (options.jsonPath.isEmpty())
        return true;
    const QByteArray json = QJsonDocument(summary.ToJson()).toJson(QJsonDocument::Indented);
    if (options.jsonPath == QLatin1String("-")) {
        std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
        return true;
    }
    QFile file(options.jsonPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size()) {
        PrintError(QStringLiteral("cannot write %1: %2").arg(options.jsonPath, file.errorString()));
        return false;
    }
    return true;
}

}  // namespace

int RunGrab(const HostOptions& options, const ModuleLoader& module)
{
    if (!options.saveDir.isEmpty() && !QDir().mkpath(options.saveDir)) {
        PrintError(QStringLiteral("cannot create %1").arg(options.saveDir));
        return ExitSave;
    }
    CameraSession session(module);
    QString device;
    if (const int code = OpenCamera(options, session, &device); code != ExitOk)
        return code;

    ICameraObject* camera = session.Camera();
    const bool triggered = options.mode == ModeTriggerOn;
    const auto timeout = std::chrono::milliseconds(options.timeoutMs);
    const auto period = options.rateHz > 0 ? std::chrono::duration<double>(1.0 / options.rateHz)
                                           : std::chrono::duration<double>(0);
    GrabStatistics statistics(device, options.frames);
    Progress progress(options.frames);
    bool saved = true;
    bool changesApplied = options.changes.empty();
    const Clock::time_point start = Clock::now();

    for (int i = 0; i < options.frames; ++i) {
        std::optional<Clock::time_point> trigger;
        if (triggered) {
            if (period.count() > 0)
                std::this_thread::sleep_until(start + std::chrono::duration_cast<Clock::duration>(period * i));
            trigger = Clock::now();
            camera->ISnapImage();
        }
        const auto frame = session.Frames().Take(timeout);
        if (!frame) {
            statistics.AddTimeout();
            continue;
        }
        statistics.AddFrame(*frame, trigger);
        saved = SaveFrame(options, *frame, i + 1) && saved;
        if (!changesApplied) {  // the changes go in while frames flow
            for (const ParamChange& change : options.changes)
                camera->ISetParameter(&change);
            changesApplied = true;
        }
        progress.Update(i + 1);
    }
    camera->IStopCamera();
    session.End();

    const GrabSummary summary = statistics.Finish();
    std::fputs(summary.ToText().toLocal8Bit().constData(), stdout);
    if (!WriteJson(options, summary) || !saved)
        return ExitSave;
    if (summary.timeouts > 0) {
        PrintError(QStringLiteral("frames timed out: %1 of %2").arg(summary.timeouts).arg(options.frames));
        return ExitTimeout;
    }
    return ExitOk;
}
