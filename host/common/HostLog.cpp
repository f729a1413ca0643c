#include "HostLog.h"

#include <QDateTime>
#include <QString>
#include <atomic>
#include <cstdio>

namespace host_log {
namespace {

std::atomic<bool> hidePerFrame{false};

bool IsPerFrame(const QString& text)
{
    return text.startsWith(QLatin1String("Gige image get: ")) || text.startsWith(QLatin1String("Gige snap image: "));
}

const char* Level(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg: return "debug";
    case QtInfoMsg: return "info";
    case QtWarningMsg: return "warning";
    case QtCriticalMsg: return "critical";
    case QtFatalMsg: return "fatal";
    }
    return "?";
}

void Handler(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (hidePerFrame && IsPerFrame(text))
        return;
    const QByteArray time = QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss.zzz")).toUtf8();
    std::fprintf(stderr, "%s %s: %s\n", time.constData(), Level(type), text.toLocal8Bit().constData());
}

}  // namespace

void Install(bool quiet)
{
    hidePerFrame = quiet;
    qInstallMessageHandler(Handler);
}

}  // namespace host_log
