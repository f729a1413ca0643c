#pragma once
// camera-host's command line.

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "ICameraObject.h"

enum ExitCode {
    ExitOk = 0,
    ExitUsage = 2,
    ExitModule = 3,
    ExitNoCamera = 4,
    ExitNoSuchDevice = 5,
    ExitOpen = 6,
    ExitStart = 7,
    ExitTimeout = 8,
    ExitSave = 9,
};

struct HostOptions {
    QString command;  // "list" or "grab"
    QString modulePath;
    bool quiet = false;
    bool simulate = false;
    QString device;
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
};

// Parses `arguments` (argv without the program name); on failure returns
// nullopt and a one-line reason in `error`.
std::optional<HostOptions> ParseHostOptions(const QStringList& arguments, QString* error);

QString HostUsage();
