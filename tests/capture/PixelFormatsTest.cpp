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
        {"rgb24 from bayer only", IC_FORMAT_RGB24, {bayer}, true, bayer, Conversion::BayerToRgb24, 24},
        {"rgb32 from bayer only", IC_FORMAT_RGB32, {bayer, mono8}, true, bayer, Conversion::BayerToRgb32, 32},
        {"rgb24 prefers rgb8 to bayer", IC_FORMAT_RGB24, {bayer, rgb8}, true, rgb8, Conversion::None, 24},
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
    // A camera set to a Bayer layout stays on it for colour, even with RGB8 offered.
    pixel_formats::Plan colour;
    ASSERT_TRUE(pixel_formats::ChoosePlan(IC_FORMAT_RGB24, {mono8, rgb8, bayer}, bayer, colour));
    EXPECT_EQ(colour.cameraFormat, bayer);
    EXPECT_EQ(colour.conversion, Conversion::BayerToRgb24);
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
    const auto plan = [](Conversion conversion, int32_t bits) {
        pixel_formats::Plan p;
        p.conversion = conversion;
        p.bitsPerPixel = bits;
        return p;
    };
    pixel_formats::Convert(plan(Conversion::GrayToRgb24, 24), gray, 2, 1, out);
    EXPECT_EQ(out, (std::vector<uint8_t>{1, 1, 1, 200, 200, 200}));
    pixel_formats::Convert(plan(Conversion::GrayToRgb32, 32), gray, 2, 1, out);
    EXPECT_EQ(out, (std::vector<uint8_t>{1, 1, 1, 255, 200, 200, 200, 255}));
    pixel_formats::Convert(plan(Conversion::Rgb24ToRgb32, 32), rgb, 2, 1, out);
    EXPECT_EQ(out, (std::vector<uint8_t>{10, 20, 30, 255, 40, 50, 60, 255}));
}

// A mosaic of one colour (R 200, G 100, B 50) in each of the four layouts
// demosaics to that colour: the layout names are mapped to the right ones.
TEST(PixelFormats, EachBayerLayoutDemosaicsToItsColours)
{
    const struct {
        ArvPixelFormat format;
        const char* name;
        char first[4];  // the 2x2 cell: row 0 col 0, row 0 col 1, row 1 col 0, row 1 col 1
    } layouts[] = {
        {ARV_PIXEL_FORMAT_BAYER_RG_8, "RG", {'R', 'G', 'G', 'B'}},
        {ARV_PIXEL_FORMAT_BAYER_GR_8, "GR", {'G', 'R', 'B', 'G'}},
        {ARV_PIXEL_FORMAT_BAYER_GB_8, "GB", {'G', 'B', 'R', 'G'}},
        {ARV_PIXEL_FORMAT_BAYER_BG_8, "BG", {'B', 'G', 'G', 'R'}},
    };
    constexpr int kSize = 8;
    for (const auto& layout : layouts) {
        std::vector<uint8_t> mosaic(kSize * kSize);
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) {
                const char site = layout.first[(y % 2) * 2 + x % 2];
                mosaic[y * kSize + x] = site == 'R' ? 200 : site == 'G' ? 100 : 50;
            }
        for (const int code : {IC_FORMAT_RGB24, IC_FORMAT_RGB32}) {
            pixel_formats::Plan plan;
            ASSERT_TRUE(pixel_formats::ChoosePlan(code, {layout.format}, layout.format, plan)) << layout.name;
            std::vector<uint8_t> out;
            pixel_formats::Convert(plan, mosaic.data(), kSize, kSize, out);
            const int bytes = plan.bitsPerPixel / 8;
            ASSERT_EQ(out.size(), size_t(kSize * kSize * bytes));
            const uint8_t* centre = &out[size_t((kSize / 2 * kSize + kSize / 2) * bytes)];
            EXPECT_EQ(centre[0], 200) << layout.name << " R";
            EXPECT_EQ(centre[1], 100) << layout.name << " G";
            EXPECT_EQ(centre[2], 50) << layout.name << " B";
            if (bytes == 4)
                EXPECT_EQ(centre[3], 255) << layout.name << " A";
        }
    }
}
