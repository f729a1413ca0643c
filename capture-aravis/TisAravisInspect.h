#pragma once
// What this library exports beyond the capture operations, for tests and
// diagnostics (Linux only).

#include <stdint.h>

#include "tisgrabber.h"

#ifdef __cplusplus
extern "C" {
#endif

// Frames of a handle since it was made, by what became of them. Frames the
// camera never sent at all show only as gaps in the frame numbers.
typedef struct TisAravisFrameCounters {
    uint64_t delivered;     // handed to the frame-ready callback
    uint64_t failed;        // Aravis reported the buffer incomplete (missing packets, timeout, aborted)
    uint64_t mismatched;    // complete, but another size, format or payload type than the description
    uint64_t shortPayload;  // complete, but fewer bytes than the description needs
} TisAravisFrameCounters;

IC_API int TisAravisInspect_FrameCounters(HGRABBER grabber, TisAravisFrameCounters* counters);

// 1 when `data` is one of the live stream's own buffers (a frame handed over
// without a copy), 0 otherwise.
IC_API int TisAravisInspect_IsStreamBuffer(HGRABBER grabber, const void* data);

#ifdef __cplusplus
}
#endif
