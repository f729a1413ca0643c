#pragma once
// Writes a frame as a Netpbm file: PGM for gray (8 or 16 bits; 16-bit PGM is
// big-endian, so the little-endian samples are swapped), PPM for colour
// (24-bit R,G,B as is; 32-bit R,G,B,A without the alpha byte).

#include <QString>

#include "Frame.h"

namespace frame_file {

// "pgm" or "ppm" for a frame of `bitsPerPixel`, or empty when it cannot be saved.
QString Extension(int32_t bitsPerPixel);

// Writes `frame` to `path`; false with a reason in `error`.
bool Save(const Frame& frame, const QString& path, QString* error);

}  // namespace frame_file
