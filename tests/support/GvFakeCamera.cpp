#include "GvFakeCamera.h"

namespace {

void FillKnownPattern(ArvBuffer* buffer, void* counter, guint32, guint32, ArvPixelFormat format)
{
    const uint8_t stamp = static_cast<uint8_t>((*static_cast<std::atomic<uint32_t>*>(counter))++);
    // The buffer's received size is set only after filling; the image size is known.
    const size_t size = size_t(arv_buffer_get_image_width(buffer)) * size_t(arv_buffer_get_image_height(buffer)) *
                        ARV_PIXEL_FORMAT_BIT_PER_PIXEL(format) / 8;
    auto* data = static_cast<uint8_t*>(const_cast<void*>(arv_buffer_get_data(buffer, nullptr)));
    for (size_t i = 0; i < size; ++i)
        data[i] = GvFakeCamera::PatternByte(i, stamp);
}

void FillColourMosaic(ArvBuffer* buffer, void* counter, guint32 exposure, guint32 gain, ArvPixelFormat format)
{
    const uint32_t width = arv_buffer_get_image_width(buffer), height = arv_buffer_get_image_height(buffer);
    const std::vector<uint8_t> mosaic = GvFakeCamera::Mosaic(format, width, height);
    if (mosaic.empty()) {  // not a Bayer layout
        FillKnownPattern(buffer, counter, exposure, gain, format);
        return;
    }
    ++*static_cast<std::atomic<uint32_t>*>(counter);
    auto* data = static_cast<uint8_t*>(const_cast<void*>(arv_buffer_get_data(buffer, nullptr)));
    std::copy(mosaic.begin(), mosaic.end(), data);
}

}  // namespace

std::vector<uint8_t> GvFakeCamera::Mosaic(ArvPixelFormat format, uint32_t width, uint32_t height)
{
    const char* cell = format == ARV_PIXEL_FORMAT_BAYER_RG_8   ? "RGGB"
                       : format == ARV_PIXEL_FORMAT_BAYER_GR_8 ? "GRBG"
                       : format == ARV_PIXEL_FORMAT_BAYER_GB_8 ? "GBRG"
                       : format == ARV_PIXEL_FORMAT_BAYER_BG_8 ? "BGGR"
                                                               : nullptr;
    if (!cell)
        return {};
    std::vector<uint8_t> mosaic(size_t(width) * height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const char site = cell[(y % 2) * 2 + x % 2];
            mosaic[size_t(y) * width + x] = site == 'R' ? kMosaicRed : site == 'G' ? kMosaicGreen : kMosaicBlue;
        }
    return mosaic;
}

GvFakeCamera::GvFakeCamera() : GvFakeCamera(Preset{}) {}

GvFakeCamera::GvFakeCamera(const Preset& preset) : GvFakeCamera(preset, ARV_GV_FAKE_CAMERA_DEFAULT_INTERFACE, kSerial) {}

GvFakeCamera::GvFakeCamera(const Preset& preset, const char* address, const char* serial)
    : server_(arv_gv_fake_camera_new(address, serial)), deviceId_(std::string("Aravis-Fake-") + serial)
{
    ArvFakeCamera* camera = Camera();
    if (!camera)
        return;
    arv_fake_camera_write_register(camera, ARV_FAKE_CAMERA_REGISTER_WIDTH, preset.width);
    arv_fake_camera_write_register(camera, ARV_FAKE_CAMERA_REGISTER_HEIGHT, preset.height);
    arv_fake_camera_write_register(camera, ARV_FAKE_CAMERA_REGISTER_ACQUISITION_FRAME_PERIOD_US,
                                   preset.framePeriodUs);
    if (preset.colourMosaic)
        arv_fake_camera_set_fill_pattern(camera, FillColourMosaic, &filled_);
    else if (preset.knownPattern)
        arv_fake_camera_set_fill_pattern(camera, FillKnownPattern, &filled_);
}

GvFakeCamera::~GvFakeCamera()
{
    if (server_)
        g_object_unref(server_);
}

bool GvFakeCamera::Running() const
{
    return server_ && arv_gv_fake_camera_is_running(server_);
}

ArvFakeCamera* GvFakeCamera::Camera() const
{
    return server_ ? arv_gv_fake_camera_get_fake_camera(server_) : nullptr;
}

uint32_t GvFakeCamera::ReadRegister(uint32_t address) const
{
    guint32 value = 0;
    arv_fake_camera_read_register(Camera(), address, &value);
    return value;
}

std::vector<uint8_t> GvFakeCamera::Pattern(size_t bytes, uint8_t stamp)
{
    std::vector<uint8_t> pattern(bytes);
    for (size_t i = 0; i < bytes; ++i)
        pattern[i] = PatternByte(i, stamp);
    return pattern;
}

int GvFakeCamera::StampOf(const uint8_t* data, size_t bytes)
{
    if (!data || bytes == 0)
        return -1;
    const uint8_t stamp = data[0];  // PatternByte(0, stamp) is the stamp itself
    for (size_t i = 0; i < bytes; ++i)
        if (data[i] != PatternByte(i, stamp))
            return -1;
    return stamp;
}
