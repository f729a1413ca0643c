#include "CameraWorker.h"

#include <QTimer>

namespace {
constexpr int kReopenIntervalMs = 1000;
thread_local CameraWorker* threadsWorker = nullptr;
}  // namespace

CameraWorker* CameraWorker::OnThisThread()
{
    return threadsWorker;
}

CameraWorker::CameraWorker(const ModuleLoader& module, const CameraSession::Settings& settings, int deviceIndex)
    : settings_(settings),
      deviceIndex_(deviceIndex),
      // The window follows the newest frame; older ones waiting are skipped.
      session_(std::make_unique<CameraSession>(module, FrameSink::Options{true}))
{
    qRegisterMetaType<capture_extensions::ExposureGain>();
    qRegisterMetaType<capture_extensions::DeviceDetails>();
    thread_.setObjectName(QStringLiteral("camera %1").arg(settings.device));
    moveToThread(&thread_);
    thread_.start();
    QMetaObject::invokeMethod(this, [this] { threadsWorker = this; });
}

CameraWorker::~CameraWorker()
{
    reopening_ = false;
    QMetaObject::invokeMethod(
        this,
        [this] {
            session_->End();
            threadsWorker = nullptr;
        },
        Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

void CameraWorker::NoteMessage(const char* level, const QString& text)
{
    if (collecting_ && QLatin1String(level) == QLatin1String("warning"))
        lastWarning_ = text;
}

void CameraWorker::RequestOpen()
{
    QMetaObject::invokeMethod(this, [this] {
        Q_EMIT Busy(tr("opening %1…").arg(settings_.device));
        const bool ok = Open();
        Q_EMIT Opened(ok, ok ? QString() : FailureReason());
        Q_EMIT Idle();
    });
}

bool CameraWorker::Open()
{
    lastWarning_.clear();
    collecting_ = true;
    const bool ok = (session_->Camera() || session_->Create()) && session_->Open(settings_);
    collecting_ = false;
    if (ok) {
        if (deviceIndex_ >= 0)
            if (const auto details = capture_extensions::Details(deviceIndex_))
                Q_EMIT DetailsRead(*details);
        ReadValues();
    }
    return ok;
}

QString CameraWorker::FailureReason() const
{
    if (!session_->Camera())
        return tr("the module could not create a camera object");
    // A refused setting names itself; otherwise the library's or the
    // module's last warning of the open says why.
    // The library keeps the last settings failure of any camera: only one
    // that names this camera's group is this open's.
    const QString setting = capture_extensions::LastSettingsError();
    if (!setting.isEmpty() && setting.contains(settings_.device))
        return setting;
    return lastWarning_.isEmpty() ? tr("the camera did not open") : lastWarning_;
}

void CameraWorker::ReadValues()
{
    if (const auto values = capture_extensions::ReadExposureGain(settings_.device))
        Q_EMIT ValuesRead(*values);
}

void CameraWorker::RequestClose()
{
    reopening_ = false;
    QMetaObject::invokeMethod(this, [this] {
        Q_EMIT Busy(tr("closing %1…").arg(settings_.device));
        session_->Close();
        Q_EMIT Closed();
        Q_EMIT Idle();
    });
}

void CameraWorker::RequestStart(int32_t mode)
{
    QMetaObject::invokeMethod(this, [this, mode] {
        Q_EMIT Busy(tr("starting…"));
        session_->Frames().Reset();
        Q_EMIT Started(session_->Start(mode), mode);
        Q_EMIT Idle();
    });
}

void CameraWorker::RequestStop()
{
    QMetaObject::invokeMethod(this, [this] {
        Q_EMIT Busy(tr("stopping…"));
        session_->Stop();
        Q_EMIT Stopped();
        Q_EMIT Idle();
    });
}

void CameraWorker::RequestSnap()
{
    // Repeated snaps faster than the camera answers wait as one, so a stop
    // or close never queues behind a pile of them.
    if (snapQueued_.exchange(true))
        return;
    QMetaObject::invokeMethod(this, [this] {
        snapQueued_ = false;
        session_->Snap();
    });
}

void CameraWorker::RequestChange(int32_t paramId, int32_t value)
{
    QMetaObject::invokeMethod(this, [this, paramId, value] {
        Q_EMIT Busy(tr("setting…"));
        session_->Change(paramId, value);
        ReadValues();  // the camera's own value, not the one typed
        Q_EMIT Idle();
    });
}

void CameraWorker::RequestReopen(bool restart, int32_t mode)
{
    reopening_ = true;
    QMetaObject::invokeMethod(this, [this, restart, mode] { Reopen(1, restart, mode); });
}

void CameraWorker::StopReopening()
{
    reopening_ = false;
}

void CameraWorker::Reopen(int attempt, bool restart, int32_t mode)
{
    if (!reopening_) {
        Q_EMIT ReopenStopped();
        return;
    }
    Q_EMIT Busy(tr("reopening %1, attempt %2…").arg(settings_.device).arg(attempt));
    session_->Close();  // what is left of the lost session
    session_->Frames().Reset();
    if (Open()) {
        reopening_ = false;
        Q_EMIT Opened(true, QString());
        if (restart)
            Q_EMIT Started(session_->Start(mode), mode);
        Q_EMIT Idle();
        return;
    }
    Q_EMIT ReopenAttempt(attempt, FailureReason());
    Q_EMIT Idle();
    QTimer::singleShot(kReopenIntervalMs, this, [this, attempt, restart, mode] { Reopen(attempt + 1, restart, mode); });
}
