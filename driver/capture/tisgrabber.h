#pragma once
// The C operations of the capture library `tisgrabber_x64` that the driver
// uses, declared from what the driver needs. On Windows x64 they bind to the
// vendor's DLL; on Linux to any libtisgrabber_x64.so offering the same ABI
// (the project's own is built over Aravis). Every 32-bit number is int32_t or
// uint32_t, never long (which is 64 bits wide on Linux). Success is 1.

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

typedef void (*FRAME_READY_CALLBACK)(HGRABBER grabber, unsigned char* data, uint32_t frameNumber, void* user);
typedef void (*DEVICE_LOST_CALLBACK)(HGRABBER grabber, void* user);

// Format codes for IC_SetFormat / IC_GetImageDescription.
enum {
    IC_FORMAT_Y800 = 0,
    IC_FORMAT_RGB24 = 1,
    IC_FORMAT_RGB32 = 2,
    IC_FORMAT_Y16 = 4,
    IC_FORMAT_KEEP = 5,
};

// Results: 1 is success; the rest say why an operation failed.
enum {
    IC_SUCCESS = 1,
    IC_ERROR = 0,
    IC_NO_HANDLE = -1,
    IC_NO_DEVICE = -2,
    IC_NOT_AVAILABLE = -3,
    IC_OUT_OF_RANGE = -5,
};

// Property ids.
enum {
    IC_CAMERA_PROPERTY_EXPOSURE = 4,
    IC_VIDEO_PROPERTY_GAIN = 9,
};

IC_API int IC_InitLibrary(const char* licenseKey);
IC_API void IC_CloseLibrary(void);

IC_API HGRABBER IC_CreateGrabber(void);
// Frees the handle (closing its device if open) and sets *grabber to null.
IC_API void IC_ReleaseGrabber(HGRABBER* grabber);

IC_API int IC_GetDeviceCount(void);
IC_API char* IC_GetUniqueNamefromList(int index);
IC_API int IC_OpenDevByUniqueName(HGRABBER grabber, const char* uniqueName);
IC_API void IC_CloseVideoCaptureDevice(HGRABBER grabber);

IC_API int IC_SetCallbacks(HGRABBER grabber, FRAME_READY_CALLBACK frameReady, void* frameReadyUser,
                           DEVICE_LOST_CALLBACK deviceLost, void* deviceLostUser);
IC_API int IC_SetFormat(HGRABBER grabber, int format);
IC_API int IC_GetImageDescription(HGRABBER grabber, int32_t* width, int32_t* height, int32_t* bitsPerPixel,
                                  int* format);

IC_API int IC_EnableTrigger(HGRABBER grabber, int enable);
IC_API int IC_SetContinuousMode(HGRABBER grabber, int continuous);
IC_API int IC_StartLive(HGRABBER grabber, int showWindow);
IC_API void IC_StopLive(HGRABBER grabber);
IC_API int IC_SoftwareTrigger(HGRABBER grabber);

IC_API int IC_EnableAutoCameraProperty(HGRABBER grabber, int property, int enable);
IC_API int IC_CameraPropertyGetRange(HGRABBER grabber, int property, int32_t* min, int32_t* max);
IC_API int IC_SetCameraProperty(HGRABBER grabber, int property, int32_t value);
IC_API int IC_EnableAutoVideoProperty(HGRABBER grabber, int property, int enable);
IC_API int IC_VideoPropertyGetRange(HGRABBER grabber, int property, int32_t* min, int32_t* max);
IC_API int IC_SetVideoProperty(HGRABBER grabber, int property, int32_t value);

#ifdef __cplusplus
}
#endif
