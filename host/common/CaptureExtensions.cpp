#include "CaptureExtensions.h"

#include <dlfcn.h>

#include <vector>

#include "TisAravis.h"

namespace capture_extensions {
namespace {

struct Functions {
    decltype(&TisAravis_SetOpenFeatures) setOpenFeatures = nullptr;
    decltype(&TisAravis_LastSettingsError) lastSettingsError = nullptr;
    decltype(&TisAravis_ForEachFeature) forEachFeature = nullptr;
    decltype(&TisAravis_GetFeature) getFeature = nullptr;
    decltype(&TisAravis_GetExposureGain) getExposureGain = nullptr;
    decltype(&TisAravis_GetDeviceDetails) getDeviceDetails = nullptr;
    decltype(&TisAravis_GetStreamStatistics) getStreamStatistics = nullptr;
};

template <typename Function>
void Resolve(void* library, const char* name, Function* function)
{
    *function = reinterpret_cast<Function>(dlsym(library, name));
}

const Functions& Lookup()
{
    static const Functions functions = [] {
        Functions found;
        // The module has loaded it already; nothing is loaded here.
        void* library = dlopen("libtisgrabber_x64.so", RTLD_NOW | RTLD_NOLOAD);
        if (!library)
            return found;
        Resolve(library, "TisAravis_SetOpenFeatures", &found.setOpenFeatures);
        Resolve(library, "TisAravis_LastSettingsError", &found.lastSettingsError);
        Resolve(library, "TisAravis_ForEachFeature", &found.forEachFeature);
        Resolve(library, "TisAravis_GetFeature", &found.getFeature);
        Resolve(library, "TisAravis_GetExposureGain", &found.getExposureGain);
        Resolve(library, "TisAravis_GetDeviceDetails", &found.getDeviceDetails);
        Resolve(library, "TisAravis_GetStreamStatistics", &found.getStreamStatistics);
        return found;
    }();
    return functions;
}

}  // namespace

bool Available()
{
    const Functions& f = Lookup();
    return f.setOpenFeatures && f.lastSettingsError && f.forEachFeature && f.getFeature && f.getExposureGain &&
           f.getDeviceDetails && f.getStreamStatistics;
}

bool SetOpenFeatures(const QString& device, const QStringList& assignments)
{
    if (!Available())
        return assignments.isEmpty();
    std::vector<QByteArray> texts;
    for (const QString& assignment : assignments)
        texts.push_back(assignment.toUtf8());
    std::vector<const char*> pointers;
    for (const QByteArray& text : texts)
        pointers.push_back(text.constData());
    return Lookup().setOpenFeatures(device.toLocal8Bit().constData(), pointers.data(), int(pointers.size())) == 1;
}

QString LastSettingsError()
{
    if (!Available())
        return QString();
    char text[1024] = {};
    Lookup().lastSettingsError(text, sizeof text);
    return QString::fromUtf8(text);
}

std::optional<std::vector<Feature>> Features(const QString& device)
{
    if (!Available())
        return std::nullopt;
    std::vector<Feature> features;
    auto visit = [](const char* name, const char* type, const char* value, void* user) {
        static_cast<std::vector<Feature>*>(user)->push_back(
            {QString::fromUtf8(name), QString::fromUtf8(type), QString::fromUtf8(value)});
    };
    if (Lookup().forEachFeature(device.toLocal8Bit().constData(), visit, &features) < 1)
        return std::nullopt;
    return features;
}

std::optional<QString> FeatureValue(const QString& device, const QString& name)
{
    if (!Available())
        return std::nullopt;
    char value[256] = {};
    if (Lookup().getFeature(device.toLocal8Bit().constData(), name.toUtf8().constData(), value, sizeof value) != 1)
        return std::nullopt;
    return QString::fromUtf8(value);
}

std::optional<ExposureGain> ReadExposureGain(const QString& device)
{
    if (!Available())
        return std::nullopt;
    TisAravisExposureGain values{};
    if (Lookup().getExposureGain(device.toLocal8Bit().constData(), &values) != 1)
        return std::nullopt;
    ExposureGain read;
    read.exposureUs = values.exposureUs;
    read.gain = values.gain;
    read.exposureAutoAvailable = values.exposureAutoAvailable != 0;
    read.gainAutoAvailable = values.gainAutoAvailable != 0;
    read.exposureAuto = QString::fromUtf8(values.exposureAuto);
    read.gainAuto = QString::fromUtf8(values.gainAuto);
    read.exposureMinUs = values.exposureMinUs;
    read.exposureMaxUs = values.exposureMaxUs;
    read.gainMin = values.gainMin;
    read.gainMax = values.gainMax;
    read.gainUnit = QString::fromUtf8(values.gainUnit);
    read.frameRateAvailable = values.frameRateAvailable != 0;
    read.frameRate = values.frameRate;
    read.frameRateMin = values.frameRateMin;
    read.frameRateMax = values.frameRateMax;
    return read;
}

std::optional<DeviceDetails> Details(int index)
{
    if (!Available())
        return std::nullopt;
    TisAravisDeviceDetails details{};
    if (Lookup().getDeviceDetails(index, &details) != 1)
        return std::nullopt;
    return DeviceDetails{QString::fromUtf8(details.vendor), QString::fromUtf8(details.model),
                         QString::fromUtf8(details.serial), QString::fromUtf8(details.address),
                         QString::fromUtf8(details.mac)};
}

std::optional<StreamStatistics> Statistics(const QString& device)
{
    if (!Available())
        return std::nullopt;
    TisAravisStreamStatistics figures{};
    if (Lookup().getStreamStatistics(device.toLocal8Bit().constData(), &figures) != 1)
        return std::nullopt;
    return StreamStatistics{figures.completed, figures.failures, figures.underruns, figures.resent, figures.missing};
}

}  // namespace capture_extensions
