#pragma once
// Aravis's GigE Vision fake camera, served from this process on 127.0.0.1.
// Run only inside a private network namespace: clients find it by broadcast
// discovery. Presets go into its registers before anything connects.

#include <arv.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class GvFakeCamera {
public:
    static constexpr const char* kSerial = "GV01";
    static constexpr const char* kDeviceId = "Aravis-Fake-GV01";

    struct Preset {
        uint32_t width = 512;
        uint32_t height = 512;
        uint32_t framePeriodUs = 40000;  // 25 frames per second
        bool knownPattern = true;        // fill frames with PatternByte(i, stamp) instead of Aravis's moving one
        bool colourMosaic = false;       // Bayer frames: R sites kMosaicRed, G kMosaicGreen, B kMosaicBlue
    };

    static constexpr uint8_t kMosaicRed = 200, kMosaicGreen = 100, kMosaicBlue = 50;
    // The colour mosaic of `format` (a Bayer layout), as the camera fills it.
    static std::vector<uint8_t> Mosaic(ArvPixelFormat format, uint32_t width, uint32_t height);

    explicit GvFakeCamera(const Preset& preset);
    // A camera of its own on `address` (a loopback address of the private
    // namespace, see TestNetwork), listed as "Aravis-Fake-<serial>".
    GvFakeCamera(const Preset& preset, const char* address, const char* serial);
    GvFakeCamera();
    ~GvFakeCamera();
    GvFakeCamera(const GvFakeCamera&) = delete;
    GvFakeCamera& operator=(const GvFakeCamera&) = delete;

    bool Running() const;
    ArvFakeCamera* Camera() const;
    const std::string& DeviceId() const { return deviceId_; }
    uint32_t ReadRegister(uint32_t address) const;

    // The byte at offset `i` of the frame the known pattern fills with
    // `stamp`: the camera's own count of the frames it filled, modulo 256,
    // so a stale or reused buffer does not pass for the right frame.
    static uint8_t PatternByte(size_t i, uint8_t stamp)
    {
        return static_cast<uint8_t>(((i * 7 + i / 251) + stamp) & 0xff);
    }
    static std::vector<uint8_t> Pattern(size_t bytes, uint8_t stamp);
    // The stamp of a frame filled with the known pattern (its first byte), or
    // -1 when any of its `bytes` differs from that frame's pattern.
    static int StampOf(const uint8_t* data, size_t bytes);
    // Frames filled so far.
    uint32_t FramesFilled() const { return filled_; }

private:
    // Before server_: the counter exists before the camera's threads do.
    std::atomic<uint32_t> filled_{0};
    ArvGvFakeCamera* server_ = nullptr;
    std::string deviceId_;
};
