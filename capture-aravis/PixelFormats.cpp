#include "PixelFormats.h"

#include <algorithm>

#include "tisgrabber.h"

namespace pixel_formats {
namespace {

bool Has(const std::vector<ArvPixelFormat>& available, ArvPixelFormat format)
{
    return std::find(available.begin(), available.end(), format) != available.end();
}

// Capture format code of a camera format delivered as it is; KEEP for others.
int NativeCode(ArvPixelFormat format)
{
    switch (format) {
    case ARV_PIXEL_FORMAT_MONO_8: return IC_FORMAT_Y800;
    case ARV_PIXEL_FORMAT_RGB_8_PACKED: return IC_FORMAT_RGB24;
    case ARV_PIXEL_FORMAT_RGBA_8_PACKED: return IC_FORMAT_RGB32;
    case ARV_PIXEL_FORMAT_MONO_16: return IC_FORMAT_Y16;
    default: return IC_FORMAT_KEEP;
    }
}

Plan Native(ArvPixelFormat format)
{
    return Plan{format, Conversion::None, NativeCode(format),
                static_cast<int32_t>(ARV_PIXEL_FORMAT_BIT_PER_PIXEL(format))};
}

Plan Converted(ArvPixelFormat from, Conversion conversion, int code, int32_t bits)
{
    return Plan{from, conversion, code, bits};
}

}  // namespace

bool ChoosePlan(int captureFormat, const std::vector<ArvPixelFormat>& available, ArvPixelFormat current,
                Plan& plan)
{
    switch (captureFormat) {
    case IC_FORMAT_Y800:
        if (!Has(available, ARV_PIXEL_FORMAT_MONO_8))
            return false;
        plan = Native(ARV_PIXEL_FORMAT_MONO_8);
        return true;
    case IC_FORMAT_RGB24:
        if (Has(available, ARV_PIXEL_FORMAT_RGB_8_PACKED))
            plan = Native(ARV_PIXEL_FORMAT_RGB_8_PACKED);
        else if (Has(available, ARV_PIXEL_FORMAT_MONO_8))
            plan = Converted(ARV_PIXEL_FORMAT_MONO_8, Conversion::GrayToRgb24, IC_FORMAT_RGB24, 24);
        else
            return false;
        return true;
    case IC_FORMAT_RGB32:
        if (Has(available, ARV_PIXEL_FORMAT_RGBA_8_PACKED))
            plan = Native(ARV_PIXEL_FORMAT_RGBA_8_PACKED);
        else if (Has(available, ARV_PIXEL_FORMAT_RGB_8_PACKED))
            plan = Converted(ARV_PIXEL_FORMAT_RGB_8_PACKED, Conversion::Rgb24ToRgb32, IC_FORMAT_RGB32, 32);
        else if (Has(available, ARV_PIXEL_FORMAT_MONO_8))
            plan = Converted(ARV_PIXEL_FORMAT_MONO_8, Conversion::GrayToRgb32, IC_FORMAT_RGB32, 32);
        else
            return false;
        return true;
    case IC_FORMAT_Y16:
        if (!Has(available, ARV_PIXEL_FORMAT_MONO_16))
            return false;
        plan = Native(ARV_PIXEL_FORMAT_MONO_16);
        return true;
    case IC_FORMAT_KEEP:
        if (current == 0)
            return false;
        plan = Native(current);
        return true;
    default:
        return false;
    }
}

void Convert(Conversion conversion, const uint8_t* in, size_t pixels, std::vector<uint8_t>& out)
{
    switch (conversion) {
    case Conversion::None:
        out.assign(in, in + pixels);
        return;
    case Conversion::GrayToRgb24:
        out.resize(pixels * 3);
        for (size_t i = 0; i < pixels; ++i)
            out[3 * i] = out[3 * i + 1] = out[3 * i + 2] = in[i];
        return;
    case Conversion::GrayToRgb32:
        out.resize(pixels * 4);
        for (size_t i = 0; i < pixels; ++i) {
            out[4 * i] = out[4 * i + 1] = out[4 * i + 2] = in[i];
            out[4 * i + 3] = 255;
        }
        return;
    case Conversion::Rgb24ToRgb32:
        out.resize(pixels * 4);
        for (size_t i = 0; i < pixels; ++i) {
            out[4 * i] = in[3 * i];
            out[4 * i + 1] = in[3 * i + 1];
            out[4 * i + 2] = in[3 * i + 2];
            out[4 * i + 3] = 255;
        }
        return;
    }
}

}  // namespace pixel_formats
