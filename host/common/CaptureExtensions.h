#pragma once
// The Linux capture library's own functions (TisAravis.h), found at run time
// in the library the module has loaded. With another capture library (the
// camera maker's) they are missing and Available() is false: hosts then do
// without feature access, details and stream figures.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace capture_extensions {

struct Feature {
    QString name, type, value;
};
// What the camera has now; -1 where it could not say.
struct ExposureGain {
    double exposureUs = -1;
    double gain = -1;
    bool exposureAutoAvailable = false;
    bool gainAutoAvailable = false;
    QString exposureAuto, gainAuto;
    double exposureMinUs = -1, exposureMaxUs = -1;
    double gainMin = -1, gainMax = -1;
    QString gainUnit;  // empty: the camera names none
    bool frameRateAvailable = false;
    double frameRate = -1, frameRateMin = -1, frameRateMax = -1;
};
struct DeviceDetails {
    QString vendor, model, serial, address, mac;
};
struct StreamStatistics {
    quint64 completed = 0, failures = 0, underruns = 0, resent = 0, missing = 0;
};

// Looks the functions up (after the module has been loaded); true if the
// capture library has them.
bool Available();

// "Name=Value" features for the next opens of `device`; false if refused as malformed.
bool SetOpenFeatures(const QString& device, const QStringList& assignments);
// Why the last open failed on a setting, or empty.
QString LastSettingsError();
std::optional<std::vector<Feature>> Features(const QString& device);
std::optional<QString> FeatureValue(const QString& device, const QString& name);
std::optional<ExposureGain> ReadExposureGain(const QString& device);
// Details of device `index` of the module's last list.
std::optional<DeviceDetails> Details(int index);
std::optional<StreamStatistics> Statistics(const QString& device);

}  // namespace capture_extensions
