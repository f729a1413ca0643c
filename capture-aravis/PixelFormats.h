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
    None,         // the camera's buffer is delivered as it is
    GrayToRgb24,  // Mono8 -> RGB24
    GrayToRgb32,  // Mono8 -> RGB32
    Rgb24ToRgb32, // RGB8 -> RGB32
};

struct Plan {
    ArvPixelFormat cameraFormat = 0;  // what the camera is set to send
    Conversion conversion = Conversion::None;
    int captureFormat = 5;            // format code reported for delivered frames
    int32_t bitsPerPixel = 0;         // of delivered frames
};

// Chooses how to deliver `captureFormat` from the camera's `available`
// formats, its `current` one for "keep". Returns false when it cannot be delivered.
bool ChoosePlan(int captureFormat, const std::vector<ArvPixelFormat>& available, ArvPixelFormat current,
                Plan& plan);

// Converts one camera frame into `out` (resized as needed).
void Convert(Conversion conversion, const uint8_t* in, size_t pixels, std::vector<uint8_t>& out);

}  // namespace pixel_formats
