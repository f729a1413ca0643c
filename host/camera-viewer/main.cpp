// camera-viewer: a live window onto a camera through the driver module.

#include <QApplication>
#include <QCommandLineParser>

#include "CaptureSelection.h"
#include "ModuleLoader.h"
#include "ViewerWindow.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A live view of a camera through the vexaCam_120 module."));
    parser.addHelpOption();
    const QCommandLineOption simulate("simulate", "Use Aravis's in-process simulated camera.");
    const QCommandLineOption device("device", "Open this camera at start.", "NAME");
    const QCommandLineOption module("module", "The module to load.", "PATH");
    parser.addOptions({simulate, device, module});
    parser.process(app);
    if (parser.isSet(simulate))
        capture_selection::UseSimulatedCamera();

    ViewerWindow window;
    window.show();
    if (window.LoadModule(parser.isSet(module) ? parser.value(module) : ModuleLoader::DefaultPath())) {
        if (parser.isSet(device))
            window.OpenDevice(parser.value(device));
        else if (parser.isSet(simulate) && !window.Devices().isEmpty())
            window.OpenDevice(window.Devices().first());
    }
    return app.exec();
}
