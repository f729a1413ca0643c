#pragma once
// The capture interface: the C operations of the capture library
// `tisgrabber_x64` that the driver imports, declared from what the driver
// needs. On Windows x64 they bind to the camera maker's DLL; on Linux to any
// libtisgrabber_x64.so offering the same ABI (the project's own is built over
// Aravis, the tests' recording double is another). Every 32-bit number is
// int32_t or uint32_t, never long (which is 64 bits wide on Linux).
//
// What every implementation promises, beyond each declaration's own notes:
// - Threads. Any operation may be called from any thread. The frame-ready
//   and device-lost callbacks run on a thread of the library's own, never on
//   the caller's thread inside an operation; frames of one handle arrive one
//   at a time, in order. A callback may call back into the library, on its own
//   handle too (even IC_StopLive or IC_CloseVideoCaptureDevice).
// - Frame buffers. The pointer a frame-ready callback receives belongs to
//   the library and is valid only until the callback returns; the pixels are
//   rows top to bottom without padding, as IC_GetImageDescription describes
//   them.
// - Handles. A null, unknown or released handle is refused (IC_NO_HANDLE or
//   nothing done), never dereferenced.
// - Results. IC_SUCCESS (1) is success; every other value is a failure and
//   says why (see the result codes below).

#include <stdint.h>

#if defined(_WIN32)
#  if defined(TISGRABBER_BUILDING)
#    define IC_API __declspec(dllexport)
#  else
#    define IC_API __declspec(dllimport)
#  endif
#else
#  define IC_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Opaque capture handle; null means none.
typedef struct HGRABBER_t* HGRABBER;

// `frameNumber` counts the frames of one live session: 0 for the first frame
// after IC_StartLive, then advancing by the camera's own steps, so a frame the
// camera sent but the library could not deliver leaves a gap. 32 bits wide,
// it does not wrap at 65535 as a GigE Vision 1.x block id does.
typedef void (*FRAME_READY_CALLBACK)(HGRABBER grabber, unsigned char* data, uint32_t frameNumber, void* user);
// Runs once per open device when its control connection is lost; from then
// on the handle delivers no frames until it is opened again.
typedef void (*DEVICE_LOST_CALLBACK)(HGRABBER grabber, void* user);

// Format codes for IC_SetFormat / IC_GetImageDescription.
enum {
    IC_FORMAT_Y800 = 0,   // 8-bit gray
    IC_FORMAT_RGB24 = 1,  // 24-bit colour, bytes R, G, B
    IC_FORMAT_RGB32 = 2,  // 32-bit colour, bytes R, G, B, A
    IC_FORMAT_Y16 = 4,    // 16-bit gray, little-endian
    IC_FORMAT_KEEP = 5,   // whatever the camera sends, as it is
};

// Results: 1 is success; the rest say why an operation failed.
enum {
    IC_SUCCESS = 1,
    IC_ERROR = 0,             // nothing to work on (no open device, no live stream) or the camera refused
    IC_NO_HANDLE = -1,        // null, unknown or released handle
    IC_NO_DEVICE = -2,        // no such device, or none open on this handle
    IC_NOT_AVAILABLE = -3,    // the camera does not have this feature or format
    IC_OUT_OF_RANGE = -5,     // the value lies outside the camera's range
    IC_DEVICE_LOST = -6,      // the open device no longer answers; only closing the handle helps
};

// Property ids.
enum {
    IC_CAMERA_PROPERTY_EXPOSURE = 4,  // exposure time, microseconds
    IC_VIDEO_PROPERTY_GAIN = 9,       // gain, the camera's integer units
};

// Returns: IC_SUCCESS once the library can be used. May be called again.
IC_API int IC_InitLibrary(const char* licenseKey);
// Releases the library's shared state; no handle may be open.
IC_API void IC_CloseLibrary(void);

