#include "CameraSettings.h"

#include <cstdlib>
#include <map>
#include <mutex>

#include "CaptureLog.h"
#include "GObjectPtr.h"

namespace camera_settings {
namespace {

std::mutex mutex;
std::map<std::string, std::vector<std::pair<std::string, std::string>>> hostFeatures;
std::string lastError;

GQuark Domain()
{
    return g_quark_from_static_string("tisgrabber-aravis-settings");
}

void Remember(const std::string& text)
{
    capture_log::Warning("%s", text.c_str());
    std::lock_guard<std::mutex> lock(mutex);
    lastError = text;
}

// One setting to apply, with where it came from for the log.
struct Setting {
    std::string source;  // "settings file PATH" or "feature"
    std::string key;
    std::string value;
};

struct KeyFileUnref {
    void operator()(GKeyFile* file) const { g_key_file_unref(file); }
};

// The file's group for `deviceId`, in the order written; false when the
// file is named but cannot be read or parsed.
bool ReadFileGroup(const std::string& deviceId, std::vector<Setting>* settings)
{
    const char* path = std::getenv(kSettingsVariable);
    if (!path || !*path)
        return true;
    std::unique_ptr<GKeyFile, KeyFileUnref> file(g_key_file_new());
    GError* error = nullptr;
    if (!g_key_file_load_from_file(file.get(), path, G_KEY_FILE_NONE, &error)) {
        Remember(std::string("settings file ") + path + ": " + error->message);
        g_clear_error(&error);
        return false;
    }
    if (!g_key_file_has_group(file.get(), deviceId.c_str()))
        return true;
    gsize count = 0;
    gchar** keys = g_key_file_get_keys(file.get(), deviceId.c_str(), &count, nullptr);
    for (gsize i = 0; i < count; ++i) {
        gchar* value = g_key_file_get_value(file.get(), deviceId.c_str(), keys[i], nullptr);
        settings->push_back({std::string("settings file ") + path, keys[i], value ? value : ""});
        g_free(value);
    }
    g_strfreev(keys);
    return true;
}

}  // namespace

bool SetFeature(ArvDevice* device, const char* name, const char* value, GError** error)
{
    ArvGcNode* node = arv_device_get_feature(device, name);
    if (!node || !ARV_IS_GC_FEATURE_NODE(node)) {
        g_set_error(error, Domain(), 1, "the camera has no feature named %s", name);
        return false;
    }
    ArvGcFeatureNode* feature = ARV_GC_FEATURE_NODE(node);
    if (!arv_gc_feature_node_is_available(feature, error) || !arv_gc_feature_node_is_implemented(feature, error)) {
        if (error && !*error)
            g_set_error(error, Domain(), 2, "%s is not available now", name);
        return false;
    }
    if (ARV_IS_GC_COMMAND(node) || ARV_IS_GC_CATEGORY(node) ||
        arv_gc_feature_node_get_actual_access_mode(feature) == ARV_GC_ACCESS_MODE_RO) {
        g_set_error(error, Domain(), 3, "%s cannot be written (read-only)", name);
        return false;
    }
    // Enumerations and booleans are integers to GenICam too: they take their names.
    if (ARV_IS_GC_BOOLEAN(node)) {
        const std::string text = value;
        const bool on = text == "true" || text == "True" || text == "1";
        if (!on && text != "false" && text != "False" && text != "0") {
            g_set_error(error, Domain(), 5, "'%s' is not true or false", value);
            return false;
        }
        arv_gc_boolean_set_value(ARV_GC_BOOLEAN(node), on, error);
    } else if (ARV_IS_GC_ENUMERATION(node)) {
        arv_gc_feature_node_set_value_from_string(feature, value, error);
    } else if (ARV_IS_GC_INTEGER(node)) {
        gint64 number = 0;
        if (!g_ascii_string_to_signed(value, 10, G_MININT64, G_MAXINT64, &number, error))
            return false;
        arv_gc_integer_set_value(ARV_GC_INTEGER(node), number, error);
    } else if (ARV_IS_GC_FLOAT(node)) {
        gchar* end = nullptr;
        const double number = g_ascii_strtod(value, &end);
        if (!*value || (end && *end)) {
            g_set_error(error, Domain(), 4, "'%s' is not a number", value);
            return false;
        }
        arv_gc_float_set_value(ARV_GC_FLOAT(node), number, error);
    } else {  // strings
        arv_gc_feature_node_set_value_from_string(feature, value, error);
    }
    return !error || !*error;
}

bool Apply(ArvCamera* camera, const std::string& deviceId, Chosen* chosen)
{
    std::vector<Setting> settings;
    if (!ReadFileGroup(deviceId, &settings))
        return false;
    {
        std::lock_guard<std::mutex> lock(mutex);
        auto it = hostFeatures.find(deviceId);
        if (it != hostFeatures.end())
            for (const auto& [key, value] : it->second)
                settings.push_back({"feature", key, value});
    }
    ArvDevice* device = arv_camera_get_device(camera);
    // A value outside a feature's range, or a read-only register, is refused
    // while the settings go in, instead of written as it stands.
    arv_device_set_range_check_policy(device, ARV_RANGE_CHECK_POLICY_ENABLE);
    arv_device_set_access_check_policy(device, ARV_ACCESS_CHECK_POLICY_ENABLE);
    bool ok = true;
    std::string selector = "FrameStart";  // what a TriggerSource key applies to
    for (const auto& [source, key, value] : settings) {
        GError* error = nullptr;
        if (!SetFeature(device, key.c_str(), value.c_str(), &error)) {
            Remember(source + ", group [" + deviceId + "], key " + key + "=" + value + ": " +
                     (error ? error->message : "refused"));
            g_clear_error(&error);
            ok = false;
            break;
        }
        if (key == "TriggerSelector")
            selector = value;
        if (key == "TriggerSource" && selector == "FrameStart")
            chosen->triggerSource = value;
    }
    arv_device_set_range_check_policy(device, ARV_RANGE_CHECK_POLICY_DEFAULT);
    arv_device_set_access_check_policy(device, ARV_ACCESS_CHECK_POLICY_DEFAULT);
    if (ok) {
        std::lock_guard<std::mutex> lock(mutex);
        lastError.clear();
    }
    return ok;
}

void SetHostFeatures(const std::string& deviceId, std::vector<std::pair<std::string, std::string>> features)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (features.empty())
        hostFeatures.erase(deviceId);
    else
        hostFeatures[deviceId] = std::move(features);
}

void ClearLastError()
{
    std::lock_guard<std::mutex> lock(mutex);
    lastError.clear();
}

std::string LastError()
{
    std::lock_guard<std::mutex> lock(mutex);
    return lastError;
}

}  // namespace camera_settings
