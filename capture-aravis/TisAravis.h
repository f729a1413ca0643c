#pragma once
// Linux only: what this capture library offers beyond the capture operations,
// for hosts that set up and diagnose cameras (camera-host, camera-viewer). The
// camera maker's library has none of it; a host resolves these at run time
// and does without them when they are missing. Devices are named by their
// unique name (the device id); a device open on a handle of this process is
// used through that handle, any other is opened for the call and released.
// Results as for the capture operations (1 success).

#include <stdint.h>

#include "tisgrabber.h"

#ifdef __cplusplus
extern "C" {
#endif

// Features ("Name=Value" each) applied at the next opens of `deviceId`,
// after its group of the settings file, in this order. count 0 forgets them.
IC_API int TisAravis_SetOpenFeatures(const char* deviceId, const char* const* assignments, int count);

// The last settings failure at open (file or "feature", group, key and
// Aravis's error), or "" after a successful open. Copies at most size-1 bytes.
IC_API int TisAravis_LastSettingsError(char* text, int size);

// Each feature the camera has now: name, type ("Integer", "Float",
// "Enumeration", "Boolean", "String", "Command") and value as text ("" for
// commands). Returns the count visited, or a failure result (< 1 and no visit).
typedef void (*TisAravisFeatureVisitor)(const char* name, const char* type, const char* value, void* user);
IC_API int TisAravis_ForEachFeature(const char* deviceId, TisAravisFeatureVisitor visit, void* user);

// One feature's value as text.
IC_API int TisAravis_GetFeature(const char* deviceId, const char* name, char* value, int size);

// Exposure, gain and frame rate as the camera has them now, with the
// bounds it allows. A value the camera could not give is -1.
typedef struct TisAravisExposureGain {
    double exposureUs;
    double gain;
    int32_t exposureAutoAvailable;  // the camera has an automatic exposure
    int32_t gainAutoAvailable;
    char exposureAuto[16];          // "Off", "Continuous", … ("" without)
    char gainAuto[16];
    double exposureMinUs, exposureMaxUs;
    double gainMin, gainMax;
    char gainUnit[16];              // the camera's own unit ("dB", …), "" when it names none
    int32_t frameRateAvailable;
    double frameRate, frameRateMin, frameRateMax;  // frames per second
} TisAravisExposureGain;
IC_API int TisAravis_GetExposureGain(const char* deviceId, TisAravisExposureGain* values);

// Transport details of device `index` of the last IC_GetDeviceCount; "" where
// the transport has none.
typedef struct TisAravisDeviceDetails {
    char vendor[64];
    char model[64];
    char serial[64];
    char address[64];
    char mac[64];  // the physical id: a MAC address for GigE Vision
} TisAravisDeviceDetails;
IC_API int TisAravis_GetDeviceDetails(int index, TisAravisDeviceDetails* details);

// Aravis's figures for the device's live session on a handle of this
// process, or its last one: completed and failed buffers, underruns, and for
// GigE Vision the packets resent and missing.
typedef struct TisAravisStreamStatistics {
    uint64_t completed;
    uint64_t failures;
    uint64_t underruns;
    uint64_t resent;
    uint64_t missing;
} TisAravisStreamStatistics;
IC_API int TisAravis_GetStreamStatistics(const char* deviceId, TisAravisStreamStatistics* statistics);

#ifdef __cplusplus
}
#endif
