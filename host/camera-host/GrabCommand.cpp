// camera-host grab: open a camera, grab N frames in the requested mode, close,
// report. A lost camera or a SIGINT/SIGTERM ends the grab early; the summary
// and the JSON then hold what was received.

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

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

// The progress line: one line for every camera of the grab.
class Progress {
public:
    Progress(const QStringList& devices, int total) : devices_(devices), done_(devices.size(), 0), total_(total) {}
    ~Progress() { host_log::ClearProgress(); }
    void Update(int device, int done)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_[device] = done;
        const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
        QStringList parts;
        for (int i = 0; i < devices_.size(); ++i) {
            const double fps = seconds > 0 ? done_[i] / seconds : 0.0;
            const QString figures = QStringLiteral("%1 of %2 frames, %3 fps")
                                        .arg(done_[i])
                                        .arg(total_)
                                        .arg(fps, 0, 'f', 1);
            parts << (devices_.size() == 1 ? figures : devices_[i] + QStringLiteral(": ") + figures);
        }
        host_log::ShowProgress(parts.join(QStringLiteral(" | ")));
    }

private:
    std::mutex mutex_;
    const QStringList devices_;
    std::vector<int> done_;
    const int total_;
    const Clock::time_point start_ = Clock::now();
};

// One camera of the grab: its session, its figures, its outcome.
struct DeviceGrab {
    QString requested;  // as named on the command line (empty: the first listed)
    QString device;     // as opened
    std::unique_ptr<CameraSession> session;
    std::unique_ptr<GrabStatistics> statistics;
    int code = 0;
    bool saved = true;
};

// Tells each camera's frame sink when the module reports that camera lost.
// The report comes on the capture library's thread while cameras are still
// being opened here: the names it matches are guarded.
class LossWatch {
public:
    LossWatch()
    {
        host_log::OnCameraLost([this](const QString& camera) {
            std::lock_guard<std::mutex> lock(mutex_);
            for (const auto& [device, sink] : watched_)
                if (device == camera)
                    sink->MarkLost();
        });
    }
    ~LossWatch() { host_log::OnCameraLost(nullptr); }
    void Watch(const QString& device, FrameSink& sink)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        watched_.emplace_back(device, &sink);
    }

private:
    std::mutex mutex_;
    std::vector<std::pair<QString, FrameSink*>> watched_;
};

// A device id as a folder name: discovery hands us whatever a camera says.
QString FolderName(const QString& device)
{
    QString name = device;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
        name.prepend(QLatin1Char('_'));
    return name;
}

bool Interrupted()
{
    return interruption::Received() != 0;
}

// Makes the camera object and finds the device (the one asked for, or the
// first listed); returns an exit code.
int FindCamera(DeviceGrab& grab)
{
    if (!grab.session->Create()) {
        PrintError(QStringLiteral("the module could not initialise the capture library"));
        return ExitModule;
    }
    const QStringList names = grab.session->Devices();
    if (names.isEmpty()) {
        PrintError(QStringLiteral("no cameras found"));
        return ExitNoCamera;
    }
    grab.device = grab.requested.isEmpty() ? names.first() : grab.requested;
    if (!names.contains(grab.device)) {
        PrintError(QStringLiteral("no such device: %1 (cameras: %2)").arg(grab.device, names.join(QStringLiteral(", "))));
        return ExitNoSuchDevice;
    }
    return ExitOk;
}

