// camera-host features: every feature the camera has now, with its type and
// value, through the Linux capture library's feature access.

#include <cstdio>

#include "CameraSession.h"
#include "CaptureExtensions.h"
#include "Commands.h"
#include "ErrorOutput.h"

int RunFeatures(const HostOptions& options, const ModuleLoader& module)
{
    CameraSession session(module);
    if (!session.Create()) {
        PrintError(QStringLiteral("the module could not initialise the capture library"));
        return ExitModule;
    }
    const QStringList names = session.Devices();
    if (names.isEmpty()) {
        PrintError(QStringLiteral("no cameras found"));
        return ExitNoCamera;
    }
    const QString device = options.device.isEmpty() ? names.first() : options.device;
    if (!names.contains(device)) {
        PrintError(QStringLiteral("no such device: %1 (cameras: %2)").arg(device, names.join(QStringLiteral(", "))));
        return ExitNoSuchDevice;
    }
    if (!capture_extensions::Available()) {
        PrintError(QStringLiteral("this capture library gives no access to features"));
        return ExitModule;
    }
    const auto features = capture_extensions::Features(device);
    if (!features) {
        PrintError(QStringLiteral("cannot read the features of %1").arg(device));
        return ExitOpen;
    }
    for (const auto& feature : *features)
        std::printf("%s\t%s\t%s\n", feature.name.toUtf8().constData(), feature.type.toUtf8().constData(),
                    feature.value.toUtf8().constData());
    return ExitOk;
}
