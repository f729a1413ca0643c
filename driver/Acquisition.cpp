// Live acquisition: start in the requested mode, stop, software trigger.

#include "CCameraGige.h"
#include "DriverLog.h"

int32_t CCameraGige::IStartCamera()
{
    const State state = CurrentState();
    if (state != State::Open && state != State::Grabbing)
        return 0;
    // The trigger goes on first in every mode; cameras were qualified with
    // this sequence, so it stays even where the mode switches it off again.
    IC_EnableTrigger(grabber, 1);
    IC_SetContinuousMode(grabber, 0);
    // A new live session may bring another region or format: its first frame
    // reads the description again. No frame of it can arrive before
    // IC_StartLive, and while grabbing the stream (and its description) goes on.
    if (state == State::Open) {
        width = 0;
        height = 0;
    }
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
        // Always: the first call above switched the trigger on again, and a
        // free-running camera left triggered would deliver nothing.
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
    if (CurrentState() == State::Grabbing)
        IC_StopLive(grabber);
    grabbing = false;
    activeMode = 0;
}

void CCameraGige::ISnapImage()
{
    if (CurrentState() == State::Fresh)
        return;
    driverlog::Debug("Gige snap image: %s", driverlog::Timestamp());
    IC_SoftwareTrigger(grabber);
}
