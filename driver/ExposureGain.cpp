// Exposure (camera property 4) and gain (video property 9). A value of 0 asks
// the camera to regulate the setting itself.

#include "CCameraGige.h"

void CCameraGige::SetExposure(int32_t value)
{
    param->exposure = value;
    if (!grabber)  // no device yet: the record is updated, nothing is sent
        return;
    if (value == 0) {
        IC_EnableAutoCameraProperty(grabber, IC_CAMERA_PROPERTY_EXPOSURE, 1);
        return;
    }
    IC_EnableAutoCameraProperty(grabber, IC_CAMERA_PROPERTY_EXPOSURE, 0);
    IC_CameraPropertyGetRange(grabber, IC_CAMERA_PROPERTY_EXPOSURE, &exposureMin, &exposureMax);
    IC_SetCameraProperty(grabber, IC_CAMERA_PROPERTY_EXPOSURE, value);
}

void CCameraGige::SetGain(int32_t value)
{
    if (!grabber)
        return;
    if (value == 0) {
        IC_EnableAutoVideoProperty(grabber, IC_VIDEO_PROPERTY_GAIN, 1);
        return;
    }
    IC_EnableAutoVideoProperty(grabber, IC_VIDEO_PROPERTY_GAIN, 0);
    int32_t min = 0;
    int32_t max = 0;
    // Without known bounds there is nothing to check the value against.
    if (IC_VideoPropertyGetRange(grabber, IC_VIDEO_PROPERTY_GAIN, &min, &max) != 1)
        return;
    if (min <= value && value <= max)
        IC_SetVideoProperty(grabber, IC_VIDEO_PROPERTY_GAIN, value);
}

bool CCameraGige::ISetParameter(const ParamChange* change)
{
    if (!change) {  // catch up with the host's record
        if (param->exposure != lastExposure) {
            SetExposure(param->exposure);
            lastExposure = param->exposure;
        }
        if (param->gain != lastGain) {
            SetGain(param->gain);
            lastGain = param->gain;
        }
        return true;
    }
    switch (change->paramId) {
    case PARAM_EXPOSURE:
        param->exposure = change->value;
        lastExposure = change->value;
        SetExposure(change->value);
        break;
    case PARAM_GAIN:  // the record's gain is the host's; only lastGain follows
        lastGain = change->value;
        SetGain(change->value);
        break;
    default:
        break;
    }
    return true;
}
