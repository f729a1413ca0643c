// The Linux-only functions of TisAravis.h: settings for the next opens,
// feature access, device details, stream figures.

#include <cstring>
#include <set>
#include <string>

#include "AravisSystem.h"
#include "CameraSettings.h"
#include "CaptureLog.h"
#include "GObjectPtr.h"
#include "HandleRegistry.h"
#include "TisAravis.h"

namespace {

void CopyText(const char* text, char* out, size_t size)
{
    if (!out || size == 0)
        return;
    g_strlcpy(out, text ? text : "", size);
}

// Runs `use` with the device's camera: the one a handle of this process has
// open, or one opened for the call.
int WithDevice(const char* deviceId, const std::function<int(ArvCamera*)>& use)
{
    if (!deviceId || !*deviceId)
        return IC_NO_DEVICE;
    if (auto grabber = handle_registry::FindByDevice(deviceId))
        return grabber->WithCamera(use);
    aravis_system::SelectInterfaces();
    GError* error = nullptr;
    GObjectPtr<ArvCamera> camera = Adopt(arv_camera_new(deviceId, &error));
    if (!capture_log::Ok(error, "opening a camera"))
        return IC_NO_DEVICE;
    return use(camera.get());
}

const char* TypeOf(ArvGcNode* node)
{
    if (ARV_IS_GC_ENUMERATION(node))
        return "Enumeration";
    if (ARV_IS_GC_COMMAND(node))
        return "Command";
    if (ARV_IS_GC_BOOLEAN(node))
        return "Boolean";
    if (ARV_IS_GC_INTEGER(node))
        return "Integer";
    if (ARV_IS_GC_FLOAT(node))
        return "Float";
    if (ARV_IS_GC_STRING(node))
        return "String";
    return nullptr;
}

// Visits the features under `category` (depth first, each node once: a
// hostile description may list a category inside itself).
int VisitCategory(ArvGc* genicam, ArvGcNode* category, TisAravisFeatureVisitor visit, void* user,
                  std::set<ArvGcNode*>& seen)
{
    int visited = 0;
    for (const GSList* item = arv_gc_category_get_features(ARV_GC_CATEGORY(category)); item; item = item->next) {
        ArvGcNode* node = arv_gc_get_node(genicam, static_cast<const char*>(item->data));
        if (!node || !ARV_IS_GC_FEATURE_NODE(node) || !seen.insert(node).second)
            continue;
        if (ARV_IS_GC_CATEGORY(node)) {
            visited += VisitCategory(genicam, node, visit, user, seen);
            continue;
        }
        ArvGcFeatureNode* feature = ARV_GC_FEATURE_NODE(node);
        const char* type = TypeOf(node);
        if (!type || !arv_gc_feature_node_is_available(feature, nullptr) ||
            !arv_gc_feature_node_is_implemented(feature, nullptr))
            continue;
        GError* error = nullptr;
        const char* value = ARV_IS_GC_COMMAND(node) ? "" : arv_gc_feature_node_get_value_as_string(feature, &error);
        if (error) {
            g_clear_error(&error);
            value = "";
        }
        visit(arv_gc_feature_node_get_name(feature), type, value ? value : "", user);
        ++visited;
    }
    return visited;
}

std::string ReadAuto(ArvCamera* camera, const char* feature)
{
    if (!arv_camera_is_feature_available(camera, feature, nullptr))
        return std::string();
    GError* error = nullptr;
    const char* value = arv_camera_get_string(camera, feature, &error);
    return capture_log::Ok(error, feature) && value ? value : "";
}

void ReadBounds(ArvCamera* camera, TisAravisExposureGain* values)
{
    GError* error = nullptr;
    arv_camera_get_exposure_time_bounds(camera, &values->exposureMinUs, &values->exposureMaxUs, &error);
    if (!capture_log::Ok(error, "reading the exposure bounds"))
        values->exposureMinUs = values->exposureMaxUs = -1;
    arv_camera_get_gain_bounds(camera, &values->gainMin, &values->gainMax, &error);
    if (!capture_log::Ok(error, "reading the gain bounds"))
        values->gainMin = values->gainMax = -1;
}

// The unit the camera's GenICam description gives its gain (a raw integer
// gain has none).
std::string GainUnit(ArvCamera* camera)
{
    ArvGcNode* node = arv_device_get_feature(arv_camera_get_device(camera), "Gain");
    if (!node || !ARV_IS_GC_FLOAT(node))
        return std::string();
    const char* unit = arv_gc_float_get_unit(ARV_GC_FLOAT(node));
    return unit ? unit : "";
}

void ReadFrameRate(ArvCamera* camera, TisAravisExposureGain* values)
{
    values->frameRate = values->frameRateMin = values->frameRateMax = -1;
    values->frameRateAvailable = arv_camera_is_frame_rate_available(camera, nullptr) ? 1 : 0;
    if (!values->frameRateAvailable)
        return;
    GError* error = nullptr;
    values->frameRate = arv_camera_get_frame_rate(camera, &error);
    if (!capture_log::Ok(error, "reading the frame rate"))
        values->frameRate = -1;
    arv_camera_get_frame_rate_bounds(camera, &values->frameRateMin, &values->frameRateMax, &error);
    if (!capture_log::Ok(error, "reading the frame rate bounds"))
        values->frameRateMin = values->frameRateMax = -1;
}

}  // namespace

