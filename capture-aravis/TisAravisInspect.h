#pragma once
// The one function this library exports beyond the capture operations: frame
// counters of a handle, for tests and diagnostics.

#include <stdint.h>

#include "capture/tisgrabber.h"

#ifdef __cplusplus
extern "C" {
#endif

// Frames handed to the frame-ready callback, and frames dropped because they
// arrived incomplete or did not match the description, since the handle was made.
IC_API int TisAravisInspect_FrameCounters(HGRABBER grabber, uint64_t* delivered, uint64_t* incomplete);

// 1 when `data` is one of the live stream's own buffers (a frame handed over
// without a copy), 0 otherwise.
IC_API int TisAravisInspect_IsStreamBuffer(HGRABBER grabber, const void* data);

#ifdef __cplusplus
}
#endif
