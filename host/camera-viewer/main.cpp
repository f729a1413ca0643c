// camera-viewer: a live window onto one or more cameras through the driver module.

#include <QApplication>
#include <QCommandLineParser>
#include <utility>

#include "CameraTab.h"
#include "CaptureSelection.h"
#include "ModuleLoader.h"
#include "ViewerWindow.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A live view of cameras through the vexaCam_120 module."));
    parser.addHelpOption();
    const QCommandLineOption simulate("simulate", "Use Aravis's in-process simulated camera.");
    const QCommandLineOption device("device", "Open this camera at start (repeat for several).", "NAME");
    const QCommandLineOption start("start", "Start free-run acquisition once a camera is open.");
    const QCommandLineOption module("module", "The module to load.", "PATH");
    parser.addOptions({simulate, device, start, module});
    parser.process(app);
    if (parser.isSet(simulate))
        capture_selection::UseSimulatedCamera();

    ViewerWindow window;
    window.show();
    if (!window.LoadModule(parser.isSet(module) ? parser.value(module) : ModuleLoader::DefaultPath()))
        return app.exec();  // the window says why
    // Once the first list is there (its indexes give the devices' details).
    QObject::connect(&window, &ViewerWindow::DevicesListed, &window, [&] {
        static bool opened = false;
        if (std::exchange(opened, true))
            return;
        QStringList devices = parser.values(device);
        if (devices.isEmpty() && parser.isSet(simulate) && !window.Devices().isEmpty())
            devices << window.Devices().first();
        for (const QString& name : devices)
            if (CameraTab* tab = window.OpenDevice(name); tab && parser.isSet(start))
                tab->StartWhenOpen(ModeTriggerOff);
    });
    return app.exec();
}