extern "C" {

int TisAravis_SetOpenFeatures(const char* deviceId, const char* const* assignments, int count)
{
    if (!deviceId || !*deviceId || count < 0 || (count > 0 && !assignments))
        return IC_ERROR;
    std::vector<std::pair<std::string, std::string>> features;
    for (int i = 0; i < count; ++i) {
        const char* assignment = assignments[i];
        const char* equals = assignment ? std::strchr(assignment, '=') : nullptr;
        if (!equals || equals == assignment)
            return IC_ERROR;
        features.emplace_back(std::string(assignment, equals), std::string(equals + 1));
    }
    camera_settings::SetHostFeatures(deviceId, std::move(features));
    return IC_SUCCESS;
}

int TisAravis_LastSettingsError(char* text, int size)
{
    if (!text || size <= 0)
        return IC_ERROR;
    CopyText(camera_settings::LastError().c_str(), text, size_t(size));
    return IC_SUCCESS;
}

int TisAravis_ForEachFeature(const char* deviceId, TisAravisFeatureVisitor visit, void* user)
{
    if (!visit)
        return IC_ERROR;
    return WithDevice(deviceId, [&](ArvCamera* camera) {
        ArvGc* genicam = arv_device_get_genicam(arv_camera_get_device(camera));
        ArvGcNode* root = genicam ? arv_gc_get_node(genicam, "Root") : nullptr;
        if (!root || !ARV_IS_GC_CATEGORY(root))
            return int(IC_NOT_AVAILABLE);
        std::set<ArvGcNode*> seen{root};
        return VisitCategory(genicam, root, visit, user, seen);
    });
}

int TisAravis_GetFeature(const char* deviceId, const char* name, char* value, int size)
{
    if (!name || !value || size <= 0)
        return IC_ERROR;
    return WithDevice(deviceId, [&](ArvCamera* camera) {
        ArvGcNode* node = arv_device_get_feature(arv_camera_get_device(camera), name);
        if (!node || !ARV_IS_GC_FEATURE_NODE(node))
            return int(IC_NOT_AVAILABLE);
        GError* error = nullptr;
        const char* text = arv_gc_feature_node_get_value_as_string(ARV_GC_FEATURE_NODE(node), &error);
        if (!capture_log::Ok(error, name))
            return int(IC_ERROR);
        CopyText(text, value, size_t(size));
        return int(IC_SUCCESS);
    });
}

int TisAravis_GetExposureGain(const char* deviceId, TisAravisExposureGain* values)
{
    if (!values)
        return IC_ERROR;
    return WithDevice(deviceId, [&](ArvCamera* camera) {
        GError* error = nullptr;
        *values = TisAravisExposureGain{};
        values->exposureUs = arv_camera_get_exposure_time(camera, &error);
        if (!capture_log::Ok(error, "reading the exposure time"))
            values->exposureUs = -1;
        values->gain = arv_camera_get_gain(camera, &error);
        if (!capture_log::Ok(error, "reading the gain"))
            values->gain = -1;
        values->exposureAutoAvailable = arv_camera_is_exposure_auto_available(camera, nullptr) ? 1 : 0;
        values->gainAutoAvailable = arv_camera_is_gain_auto_available(camera, nullptr) ? 1 : 0;
        CopyText(ReadAuto(camera, "ExposureAuto").c_str(), values->exposureAuto, sizeof values->exposureAuto);
        CopyText(ReadAuto(camera, "GainAuto").c_str(), values->gainAuto, sizeof values->gainAuto);
        ReadBounds(camera, values);
        CopyText(GainUnit(camera).c_str(), values->gainUnit, sizeof values->gainUnit);
        ReadFrameRate(camera, values);
        return int(IC_SUCCESS);
    });
}

int TisAravis_GetDeviceDetails(int index, TisAravisDeviceDetails* details)
{
    if (!details)
        return IC_ERROR;
    aravis_system::DeviceDetails found;
    if (!aravis_system::Details(index, &found))
        return IC_NO_DEVICE;
    CopyText(found.vendor.c_str(), details->vendor, sizeof details->vendor);
    CopyText(found.model.c_str(), details->model, sizeof details->model);
    CopyText(found.serial.c_str(), details->serial, sizeof details->serial);
    CopyText(found.address.c_str(), details->address, sizeof details->address);
    CopyText(found.physicalId.c_str(), details->mac, sizeof details->mac);
    return IC_SUCCESS;
}

int TisAravis_GetStreamStatistics(const char* deviceId, TisAravisStreamStatistics* statistics)
{
    if (!deviceId || !statistics)
        return IC_ERROR;
    auto grabber = handle_registry::FindByDevice(deviceId);
    if (!grabber)
        return IC_NO_DEVICE;
    const Grabber::StreamFigures figures = grabber->StreamStatistics();
    *statistics = TisAravisStreamStatistics{figures.completed, figures.failures, figures.underruns, figures.resent,
                                            figures.missing};
    return IC_SUCCESS;
}

}  // extern "C"
