// camera-host grab: open a camera, grab N frames in the requested mode, close,
// report. A lost camera or a SIGINT/SIGTERM ends the grab early; the summary
// and the JSON then hold what was received.

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <cmath>
#include <cstdio>
#include <thread>

#include "CameraSession.h"
#include "CaptureExtensions.h"
#include "Commands.h"
#include "ErrorOutput.h"
#include "FrameFile.h"
#include "GrabStatistics.h"
#include "HostLog.h"
#include "Interruption.h"

namespace {

using Clock = std::chrono::steady_clock;
// How often a wait looks at signals and loss.
constexpr std::chrono::milliseconds kWaitSlice(50);

class Progress {
public:
    explicit Progress(int total) : total_(total), start_(Clock::now()) {}
    ~Progress() { host_log::ClearProgress(); }
    void Update(int done)
    {
        const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
        host_log::ShowProgress(QStringLiteral("%1 of %2 frames, %3 fps")
                                   .arg(done)
                                   .arg(total_)
                                   .arg(seconds > 0 ? done / seconds : 0.0, 0, 'f', 1));
    }

private:
    const int total_;
    const Clock::time_point start_;
};

// Tells the session's frame sink when the module reports its camera lost.
class LossWatch {
public:
    LossWatch(const QString& device, FrameSink& sink)
    {
        host_log::OnCameraLost([device, &sink](const QString& camera) {
            if (camera == device)
                sink.MarkLost();
        });
    }
    ~LossWatch() { host_log::OnCameraLost(nullptr); }
};

bool Interrupted()
{
    return interruption::Received() != 0;
}

// Opens the camera named by the options (or the first listed); returns an exit code.
int OpenCamera(const HostOptions& options, CameraSession& session, QString* device)
{
    if (!session.Create()) {
        PrintError(QStringLiteral("the module could not initialise the capture library"));
        return ExitModule;
    }
    const QStringList names = session.Devices();
    if (names.isEmpty()) {
        PrintError(QStringLiteral("no cameras found"));
        return ExitNoCamera;
    }
    *device = options.device.isEmpty() ? names.first() : options.device;
    if (!names.contains(*device)) {
        PrintError(QStringLiteral("no such device: %1 (cameras: %2)").arg(*device, names.join(QStringLiteral(", "))));
        return ExitNoSuchDevice;
    }
    if (!options.features.isEmpty() && !capture_extensions::Available()) {
        PrintError(QStringLiteral("--feature needs the Linux capture library"));
        return ExitSetting;
    }
    if (!capture_extensions::SetOpenFeatures(*device, options.features)) {
        PrintError(QStringLiteral("the capture library refused the features %1").arg(options.features.join(' ')));
        return ExitSetting;
    }
    const CameraSession::Settings settings{*device, options.pixelFormat, options.exposure.value_or(0),
                                           options.gain.value_or(0)};
    const bool opened = session.Open(settings);
    capture_extensions::SetOpenFeatures(*device, {});  // for this grab only
    if (!opened) {
        // A refused setting is a configuration error of its own, said in one line.
        const QString refused = capture_extensions::LastSettingsError();
        if (!refused.isEmpty()) {
            PrintError(QStringLiteral("setting refused: %1").arg(refused));
            return ExitSetting;
        }
        PrintError(QStringLiteral("cannot open %1").arg(*device));
        return ExitOpen;
    }
    if (!session.Start(options.mode)) {
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
        std::fflush(stdout);
        return true;
    }
    QFile file(options.jsonPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size()) {
        PrintError(QStringLiteral("cannot write %1: %2").arg(options.jsonPath, file.errorString()));
        return false;
    }
    return true;
}

// Waits until `when`, or less once a signal or the loss of the camera ends the grab.
void PaceUntil(Clock::time_point when, const FrameSink& frames)
{
    while (Clock::now() < when && !Interrupted() && !frames.Lost())
        std::this_thread::sleep_for(std::min<Clock::duration>(kWaitSlice, when - Clock::now()));
}

// The next frame within `timeout`, or none (timed out, interrupted, camera
// lost). A frame that already arrived is taken first: it was received.
std::optional<Frame> NextFrame(FrameSink& frames, std::chrono::milliseconds timeout)
{
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        if (auto frame = frames.TryTake())
            return frame;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (Interrupted() || frames.Lost() || left.count() <= 0)
            return std::nullopt;
        if (auto frame = frames.Take(std::min(left, kWaitSlice)))
            return frame;
    }
}

