// Live acquisition: start in the requested mode, stop, software trigger.

#include "CCameraGige.h"
#include "DriverLog.h"

int32_t CCameraGige::IStartCamera()
{
    if (!opened)
        return 0;
    // The trigger goes on first in every mode; cameras were qualified with
    // this sequence, so it stays even where the mode switches it off again.
    IC_EnableTrigger(grabber, 1);
    IC_SetContinuousMode(grabber, 0);
    if (IC_StartLive(grabber, 0) != 1) {
        driverlog::Debug("start camera fail");
        return 0;
    }
    // Reset the numbering while the trigger still holds frames back: once
    // free run begins, the library's thread owns frameNumber.
    if (requestedMode == ModeTriggerOffReset)
        frameNumber = 0;
    switch (requestedMode) {
    case ModeTriggerOn:
        if (activeMode != ModeTriggerOn)
            IC_EnableTrigger(grabber, 1);
        break;
    case ModeTriggerOff:
    case ModeTriggerOffReset:
        if (activeMode != requestedMode)
            IC_EnableTrigger(grabber, 0);
        break;
    default:  // any other mode keeps the trigger on
        break;
    }
    ++startCount;
    activeMode = requestedMode;
    grabbing = true;
    driverlog::Debug("start camera success");
    return 1;
}

void CCameraGige::IStopCamera()
{
    if (grabbing)
        IC_StopLive(grabber);
    grabbing = false;
    activeMode = 0;
}

void CCameraGige::ISnapImage()
{
    if (!grabber)
        return;
    driverlog::Debug("Gige snap image: %s", driverlog::Timestamp());
    IC_SoftwareTrigger(grabber);
}
