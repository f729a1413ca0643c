#include "HostOptions.h"

#include <QCommandLineParser>
#include <cmath>
#include <functional>

namespace {

std::optional<int32_t> ParseFormat(const QString& name)
{
    for (auto it = PixelFormatNames.begin(); it != PixelFormatNames.end(); ++it)
        if (it.key() != PixelFormat::None && it.value().compare(name, Qt::CaseInsensitive) == 0)
            return it.key();
    return std::nullopt;
}

bool ParseInt(const QString& text, int64_t min, int64_t max, int64_t* value)
{
    bool ok = false;
    const qlonglong parsed = text.toLongLong(&ok);
    if (!ok || parsed < min || parsed > max)
        return false;
    *value = parsed;
    return true;
}

bool ParseChange(const QString& text, ParamChange* change)
{
    const int equals = text.indexOf(QLatin1Char('='));
    const QString name = text.left(equals);
    int64_t value = 0;
    if (equals < 0 || !ParseInt(text.mid(equals + 1), INT32_MIN, INT32_MAX, &value))
        return false;
    if (name == QLatin1String("exposure"))
        *change = ParamChange{PARAM_EXPOSURE, int32_t(value)};
    else if (name == QLatin1String("gain"))
        *change = ParamChange{PARAM_GAIN, int32_t(value)};
    else
        return false;
    return true;
}

}  // namespace

QString HostUsage()
{
    return QStringLiteral(
        "usage: camera-host list [--simulate] [--details] [--json FILE|-] [--module PATH] [--quiet|--verbose]\n"
        "       camera-host features [--simulate] [--device NAME] [--module PATH]\n"
        "       camera-host grab [--simulate] [--device NAME] [--format GRAY8|RGB24|RGB32|GRAY16|RGB48|BGR24|BGR32]\n"
        "                        [--exposure N] [--gain N] [--mode 1|2|3] [--frames N] [--rate HZ]\n"
        "                        [--timeout-ms T] [--save DIR] [--json FILE|-] [--set exposure=N|gain=N]...\n"
        "                        [--feature NAME=VALUE]...\n"
        "                        [--module PATH] [--quiet|--verbose]\n"
        "       camera-host --help\n"
        "--rate takes 0.01 to 10000 triggers per second. --json - writes the JSON to stdout and the\n"
        "summary to stderr. --quiet shows errors and the summary only; --verbose adds every message\n"
        "of the module (per-frame ones included) and the capture library.\n"
        "exit codes: 0 ok, 2 usage, 3 module, 4 no camera, 5 no such device, 6 open, 7 start,\n"
        "8 frames timed out, 9 not written, 10 camera lost, 11 a setting or feature refused,\n"
        "130/143 ended by SIGINT/SIGTERM\n");
}

std::optional<HostOptions> ParseHostOptions(const QStringList& arguments, QString* error)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{"help", "h"}), verbose("verbose");
    const QCommandLineOption module("module", "", "PATH"), quiet("quiet"), simulate("simulate"),
        device("device", "", "NAME"), format("format", "", "FORMAT"), exposure("exposure", "", "N"),
        gain("gain", "", "N"), mode("mode", "", "MODE"), frames("frames", "", "N"), rate("rate", "", "HZ"),
        timeout("timeout-ms", "", "T"), save("save", "", "DIR"), json("json", "", "FILE"), set("set", "", "NAME=N"),
        feature("feature", "", "NAME=VALUE"), details("details");
    parser.addOptions({help, verbose, module, quiet, simulate, device, format, exposure, gain, mode, frames, rate, timeout, save,
                       json, set, feature, details});
    parser.addPositionalArgument("command", "list, features or grab");
    if (!parser.parse(QStringList{QStringLiteral("camera-host")} + arguments)) {
        *error = parser.errorText();
        return std::nullopt;
    }
    HostOptions options;
    if (parser.isSet(help)) {
        options.command = QStringLiteral("help");
        return options;
    }
    if (parser.isSet(quiet) && parser.isSet(verbose)) {
        *error = QStringLiteral("--quiet and --verbose exclude each other");
        return std::nullopt;
    }
    options.verbose = parser.isSet(verbose);
    const QStringList positional = parser.positionalArguments();
    const QStringList commands{QStringLiteral("list"), QStringLiteral("features"), QStringLiteral("grab")};
    if (positional.size() != 1 || !commands.contains(positional[0])) {
        *error = QStringLiteral("expected one command: list, features or grab");
        return std::nullopt;
    }
    options.command = positional[0];
    options.modulePath = parser.value(module);
    options.quiet = parser.isSet(quiet);
    options.simulate = parser.isSet(simulate);
    options.devices = parser.values(device);
    options.device = options.devices.value(0);
    options.saveDir = parser.value(save);
    options.jsonPath = parser.value(json);
    options.details = parser.isSet(details);
    for (const QString& assignment : parser.values(feature)) {
        const int equals = assignment.indexOf(QLatin1Char('='));
        if (equals <= 0) {
            *error = QStringLiteral("--feature takes NAME=VALUE, not '%1'").arg(assignment);
            return std::nullopt;
        }
        options.features << assignment;
    }

    int64_t value = 0;
    if (parser.isSet(format)) {
        const auto code = ParseFormat(parser.value(format));
        if (!code) {
            *error = QStringLiteral("unknown format %1").arg(parser.value(format));
            return std::nullopt;
        }
        options.pixelFormat = *code;
    }
    struct IntOption {
        const QCommandLineOption& option;
        int64_t min, max;
        std::function<void(int64_t)> store;
    };
    const IntOption ints[] = {
        {exposure, INT32_MIN, INT32_MAX, [&](int64_t v) { options.exposure = int32_t(v); }},
        {gain, INT32_MIN, INT32_MAX, [&](int64_t v) { options.gain = int32_t(v); }},
        {mode, 1, 3, [&](int64_t v) { options.mode = int32_t(v); }},
        {frames, 1, 100000000, [&](int64_t v) { options.frames = int(v); }},
        {timeout, 1, 3600000, [&](int64_t v) { options.timeoutMs = int(v); }},
    };
    for (const auto& entry : ints) {
        if (!parser.isSet(entry.option))
            continue;
        if (!ParseInt(parser.value(entry.option), entry.min, entry.max, &value)) {
            *error = QStringLiteral("--%1 takes a whole number from %2 to %3, not '%4'")
                         .arg(entry.option.names().first())
                         .arg(entry.min)
                         .arg(entry.max)
                         .arg(parser.value(entry.option));
            return std::nullopt;
        }
        entry.store(value);
    }
    if (parser.isSet(rate)) {
        bool ok = false;
        options.rateHz = parser.value(rate).toDouble(&ok);
        // A rate outside the range (nan, inf, 1e-300 among them) would make no
        // sensible trigger period, or overflow it.
        if (!ok || !std::isfinite(options.rateHz) || options.rateHz < kMinRateHz || options.rateHz > kMaxRateHz) {
            *error = QStringLiteral("--rate takes a number of triggers per second from 0.01 to 10000, not '%1'")
                         .arg(parser.value(rate));
            return std::nullopt;
        }
    }
    for (const QString& text : parser.values(set)) {
        ParamChange change{};
        if (!ParseChange(text, &change)) {
            *error = QStringLiteral("--set takes exposure=N or gain=N, not '%1'").arg(text);
            return std::nullopt;
        }
        options.changes.push_back(change);
    }
    return options;
}
