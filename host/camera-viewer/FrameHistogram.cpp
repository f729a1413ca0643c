#include "FrameHistogram.h"

namespace {

void Count8(FrameHistogram& histogram, uint8_t sample)
{
    ++histogram.bins[sample];
    ++histogram.samples;
    histogram.atZero += sample == 0;
    histogram.atFullScale += sample == 0xff;
}

}  // namespace

FrameHistogram ComputeHistogram(const Frame& frame)
{
    FrameHistogram histogram;
    if (frame.ByteCount() <= 0 || frame.pixels.size() != frame.ByteCount())
        return histogram;
    const auto* data = reinterpret_cast<const uint8_t*>(frame.pixels.constData());
    const qint64 pixels = qint64(frame.width) * frame.height;
    switch (frame.bitsPerPixel) {
    case 8:
        for (qint64 i = 0; i < pixels; ++i)
            Count8(histogram, data[i]);
        break;
    case 16:  // little-endian samples
        for (qint64 i = 0; i < pixels; ++i) {
            const uint16_t sample = uint16_t(data[2 * i] | data[2 * i + 1] << 8);
            ++histogram.bins[sample >> 8];
            ++histogram.samples;
            histogram.atZero += sample == 0;
            histogram.atFullScale += sample == 0xffff;
        }
        break;
    case 24:
    case 32: {  // R, G, B (and a fourth byte that is no colour)
        const int step = frame.bitsPerPixel / 8;
        for (qint64 i = 0; i < pixels; ++i)
            for (int c = 0; c < 3; ++c)
                Count8(histogram, data[i * step + c]);
        break;
    }
    default:
        break;
    }
    return histogram;
}