// Opens the device with the grab's settings and starts it; returns an exit code.
int StartCamera(const HostOptions& options, DeviceGrab& grab)
{
    const QString& device = grab.device;
    if (!options.features.isEmpty() && !capture_extensions::Available()) {
        PrintError(QStringLiteral("--feature needs the Linux capture library"));
        return ExitSetting;
    }
    if (!capture_extensions::SetOpenFeatures(device, options.features)) {
        PrintError(QStringLiteral("the capture library refused the features %1").arg(options.features.join(' ')));
        return ExitSetting;
    }
    const CameraSession::Settings settings{device, options.pixelFormat, options.exposure.value_or(0),
                                           options.gain.value_or(0)};
    const bool opened = grab.session->Open(settings);
    capture_extensions::SetOpenFeatures(device, {});  // for this grab only
    if (!opened) {
        // A refused setting is a configuration error of its own, said in one line.
        const QString refused = capture_extensions::LastSettingsError();
        if (!refused.isEmpty()) {
            PrintError(QStringLiteral("setting refused: %1").arg(refused));
            return ExitSetting;
        }
        PrintError(QStringLiteral("cannot open %1").arg(device));
        return ExitOpen;
    }
    if (!grab.session->Start(options.mode)) {
        PrintError(QStringLiteral("cannot start acquisition on %1").arg(device));
        return ExitStart;
    }
    return ExitOk;
}

bool SaveFrame(const QString& saveDir, const Frame& frame, int index)
{
    if (saveDir.isEmpty())
        return true;
    const QString name = QStringLiteral("frame-%1.%2")
                             .arg(index, 6, 10, QLatin1Char('0'))
                             .arg(frame_file::Extension(frame.bitsPerPixel));
    QString error;
    if (!frame_file::Save(frame, QDir(saveDir).filePath(name), &error)) {
        PrintError(error);
        return false;
    }
    return true;
}

// One camera's summary as an object, several as an array of them.
bool WriteJson(const HostOptions& options, const std::vector<GrabSummary>& summaries)
{
    if (options.jsonPath.isEmpty())
        return true;
    QJsonDocument document;
    if (summaries.size() == 1) {
        document = QJsonDocument(summaries.front().ToJson());
    } else {
        QJsonArray all;
        for (const GrabSummary& summary : summaries)
            all.append(summary.ToJson());
        document = QJsonDocument(all);
    }
    const QByteArray json = document.toJson(QJsonDocument::Indented);
    if (options.jsonPath == QLatin1String("-")) {
        const bool written = std::fwrite(json.constData(), 1, size_t(json.size()), stdout) == size_t(json.size());
        return std::fflush(stdout) == 0 && written;
    }
    QFile file(options.jsonPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !file.flush()) {
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

// One camera's outcome; `prefix` names the camera when there are several.
int ExitCodeOf(const GrabSummary& summary, int requested, const QString& prefix)
{
    if (summary.cameraLost) {
        PrintError(prefix + QStringLiteral("camera lost after %1 of %2 frames").arg(summary.received).arg(requested));
        return ExitCameraLost;
    }
    if (summary.timeouts > 0) {
        PrintError(prefix + QStringLiteral("frames timed out: %1 of %2").arg(summary.timeouts).arg(requested));
        return ExitTimeout;
    }
    return ExitOk;
}

// Takes the grab's frames: one trigger per frame in mode 1, free-running
// frames otherwise, until done, interrupted or lost.
void GrabFrames(const HostOptions& options, DeviceGrab& grab, const QString& saveDir, Progress& progress, int index)
{
    CameraSession& session = *grab.session;
    GrabStatistics& statistics = *grab.statistics;
    const bool triggered = options.mode == ModeTriggerOn;
    const auto timeout = std::chrono::milliseconds(options.timeoutMs);
    const auto period = options.rateHz > 0 ? std::chrono::duration<double>(1.0 / options.rateHz)
                                           : std::chrono::duration<double>(0);
    bool changesApplied = options.changes.empty();
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
        grab.saved = SaveFrame(saveDir, *frame, i + 1) && grab.saved;
        if (!changesApplied) {  // the changes go in while frames flow
            for (const ParamChange& change : options.changes)
                session.Change(change.paramId, change.value);
            changesApplied = true;
        }
        progress.Update(index, i + 1);
    }
}

// Stops the camera and keeps what its session can still tell.
void StopCamera(DeviceGrab& grab)
{
    grab.session->Stop();
    if (const auto stream = capture_extensions::Statistics(grab.device))  // before close forgets the session
        grab.statistics->SetStream(*stream);
    grab.statistics->SetHostDropped(int(grab.session->Frames().Dropped()));
    if (grab.session->Frames().Lost())
        grab.statistics->MarkCameraLost();
}

}  // namespace

