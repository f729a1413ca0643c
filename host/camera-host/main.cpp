// camera-host: loads the camera driver module as the application does, lists
// cameras or grabs frames from one, and reports what arrived.

#include <QCoreApplication>
#include <cstdio>

#include "CaptureSelection.h"
#include "Commands.h"
#include "ErrorOutput.h"
#include "HostLog.h"
#include "HostOptions.h"
#include "Interruption.h"

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
    if (options->command == QLatin1String("help")) {
        std::fputs(HostUsage().toLocal8Bit().constData(), stdout);
        return ExitOk;
    }
    host_log::Install(options->quiet     ? host_log::Verbosity::Quiet
                      : options->verbose ? host_log::Verbosity::Verbose
                                         : host_log::Verbosity::Normal);
    interruption::Install();
    if (options->simulate)
        capture_selection::UseSimulatedCamera();

    ModuleLoader module;
    const QString path = options->modulePath.isEmpty() ? ModuleLoader::DefaultPath() : options->modulePath;
    if (!module.Load(path, &error)) {
        PrintError(error);
        return ExitModule;
    }
    if (options->command == QLatin1String("list"))
        return RunList(*options, module);
    if (options->command == QLatin1String("features"))
        return RunFeatures(*options, module);
    return RunGrab(*options, module);
}
