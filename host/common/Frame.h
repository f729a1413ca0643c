#pragma once
// A frame as the host keeps it: copied out of the capture library's buffer
// inside OnFrameReady, with its description and arrival time.

#include <QByteArray>
#include <chrono>
#include <cstdint>

struct Frame {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;
    uint32_t frameNumber = 0;
    std::chrono::steady_clock::time_point arrival;
    QByteArray pixels;  // width * height * bitsPerPixel / 8 bytes; empty if the frame had none

    qint64 ByteCount() const { return qint64(width) * height * bitsPerPixel / 8; }
};
