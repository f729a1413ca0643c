#include "HostLog.h"

#include <glib.h>
#include <unistd.h>

#include <QDateTime>
#include <cstdio>
#include <memory>
#include <mutex>

#include "DriverMessages.h"

namespace host_log {
namespace {

struct State {
    std::mutex mutex;
    Verbosity verbosity = Verbosity::Normal;
    bool terminal = isatty(STDERR_FILENO) == 1;
    QByteArray progress;  // shown at the bottom while non-empty
    std::function<void(const QString&)> lostListener;
    // Shared, so that a message (one per frame, verbose) copies a pointer, not the function.
    std::shared_ptr<const std::function<void(const char*, const QString&)>> messageListener;
};

// Never destroyed: the capture library's background teardowns may still log
// while the process exits.
State& state()
{
    static State* const instance = new State;
    return *instance;
}

// Under the state's mutex: writes `line` above the progress line.
void WriteLocked(State& s, const QByteArray& line)
{
    if (s.terminal && !s.progress.isEmpty())
        std::fputs("\r\033[K", stderr);
    std::fputs(line.constData(), stderr);
    std::fputc('\n', stderr);
    if (s.terminal && !s.progress.isEmpty())
        std::fputs(s.progress.constData(), stderr);
    std::fflush(stderr);
}

void Write(const char* level, const QString& text, bool shown)
{
    State& s = state();
    std::shared_ptr<const std::function<void(const char*, const QString&)>> listener;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (shown)
            WriteLocked(s, Format(level, text).toLocal8Bit());
        listener = s.messageListener;
    }
    if (listener)
        (*listener)(level, text);
}

void QtHandler(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    const QString lostCamera = driver_messages::LostCameraName(text);
    if (!lostCamera.isNull()) {
        std::function<void(const QString&)> listener;
        {
            std::lock_guard<std::mutex> lock(state().mutex);
            listener = state().lostListener;
        }
        if (listener)
            listener(lostCamera);
    }
    const Verbosity verbosity = state().verbosity;
    switch (type) {
    case QtDebugMsg:
    case QtInfoMsg:
        Write(type == QtDebugMsg ? "debug" : "info", text, verbosity == Verbosity::Verbose);
        break;
    case QtWarningMsg: Write("warning", text, verbosity != Verbosity::Quiet); break;
    case QtCriticalMsg: Write("critical", text, true); break;
    case QtFatalMsg: Write("fatal", text, true); break;
    }
}

void GLibHandler(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer)
{
    const QString text = domain ? QStringLiteral("%1: %2").arg(QString::fromUtf8(domain), QString::fromUtf8(message))
                                : QString::fromUtf8(message);
    const Verbosity verbosity = state().verbosity;
    if (level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL))
        Write("critical", text, true);
    else if (level & G_LOG_LEVEL_WARNING)
        Write("warning", text, verbosity != Verbosity::Quiet);
    else
        Write(level & G_LOG_LEVEL_MESSAGE ? "info" : "debug", text, verbosity == Verbosity::Verbose);
}

}  // namespace

QString Format(const char* level, const QString& text)
{
    return QStringLiteral("%1 %2: %3")
        .arg(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")), QLatin1String(level), text);
}

void Install(Verbosity verbosity)
{
    {
        std::lock_guard<std::mutex> lock(state().mutex);
        state().verbosity = verbosity;
    }
    qInstallMessageHandler(QtHandler);
    g_log_set_default_handler(GLibHandler, nullptr);
}

void OnCameraLost(std::function<void(const QString& camera)> listener)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().lostListener = std::move(listener);
}

void OnMessage(std::function<void(const char* level, const QString& text)> listener)
{
    std::lock_guard<std::mutex> lock(state().mutex);
    state().messageListener =
        listener ? std::make_shared<const std::function<void(const char*, const QString&)>>(std::move(listener))
                 : nullptr;
}

void ShowProgress(const QString& text)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.terminal || s.verbosity == Verbosity::Quiet)
        return;
    s.progress = text.toLocal8Bit();
    std::fputs("\r\033[K", stderr);
    std::fputs(s.progress.constData(), stderr);
    std::fflush(stderr);
}

void ClearProgress()
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.terminal && !s.progress.isEmpty()) {
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }
    s.progress.clear();
}

void PrintLine(const QString& text)
{
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    WriteLocked(s, text.toLocal8Bit());
}

}  // namespace host_log
