#pragma once
// How a requested capture format is produced from what the camera offers:
// either the camera's own format, handed over without a copy, or a software
// conversion from one it has.
//
// Delivered layouts (rows top to bottom, no row padding):
//   Y800  (0)  8-bit gray, one byte per pixel
//   RGB24 (1)  3 bytes per pixel in the order R, G, B
//   RGB32 (2)  4 bytes per pixel in the order R, G, B, A (A = 255)
//   Y16   (4)  16-bit gray, two bytes per pixel, little-endian

#include <arv.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pixel_formats {

enum class Conversion {
    None,          // the camera's buffer is delivered as it is
    GrayToRgb24,   // Mono8 -> RGB24
    GrayToRgb32,   // Mono8 -> RGB32
    Rgb24ToRgb32,  // RGB8 -> RGB32
    BayerToRgb24,  // an 8-bit Bayer mosaic (any of the four layouts) -> RGB24
    BayerToRgb32,  // an 8-bit Bayer mosaic -> RGB32
};

// Whether `format` is one of the four 8-bit Bayer layouts.
bool IsBayer8(ArvPixelFormat format);

struct Plan {
    ArvPixelFormat cameraFormat = 0;  // what the camera is set to send
    Conversion conversion = Conversion::None;
    int captureFormat = 5;            // format code reported for delivered frames
    int32_t bitsPerPixel = 0;         // of delivered frames
};

// Chooses how to deliver `captureFormat` from the camera's `available`
// formats and its `current` one ("keep" keeps it; a camera set to a Bayer
// layout keeps it for colour, demosaiced). Returns false when it cannot be delivered.
bool ChoosePlan(int captureFormat, const std::vector<ArvPixelFormat>& available, ArvPixelFormat current,
                Plan& plan);

// Converts one camera frame of `plan` (width x height, rows without padding)
// into `out` (resized as needed), with OpenCV.
void Convert(const Plan& plan, const uint8_t* in, int32_t width, int32_t height, std::vector<uint8_t>& out);

}  // namespace pixel_formats
