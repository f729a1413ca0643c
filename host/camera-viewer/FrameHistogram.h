#pragma once
// The histogram of a shown frame, and how many of its samples sit at the
// ends of the scale (black and saturated), what an engineer checks while
// setting exposure and gain.

#include <array>
#include <cstdint>

#include "Frame.h"

struct FrameHistogram {
    // 256 bins; a 16-bit sample falls in the bin of its high byte.
    std::array<uint64_t, 256> bins{};
    uint64_t samples = 0;      // gray pixels, or the R, G and B samples of colour pixels
    uint64_t atZero = 0;       // samples of exactly 0
    uint64_t atFullScale = 0;  // samples of exactly 255 (65535 for 16 bits)
};

// An empty histogram for a frame without pixels or of a depth it cannot read.
FrameHistogram ComputeHistogram(const Frame& frame);
