// Exposure (microseconds) and gain (the camera's gain units, as integers).

#include <climits>
#include <cmath>

#include "CaptureLog.h"
#include "Grabber.h"

namespace {

// The property's integer bounds, inside the camera's float bounds.
bool ReadBounds(ArvCamera* camera, Grabber::Property property, int32_t* min, int32_t* max)
{
    GError* error = nullptr;
    double low = 0, high = 0;
    if (property == Grabber::Property::Exposure)
        arv_camera_get_exposure_time_bounds(camera, &low, &high, &error);
    else
        arv_camera_get_gain_bounds(camera, &low, &high, &error);
    if (!capture_log::Ok(error, "reading a property's range"))
        return false;
    *min = static_cast<int32_t>(std::fmax(std::ceil(low), static_cast<double>(INT32_MIN)));
    *max = static_cast<int32_t>(std::fmin(std::floor(high), static_cast<double>(INT32_MAX)));
    return true;
}

}  // namespace

int Grabber::EnableAutoProperty(Property property, bool automatic)
{
    std::lock_guard<std::mutex> lock(control_);
    if (!camera_)
        return IC_NO_DEVICE;
    if (IsLost())
        return IC_DEVICE_LOST;
    GError* error = nullptr;
    const ArvAuto mode = automatic ? ARV_AUTO_CONTINUOUS : ARV_AUTO_OFF;
    if (property == Property::Exposure) {
        if (!arv_camera_is_exposure_auto_available(camera_.get(), nullptr))
            return IC_NOT_AVAILABLE;
        arv_camera_set_exposure_time_auto(camera_.get(), mode, &error);
        return capture_log::Ok(error, "switching automatic exposure") ? IC_SUCCESS : IC_ERROR;
    }
    if (!arv_camera_is_gain_auto_available(camera_.get(), nullptr))
        return IC_NOT_AVAILABLE;
    arv_camera_set_gain_auto(camera_.get(), mode, &error);
    return capture_log::Ok(error, "switching automatic gain") ? IC_SUCCESS : IC_ERROR;
}

int Grabber::GetPropertyRange(Property property, int32_t* min, int32_t* max)
{
    std::lock_guard<std::mutex> lock(control_);
    if (!camera_)
        return IC_NO_DEVICE;
    if (IsLost())
        return IC_DEVICE_LOST;
    if (!min || !max)
        return IC_ERROR;
    return ReadBounds(camera_.get(), property, min, max) ? IC_SUCCESS : IC_NOT_AVAILABLE;
}

int Grabber::SetProperty(Property property, int32_t value)
{
    std::lock_guard<std::mutex> lock(control_);
    if (!camera_)
        return IC_NO_DEVICE;
    if (IsLost())
        return IC_DEVICE_LOST;
    int32_t min = 0, max = 0;
    if (!ReadBounds(camera_.get(), property, &min, &max))
        return IC_NOT_AVAILABLE;
    if (value < min || value > max)
        return IC_OUT_OF_RANGE;
    GError* error = nullptr;
    if (property == Property::Exposure)
        arv_camera_set_exposure_time(camera_.get(), value, &error);
    else
        arv_camera_set_gain(camera_.get(), value, &error);
    return capture_log::Ok(error, "setting a property") ? IC_SUCCESS : IC_ERROR;
}
