// camera-host list: the module's cameras, with the transport's details on request.

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

#include "CameraSession.h"
#include "CaptureExtensions.h"
#include "Commands.h"
#include "ErrorOutput.h"

namespace {

QJsonObject DetailsJson(int index, const QString& name)
{
    QJsonObject entry{{"index", index}, {"name", name}};
    if (const auto details = capture_extensions::Details(index)) {
        entry.insert("vendor", details->vendor);
        entry.insert("model", details->model);
        entry.insert("serial", details->serial);
        entry.insert("address", details->address);
        entry.insert("mac", details->mac);
    }
    return entry;
}

bool WriteJson(const QString& path, const QJsonArray& cameras)
{
    const QByteArray json = QJsonDocument(cameras).toJson(QJsonDocument::Indented);
    if (path == QLatin1String("-"))
        return std::fwrite(json.constData(), 1, size_t(json.size()), stdout) == size_t(json.size());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size()) {
        PrintError(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

}  // namespace

int RunList(const HostOptions& options, const ModuleLoader& module)
{
    CameraSession session(module);
    if (!session.Create()) {
        PrintError(QStringLiteral("the module could not initialise the capture library"));
        return ExitModule;
    }
    const QStringList names = session.Devices();
    if (names.isEmpty())
        PrintError(QStringLiteral("no cameras found"));
    if (options.details && !capture_extensions::Available())
        PrintError(QStringLiteral("this capture library gives no device details"));
    QJsonArray cameras;
    for (int i = 0; i < names.size(); ++i) {
        const QJsonObject entry = DetailsJson(i, names[i]);
        cameras.append(entry);
        if (!options.jsonPath.isEmpty())
            continue;
        QString line = QStringLiteral("%1\t%2").arg(i).arg(names[i]);
        if (options.details)
            for (const char* key : {"vendor", "model", "serial", "address", "mac"})
                line += QLatin1Char('\t') + entry.value(QLatin1String(key)).toString();
        std::printf("%s\n", line.toLocal8Bit().constData());
    }
    if (!options.jsonPath.isEmpty() && !WriteJson(options.jsonPath, cameras))
        return ExitSave;
    return ExitOk;
}
