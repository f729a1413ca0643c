#pragma once
// camera-host's command line.

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "ICameraObject.h"

// Triggers per second that --rate accepts.
constexpr double kMinRateHz = 0.01;
constexpr double kMaxRateHz = 10000;

struct HostOptions {
    QString command;  // "list", "features", "grab" or "help"
    QString modulePath;
    bool quiet = false;    // errors and the summary only
    bool verbose = false;  // every message of the module and the library
    bool simulate = false;
    QString device;       // the first --device (list, features), or empty
    QStringList devices;  // every --device: grab takes frames from all of them at once
    int32_t pixelFormat = PixelFormat::GRAY8;
    std::optional<int32_t> exposure;
    std::optional<int32_t> gain;
    int32_t mode = ModeTriggerOn;
    int frames = 10;
    double rateHz = 0;  // 0: next trigger as soon as the last frame arrived
    int timeoutMs = 2000;
    QString saveDir;
    QString jsonPath;                     // "-" for stdout
    std::vector<ParamChange> changes;     // --set, applied while grabbing
    QStringList features;                 // --feature NAME=VALUE, applied at open
    bool details = false;                 // list --details
};

// Parses `arguments` (argv without the program name); on failure returns
// nullopt and a one-line reason in `error`.
std::optional<HostOptions> ParseHostOptions(const QStringList& arguments, QString* error);

QString HostUsage();
