#pragma once
// One camera's session, on a thread of its own: open, close, start, stop,
// snap and settings run there one after the other, in the contract's order,
// so the window never waits for a camera. Requests are queued on the
// thread's event loop; each reports when it begins and ends. Frames go
// straight from the library's thread to the session's frame sink, which the
// window reads.

#include <QObject>
#include <QThread>
#include <atomic>
#include <memory>

#include "CameraSession.h"
#include "CaptureExtensions.h"

Q_DECLARE_METATYPE(capture_extensions::ExposureGain)
Q_DECLARE_METATYPE(capture_extensions::DeviceDetails)

class CameraWorker : public QObject {
    Q_OBJECT
public:
    // Makes the session and starts the thread; `deviceIndex` is the device's
    // place in the module's last list (for its details), -1 if unknown.
    CameraWorker(const ModuleLoader& module, const CameraSession::Settings& settings, int deviceIndex);
    // Ends the session (stop, close, delete the camera object) on its thread
    // and waits for that thread.
    ~CameraWorker() override;

    // Thread-safe: the session's frame sink, where frames arrive.
    FrameSink& Frames() { return session_->Frames(); }

    // Each queues its operation on the camera's thread.
    void RequestOpen();
    void RequestClose();
    void RequestStart(int32_t mode);
    void RequestStop();
    void RequestSnap();
    void RequestChange(int32_t paramId, int32_t value);
    // Closes and opens again, once a second, until the camera answers or
    // StopReopening; then starts again in `mode` if `restart`.
    void RequestReopen(bool restart, int32_t mode);
    // Ends the retries at once, even while an attempt runs (it is the last).
    void StopReopening();

    // A message written on the camera's thread (while one of its operations
    // runs): a failed open's reason is the last warning among them.
    void NoteMessage(const char* level, const QString& text);
    // The worker whose thread is the calling one, or null.
    static CameraWorker* OnThisThread();

Q_SIGNALS:
    // An operation began ("opening …") or ended.
    void Busy(const QString& what);
    void Idle();
    void Opened(bool ok, const QString& reason);
    void Started(bool ok, int mode);
    void Stopped();
    void Closed();
    void ReopenAttempt(int attempt, const QString& reason);
    void ReopenStopped();
    // What the camera has after an open or a change (only with the Linux library).
    void ValuesRead(const capture_extensions::ExposureGain& values);
    void DetailsRead(const capture_extensions::DeviceDetails& details);

private:
    // On the camera's thread.
    bool Open();
    void ReadValues();
    QString FailureReason() const;
    void Reopen(int attempt, bool restart, int32_t mode);

    const CameraSession::Settings settings_;
    const int deviceIndex_;
    QThread thread_;
    std::unique_ptr<CameraSession> session_;
    std::atomic<bool> reopening_{false};
    std::atomic<bool> snapQueued_{false};
    QString lastWarning_;  // on the camera's thread
    bool collecting_ = false;
};