int RunGrab(const HostOptions& options, const ModuleLoader& module)
{
    if (!options.saveDir.isEmpty() && !QDir().mkpath(options.saveDir)) {
        PrintError(QStringLiteral("cannot create %1").arg(options.saveDir));
        return ExitSave;
    }
    // One driver object per camera, all in this process, the same options for each.
    std::vector<DeviceGrab> grabs(std::max<qsizetype>(1, options.devices.size()));
    for (size_t i = 0; i < grabs.size(); ++i) {
        grabs[i].requested = options.devices.value(int(i));
        grabs[i].session = std::make_unique<CameraSession>(module);
    }
    const bool several = grabs.size() > 1;
    const auto prefix = [several](const DeviceGrab& grab) { return several ? grab.device + QStringLiteral(": ") : QString(); };
    LossWatch lossWatch;
    // Opened one after the other on this thread, as the contract's calls are made.
    for (DeviceGrab& grab : grabs) {
        grab.code = FindCamera(grab);
        if (grab.code == ExitOk) {
            lossWatch.Watch(grab.device, grab.session->Frames());  // before the open: a loss may come at any time
            grab.code = StartCamera(options, grab);
        }
        if (grab.code != ExitOk && !several)
            return grab.code;
        grab.statistics = std::make_unique<GrabStatistics>(grab.device, options.frames);
        if (grab.code == ExitOk)
            ReadBackSettings(options, grab.device, *grab.statistics);
    }

    QStringList devices;
    for (const DeviceGrab& grab : grabs)
        devices << grab.device;
    {
        Progress progress(devices, options.frames);
        std::vector<std::thread> threads;
        for (size_t i = 0; i < grabs.size(); ++i) {
            if (grabs[i].code != ExitOk)
                continue;
            const QString saveDir = several && !options.saveDir.isEmpty()
                                        ? QDir(options.saveDir).filePath(FolderName(grabs[i].device))
                                        : options.saveDir;
            if (!saveDir.isEmpty())
                QDir().mkpath(saveDir);
            DeviceGrab& grab = grabs[i];
            if (several)
                threads.emplace_back([&, saveDir, i] { GrabFrames(options, grab, saveDir, progress, int(i)); });
            else
                GrabFrames(options, grab, saveDir, progress, int(i));
        }
        for (std::thread& thread : threads)
            thread.join();
    }
    std::vector<GrabSummary> summaries;
    for (DeviceGrab& grab : grabs) {
        if (grab.code == ExitOk)
            StopCamera(grab);
        grab.session->End();
        summaries.push_back(grab.statistics->Finish());
    }

    // With the JSON on stdout, the text goes to stderr so that stdout parses.
    FILE* text = options.jsonPath == QLatin1String("-") ? stderr : stdout;
    for (size_t i = 0; i < summaries.size(); ++i)
        std::fprintf(text, "%s%s", i > 0 ? "\n" : "", summaries[i].ToText().toLocal8Bit().constData());
    std::fflush(text);
    const bool written = WriteJson(options, summaries);
    if (const int signal = interruption::Received())
        return 128 + signal;
    // 0 only if every camera delivered; otherwise the first camera's reason.
    int code = ExitOk;
    for (size_t i = 0; i < grabs.size(); ++i) {
        int outcome = grabs[i].code != ExitOk ? grabs[i].code
                                              : ExitCodeOf(summaries[i], options.frames, prefix(grabs[i]));
        if (outcome == ExitOk && !grabs[i].saved)
            outcome = ExitSave;
        if (code == ExitOk)
            code = outcome;
    }
    if (code == ExitOk && !written)
        code = ExitSave;
    return code;
}
