#include "HostOptions.h"

#include <QCommandLineParser>
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
        "usage: camera-host list [--simulate] [--module PATH] [--quiet]\n"
        "       camera-host grab [--simulate] [--device NAME] [--format GRAY8|RGB24|RGB32|GRAY16|RGB48|BGR24|BGR32]\n"
        "                        [--exposure N] [--gain N] [--mode 1|2|3] [--frames N] [--rate HZ]\n"
        "                        [--timeout-ms T] [--save DIR] [--json FILE|-] [--set exposure=N|gain=N]...\n"
        "                        [--module PATH] [--quiet]\n");
}

std::optional<HostOptions> ParseHostOptions(const QStringList& arguments, QString* error)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption module("module", "", "PATH"), quiet("quiet"), simulate("simulate"),
        device("device", "", "NAME"), format("format", "", "FORMAT"), exposure("exposure", "", "N"),
        gain("gain", "", "N"), mode("mode", "", "MODE"), frames("frames", "", "N"), rate("rate", "", "HZ"),
        timeout("timeout-ms", "", "T"), save("save", "", "DIR"), json("json", "", "FILE"), set("set", "", "NAME=N");
    parser.addOptions({module, quiet, simulate, device, format, exposure, gain, mode, frames, rate, timeout, save,
                       json, set});
    parser.addPositionalArgument("command", "list or grab");
    if (!parser.parse(QStringList{QStringLiteral("camera-host")} + arguments)) {
        *error = parser.errorText();
        return std::nullopt;
    }
    HostOptions options;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1 || (positional[0] != QLatin1String("list") && positional[0] != QLatin1String("grab"))) {
        *error = QStringLiteral("expected one command: list or grab");
        return std::nullopt;
    }
    options.command = positional[0];
    options.modulePath = parser.value(module);
    options.quiet = parser.isSet(quiet);
    options.simulate = parser.isSet(simulate);
    options.device = parser.value(device);
    options.saveDir = parser.value(save);
    options.jsonPath = parser.value(json);

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
        if (!ok || options.rateHz <= 0) {
            *error = QStringLiteral("--rate takes a positive number of triggers per second");
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
