// camera-host: loads the camera driver module as the application does, lists
// cameras or grabs frames from one, and reports what arrived.

#include <QCoreApplication>
#include <cstdio>

#include "Commands.h"
#include "HostLog.h"
#include "HostOptions.h"

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QString error;
    const auto options = ParseHostOptions(app.arguments().mid(1), &error);
    if (!options) {
        PrintError(error);
        std::fputs(HostUsage().toLocal8Bit().constData(), stderr);
        return ExitUsage;
    }
    host_log::Install(options->quiet);
    if (options->simulate)  // the Linux capture library's own setting: Aravis's in-process camera only
        qputenv("TISGRABBER_ARAVIS_INTERFACES", "Fake");

    ModuleLoader module;
    const QString path = options->modulePath.isEmpty() ? ModuleLoader::DefaultPath() : options->modulePath;
    if (!module.Load(path, &error)) {
        PrintError(error);
        return ExitModule;
    }
    return options->command == QLatin1String("list") ? RunList(*options, module) : RunGrab(*options, module);
}
