#include "PixelFormats.h"

#include <algorithm>

#include <opencv2/imgproc.hpp>

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

// The Bayer layout to demosaic for colour: the camera's current one, or the
// first it offers; 0 for none.
ArvPixelFormat BayerSource(const std::vector<ArvPixelFormat>& available, ArvPixelFormat current)
{
    if (IsBayer8(current))
        return current;
    for (ArvPixelFormat format : available)
        if (IsBayer8(format))
            return format;
    return 0;
}

}  // namespace

bool IsBayer8(ArvPixelFormat format)
{
    return format == ARV_PIXEL_FORMAT_BAYER_RG_8 || format == ARV_PIXEL_FORMAT_BAYER_GR_8 ||
           format == ARV_PIXEL_FORMAT_BAYER_GB_8 || format == ARV_PIXEL_FORMAT_BAYER_BG_8;
}

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
        // A camera set to a Bayer layout (to save bandwidth) stays on it.
        if (IsBayer8(current))
            plan = Converted(current, Conversion::BayerToRgb24, IC_FORMAT_RGB24, 24);
        else if (Has(available, ARV_PIXEL_FORMAT_RGB_8_PACKED))
            plan = Native(ARV_PIXEL_FORMAT_RGB_8_PACKED);
        else if (const ArvPixelFormat bayer = BayerSource(available, current))
            plan = Converted(bayer, Conversion::BayerToRgb24, IC_FORMAT_RGB24, 24);
        else if (Has(available, ARV_PIXEL_FORMAT_MONO_8))
            plan = Converted(ARV_PIXEL_FORMAT_MONO_8, Conversion::GrayToRgb24, IC_FORMAT_RGB24, 24);
        else
            return false;
        return true;
    case IC_FORMAT_RGB32:
        if (IsBayer8(current))
            plan = Converted(current, Conversion::BayerToRgb32, IC_FORMAT_RGB32, 32);
        else if (Has(available, ARV_PIXEL_FORMAT_RGBA_8_PACKED))
            plan = Native(ARV_PIXEL_FORMAT_RGBA_8_PACKED);
        else if (Has(available, ARV_PIXEL_FORMAT_RGB_8_PACKED))
            plan = Converted(ARV_PIXEL_FORMAT_RGB_8_PACKED, Conversion::Rgb24ToRgb32, IC_FORMAT_RGB32, 32);
        else if (const ArvPixelFormat bayer = BayerSource(available, current))
            plan = Converted(bayer, Conversion::BayerToRgb32, IC_FORMAT_RGB32, 32);
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

namespace {

// OpenCV names a Bayer layout by the second row's second and third pixels,
// GenICam by the first row's first two: the same mosaic has other names.
int DemosaicCode(ArvPixelFormat format)
{
    switch (format) {
    case ARV_PIXEL_FORMAT_BAYER_RG_8: return cv::COLOR_BayerBG2RGB;
    case ARV_PIXEL_FORMAT_BAYER_GR_8: return cv::COLOR_BayerGB2RGB;
    case ARV_PIXEL_FORMAT_BAYER_GB_8: return cv::COLOR_BayerGR2RGB;
    default: return cv::COLOR_BayerRG2RGB;  // ARV_PIXEL_FORMAT_BAYER_BG_8
    }
}

}  // namespace

void Convert(const Plan& plan, const uint8_t* in, int32_t width, int32_t height, std::vector<uint8_t>& out)
{
    const int bytesOut = plan.bitsPerPixel / 8;
    out.resize(size_t(width) * size_t(height) * size_t(bytesOut));
    cv::Mat to(height, width, CV_8UC(bytesOut), out.data());
    auto* pixels = const_cast<uint8_t*>(in);  // read only: cv::Mat has no view of const data
    switch (plan.conversion) {
    case Conversion::None:
        std::copy(in, in + out.size(), out.begin());
        return;
    case Conversion::GrayToRgb24:
        cv::cvtColor(cv::Mat(height, width, CV_8UC1, pixels), to, cv::COLOR_GRAY2RGB);
        return;
    case Conversion::GrayToRgb32:
        cv::cvtColor(cv::Mat(height, width, CV_8UC1, pixels), to, cv::COLOR_GRAY2RGBA);
        return;
    case Conversion::Rgb24ToRgb32:
        cv::cvtColor(cv::Mat(height, width, CV_8UC3, pixels), to, cv::COLOR_RGB2RGBA);
        return;
    case Conversion::BayerToRgb24:
        cv::cvtColor(cv::Mat(height, width, CV_8UC1, pixels), to, DemosaicCode(plan.cameraFormat));
        return;
    case Conversion::BayerToRgb32: {
        cv::Mat rgb;
        cv::cvtColor(cv::Mat(height, width, CV_8UC1, pixels), rgb, DemosaicCode(plan.cameraFormat));
        cv::cvtColor(rgb, to, cv::COLOR_RGB2RGBA);
        return;
    }
    }
}

}  // namespace pixel_formats
