#include <cstdio>

#include "CameraSession.h"
#include "Commands.h"
#include "ErrorOutput.h"

int RunList(const HostOptions&, const ModuleLoader& module)
{
    CameraSession session(module);
    if (!session.Create()) {
        PrintError(QStringLiteral("the module could not initialise the capture library"));
        return ExitModule;
    }
    const QStringList names = session.Devices();
    if (names.isEmpty()) {
        PrintError(QStringLiteral("no cameras found"));
        return ExitOk;
    }
    for (int i = 0; i < names.size(); ++i)
        std::printf("%d\t%s\n", i, names[i].toLocal8Bit().constData());
    return ExitOk;
}
