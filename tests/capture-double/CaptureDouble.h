#pragma once
// A recording, scriptable stand-in for the capture library. It is built as
// libtisgrabber_x64.so, so a module loaded after it binds to it. Every call is
// recorded as text ("IC_EnableTrigger(G1,1)"; handles are G1, G2, … in order
// of creation, "null" for none); a test scripts the answers and fires the
// callbacks the driver registered, on the test's thread or one of the double's.
//
// Like a library, it delivers frames and takes software triggers only on a
// live handle (opened, then IC_StartLive succeeded, not stopped or closed).
// An IC_StopLive that finds a callback still running after 5 s records
// "IC_StopLive(Gn):timed out" instead of hiding a deadlock as a pause.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tisgrabber.h"

namespace capture_double {

struct Range {
    int result = 1;  // what the range call returns; not 1 leaves the outputs alone
    int32_t min = 0;
    int32_t max = 0;
};

struct Script {
    int initResult = 1;
    bool createReturnsNull = false;
    std::vector<std::optional<std::string>> deviceNames;  // nullopt: the library answers null
    std::optional<int> deviceCount;                       // overrides deviceNames.size()
    int openResult = 1;
    // When set, IC_OpenDevByUniqueName answers what it returns instead, and
    // calls it outside the double's lock: a test's camera that answers
    // slowly, or not yet.
    std::function<int()> openAnswer;
    Range exposureRange{1, 1, 1000000};
    Range gainRange{1, 0, 100};
    // IC_SetFormat answers this; when it is not 1 the format in force stays
    // `cameraFormat`, and the description says so.
    int setFormatResult = 1;
    int cameraFormat = IC_FORMAT_Y800;
    int descriptionResult = 1;
    int32_t width = 640;
    int32_t height = 480;
    int32_t bitsPerPixel = 8;
    int startLiveResult = 1;
    // Each IC_SoftwareTrigger delivers one frame of these pixels with the next
    // of these numbers, on a thread of the double's own, before it returns.
    // With no number left a trigger delivers nothing.
    std::vector<uint8_t> triggeredPixels;
    std::vector<uint32_t> triggeredNumbers;
    // Runs after each software trigger on a live handle (and its frame), with
    // the number of such triggers so far; a test's way to act mid-grab.
    std::function<void(int triggers)> afterTrigger;
};

// Forget all calls and handles (released or not) and answer by `script` from now on.
void Reset(const Script& script = Script());
Script& CurrentScript();
// Changes the open's answer under the double's lock (another thread may be opening).
void SetOpenResult(int result);

std::vector<std::string> Calls();
void ClearCalls();
// Calls whose text starts with `prefix`.
std::vector<std::string> CallsStartingWith(const std::string& prefix);

HGRABBER LastGrabber();
int LiveGrabberCount();  // created and not yet released

// Fire the callbacks registered on `grabber` with IC_SetCallbacks.
void FireFrame(HGRABBER grabber, unsigned char* data, uint32_t frameNumber);
void FireFrameOnOwnThread(HGRABBER grabber, unsigned char* data, uint32_t frameNumber);
void FireDeviceLost(HGRABBER grabber);

}  // namespace capture_double
