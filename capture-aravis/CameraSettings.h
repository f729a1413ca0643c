#pragma once
// Camera settings beyond what the capture operations carry: a settings file
// (GLib key file, one group per device id, GenICam feature names as keys)
// named by TISGRABBER_ARAVIS_SETTINGS, and features a host names for its next
// opens. Both are applied right after a device is opened, before anything
// else is done to it; a bad setting stops the open.

#include <arv.h>

#include <string>
#include <utility>
#include <vector>

namespace camera_settings {

constexpr const char* kSettingsVariable = "TISGRABBER_ARAVIS_SETTINGS";

// What the applied settings chose that the library must respect.
struct Chosen {
    std::string triggerSource;  // TriggerSource the settings named; empty: none
};

// Applies the file's group for `deviceId`, then the host's features for it,
// in the order written. On a bad setting logs (file, group, key, Aravis's
// error), remembers the text for LastError() and returns false.
bool Apply(ArvCamera* camera, const std::string& deviceId, Chosen* chosen);

// Features ("Name", "Value") for the next opens of `deviceId`; empty forgets them.
void SetHostFeatures(const std::string& deviceId, std::vector<std::pair<std::string, std::string>> features);

// The last settings failure as logged, or empty; cleared by ClearLastError
// (at the start of every open) and by every successful Apply.
std::string LastError();
void ClearLastError();

// Sets one feature through Aravis after reading its type; false with `error` set.
bool SetFeature(ArvDevice* device, const char* name, const char* value, GError** error);

}  // namespace camera_settings
