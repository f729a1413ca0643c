#include "ErrorOutput.h"

#include "HostLog.h"

void PrintError(const QString& message)
{
    host_log::PrintLine(QStringLiteral("camera-host: ") + message);
}