// Returns: a new handle without a device, or null.
IC_API HGRABBER IC_CreateGrabber(void);
// Closes the handle's device if open (as IC_CloseVideoCaptureDevice), frees
// the handle and sets *grabber to null. When it returns, no callback of that
// handle runs any more, unless it is called from inside one of them.
IC_API void IC_ReleaseGrabber(HGRABBER* grabber);

// Returns: the number of devices found now (0 or less: none).
IC_API int IC_GetDeviceCount(void);
// Returns: the unique name of device `index` of the last count, or null. The
// text belongs to the library and stays valid until the next count.
IC_API char* IC_GetUniqueNamefromList(int index);
// Opens the named device on the handle. Returns: IC_SUCCESS; IC_NO_DEVICE
// when there is no such device; IC_ERROR when it cannot be controlled (held
// by another application, or refused its setup). On failure no device stays
// open and the handle can be used for another attempt.
IC_API int IC_OpenDevByUniqueName(HGRABBER grabber, const char* uniqueName);
// Stops live acquisition (as IC_StopLive) and closes the device. Returns
// within a second, also when the device has vanished: a slow teardown goes on
// in the background. No device-lost callback runs once it has returned.
IC_API void IC_CloseVideoCaptureDevice(HGRABBER grabber);

// Registers the callbacks for the handle's frames and device loss; they take
// effect for the next frame. Null callbacks are allowed.
IC_API int IC_SetCallbacks(HGRABBER grabber, FRAME_READY_CALLBACK frameReady, void* frameReadyUser,
                           DEVICE_LOST_CALLBACK deviceLost, void* deviceLostUser);
// Chooses the format of delivered frames (not while live). Returns:
// IC_SUCCESS; IC_NOT_AVAILABLE when the camera cannot deliver it (the format
// in force stays, and IC_GetImageDescription says what it is).
IC_API int IC_SetFormat(HGRABBER grabber, int format);
// Describes the frames delivered now: size, bits per pixel and format code.
// During a live session it is the description of that session's frames.
IC_API int IC_GetImageDescription(HGRABBER grabber, int32_t* width, int32_t* height, int32_t* bitsPerPixel,
                                  int* format);

// Switches the frame trigger on (frames only on IC_SoftwareTrigger) or off (free run).
IC_API int IC_EnableTrigger(HGRABBER grabber, int enable);
// 0: every frame goes to the frame-ready callback (the only mode offered).
IC_API int IC_SetContinuousMode(HGRABBER grabber, int continuous);
// Starts live acquisition; frames go to the frame-ready callback. Returns:
// IC_SUCCESS (also when already live); IC_ERROR or IC_DEVICE_LOST otherwise,
// with nothing left running.
IC_API int IC_StartLive(HGRABBER grabber, int showWindow);
// Ends live acquisition. Returns only when no frame callback of the handle
// can run any more; called from inside that handle's frame callback, it
// returns at once and no further frame callback follows the running one.
// Within a second also when the device has vanished.
IC_API void IC_StopLive(HGRABBER grabber);
// Asks the camera for one frame, delivered later on the library's thread.
// Returns: IC_SUCCESS; IC_ERROR when the handle is not live.
IC_API int IC_SoftwareTrigger(HGRABBER grabber);

// Property operations return IC_NOT_AVAILABLE for a property id the operation
// does not serve or the camera does not have, IC_OUT_OF_RANGE for a value
// outside the range, IC_DEVICE_LOST at once on a lost device.
IC_API int IC_EnableAutoCameraProperty(HGRABBER grabber, int property, int enable);
IC_API int IC_CameraPropertyGetRange(HGRABBER grabber, int property, int32_t* min, int32_t* max);
IC_API int IC_SetCameraProperty(HGRABBER grabber, int property, int32_t value);
IC_API int IC_EnableAutoVideoProperty(HGRABBER grabber, int property, int enable);
IC_API int IC_VideoPropertyGetRange(HGRABBER grabber, int property, int32_t* min, int32_t* max);
IC_API int IC_SetVideoProperty(HGRABBER grabber, int property, int32_t value);

#ifdef __cplusplus
}
#endif
