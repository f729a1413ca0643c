// Choosing how a capture format is delivered, and the software conversions.

#include <gtest/gtest.h>

#include "PixelFormats.h"
#include "tisgrabber.h"

using pixel_formats::Conversion;

struct PlanCase {
    const char* name;
    int code;
    std::vector<ArvPixelFormat> available;
    bool ok;
    ArvPixelFormat cameraFormat;
    Conversion conversion;
    int32_t bits;
};

TEST(PixelFormats, PrefersTheCameraFormatAndConvertsOnlyWhereItMust)
{
    const ArvPixelFormat mono8 = ARV_PIXEL_FORMAT_MONO_8, rgb8 = ARV_PIXEL_FORMAT_RGB_8_PACKED,
                         rgba8 = ARV_PIXEL_FORMAT_RGBA_8_PACKED, mono16 = ARV_PIXEL_FORMAT_MONO_16,
                         bayer = ARV_PIXEL_FORMAT_BAYER_RG_8;
    const PlanCase cases[] = {
        {"gray native", IC_FORMAT_Y800, {mono8, rgb8}, true, mono8, Conversion::None, 8},
        {"gray missing", IC_FORMAT_Y800, {rgb8}, false, 0, Conversion::None, 0},
        {"rgb24 native", IC_FORMAT_RGB24, {mono8, rgb8}, true, rgb8, Conversion::None, 24},
        {"rgb24 from gray", IC_FORMAT_RGB24, {mono8}, true, mono8, Conversion::GrayToRgb24, 24},
        {"rgb32 native", IC_FORMAT_RGB32, {rgba8, rgb8}, true, rgba8, Conversion::None, 32},
        {"rgb32 from rgb", IC_FORMAT_RGB32, {mono8, rgb8}, true, rgb8, Conversion::Rgb24ToRgb32, 32},
        {"rgb32 from gray", IC_FORMAT_RGB32, {mono8}, true, mono8, Conversion::GrayToRgb32, 32},
        {"rgb from bayer only", IC_FORMAT_RGB24, {bayer}, false, 0, Conversion::None, 0},
        {"y16 native", IC_FORMAT_Y16, {mono16}, true, mono16, Conversion::None, 16},
        {"y16 missing", IC_FORMAT_Y16, {mono8}, false, 0, Conversion::None, 0},
        {"unknown code", 3, {mono8}, false, 0, Conversion::None, 0},
    };
    for (const auto& c : cases) {
        pixel_formats::Plan plan;
        ASSERT_EQ(pixel_formats::ChoosePlan(c.code, c.available, mono8, plan), c.ok) << c.name;
        if (!c.ok)
            continue;
        EXPECT_EQ(plan.cameraFormat, c.cameraFormat) << c.name;
        EXPECT_EQ(plan.conversion, c.conversion) << c.name;
        EXPECT_EQ(plan.bitsPerPixel, c.bits) << c.name;
        EXPECT_EQ(plan.captureFormat, c.code) << c.name;
    }
    pixel_formats::Plan keep;
    ASSERT_TRUE(pixel_formats::ChoosePlan(IC_FORMAT_KEEP, {}, bayer, keep));
    EXPECT_EQ(keep.cameraFormat, bayer);
    EXPECT_EQ(keep.bitsPerPixel, 8);
    EXPECT_EQ(keep.captureFormat, IC_FORMAT_KEEP);
}

TEST(PixelFormats, ConversionsWriteTheDocumentedByteOrder)
{
    const uint8_t gray[] = {1, 200};
    const uint8_t rgb[] = {10, 20, 30, 40, 50, 60};
    std::vector<uint8_t> out;
    pixel_formats::Convert(Conversion::GrayToRgb24, gray, 2, out);
    EXPECT_EQ(out, (std::vector<uint8_t>{1, 1, 1, 200, 200, 200}));
    pixel_formats::Convert(Conversion::GrayToRgb32, gray, 2, out);
    EXPECT_EQ(out, (std::vector<uint8_t>{1, 1, 1, 255, 200, 200, 200, 255}));
    pixel_formats::Convert(Conversion::Rgb24ToRgb32, rgb, 2, out);
    EXPECT_EQ(out, (std::vector<uint8_t>{10, 20, 30, 255, 40, 50, 60, 255}));
}