// What the camera has in effect once started, and where it differs from what
// was asked: a value out of range, an automatic mode the camera lacks.
void ReadBackSettings(const HostOptions& options, const QString& device, GrabStatistics& statistics)
{
    const auto inEffect = capture_extensions::ReadExposureGain(device);
    if (!inEffect)
        return;
    const auto known = [](double value) { return value >= 0 ? std::optional<double>(value) : std::nullopt; };
    statistics.SetInEffect(known(inEffect->exposureUs), known(inEffect->gain));
    if (options.exposure) {
        if (*options.exposure == 0 && !inEffect->exposureAutoAvailable)
            statistics.Warn(QStringLiteral("automatic exposure asked, but the camera has none: %1 us in effect")
                                .arg(inEffect->exposureUs, 0, 'f', 1));
        else if (*options.exposure != 0 && std::abs(inEffect->exposureUs - *options.exposure) > 0.5)
            statistics.Warn(QStringLiteral("exposure %1 us asked, %2 us in effect")
                                .arg(*options.exposure)
                                .arg(inEffect->exposureUs, 0, 'f', 1));
    }
    if (options.gain) {
        if (*options.gain == 0 && !inEffect->gainAutoAvailable)
            statistics.Warn(QStringLiteral("automatic gain asked, but the camera has none: %1 in effect")
                                .arg(inEffect->gain, 0, 'f', 2));
        else if (*options.gain != 0 && std::abs(inEffect->gain - *options.gain) > 0.5)
            statistics.Warn(
                QStringLiteral("gain %1 asked, %2 in effect").arg(*options.gain).arg(inEffect->gain, 0, 'f', 2));
    }
}

void CheckDeliveredBits(const HostOptions& options, const Frame& frame, GrabStatistics& statistics)
{
    const int32_t asked = BitsPerPixelOf(options.pixelFormat);
    if (asked != 0 && frame.bitsPerPixel != asked)
        statistics.Warn(QStringLiteral("%1 asked, frames have %2 bits per pixel")
                            .arg(PixelFormatNames.value(options.pixelFormat))
                            .arg(frame.bitsPerPixel));
}

int ExitCodeOf(const GrabSummary& summary, bool written, int requested)
{
    if (const int signal = interruption::Received())
        return 128 + signal;
    if (summary.cameraLost) {
        PrintError(QStringLiteral("camera lost after %1 of %2 frames").arg(summary.received).arg(requested));
        return ExitCameraLost;
    }
    if (!written)
        return ExitSave;
    if (summary.timeouts > 0) {
        PrintError(QStringLiteral("frames timed out: %1 of %2").arg(summary.timeouts).arg(requested));
        return ExitTimeout;
    }
    return ExitOk;
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
    std::unique_ptr<LossWatch> lossWatch;
    if (!options.device.isEmpty())  // watching from before the open: a loss may come at any time
        lossWatch = std::make_unique<LossWatch>(options.device, session.Frames());
    if (const int code = OpenCamera(options, session, &device); code != ExitOk)
        return code;
    if (!lossWatch)
        lossWatch = std::make_unique<LossWatch>(device, session.Frames());

    const bool triggered = options.mode == ModeTriggerOn;
    const auto timeout = std::chrono::milliseconds(options.timeoutMs);
    const auto period = options.rateHz > 0 ? std::chrono::duration<double>(1.0 / options.rateHz)
                                           : std::chrono::duration<double>(0);
    GrabStatistics statistics(device, options.frames);
    ReadBackSettings(options, device, statistics);
    bool saved = true;
    bool changesApplied = options.changes.empty();
    {
        Progress progress(options.frames);
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < options.frames && !Interrupted() && !session.Frames().Lost(); ++i) {
            std::optional<Clock::time_point> trigger;
            if (triggered) {
                if (period.count() > 0)
                    PaceUntil(start + std::chrono::duration_cast<Clock::duration>(period * i), session.Frames());
                if (Interrupted() || session.Frames().Lost())
                    break;
                trigger = Clock::now();
                session.Snap();
            }
            const auto frame = NextFrame(session.Frames(), timeout);
            if (!frame) {
                if (!Interrupted() && !session.Frames().Lost())
                    statistics.AddTimeout();
                continue;
            }
            statistics.AddFrame(*frame, trigger);
            CheckDeliveredBits(options, *frame, statistics);
            saved = SaveFrame(options, *frame, i + 1) && saved;
            if (!changesApplied) {  // the changes go in while frames flow
                for (const ParamChange& change : options.changes)
                    session.Change(change.paramId, change.value);
                changesApplied = true;
            }
            progress.Update(i + 1);
        }
    }
    session.Stop();
    if (const auto stream = capture_extensions::Statistics(device))  // before close forgets the session
        statistics.SetStream(*stream);
    statistics.SetHostDropped(int(session.Frames().Dropped()));
    if (session.Frames().Lost())
        statistics.MarkCameraLost();
    session.End();

    const GrabSummary summary = statistics.Finish();
    const QByteArray text = summary.ToText().toLocal8Bit();
    // With the JSON on stdout, the text goes to stderr so that stdout parses.
    std::fputs(text.constData(), options.jsonPath == QLatin1String("-") ? stderr : stdout);
    std::fflush(stdout);
    const bool written = WriteJson(options, summary) && saved;
    return ExitCodeOf(summary, written, options.frames);
}
