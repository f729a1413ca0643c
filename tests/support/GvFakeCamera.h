#pragma once
// Aravis's GigE Vision fake camera, served from this process on 127.0.0.1.
// Run only inside a private network namespace: clients find it by broadcast
// discovery. Presets go into its registers before anything connects.

#include <arv.h>

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
        bool knownPattern = true;        // fill frames with PatternByte(i) instead of Aravis's moving one
    };

    explicit GvFakeCamera(const Preset& preset);
    GvFakeCamera();
    ~GvFakeCamera();
    GvFakeCamera(const GvFakeCamera&) = delete;
    GvFakeCamera& operator=(const GvFakeCamera&) = delete;

    bool Running() const;
    ArvFakeCamera* Camera() const;
    uint32_t ReadRegister(uint32_t address) const;

    // The byte at offset `i` of every frame the known pattern fills.
    static uint8_t PatternByte(size_t i) { return static_cast<uint8_t>((i * 7 + i / 251) & 0xff); }
    static std::vector<uint8_t> Pattern(size_t bytes);

private:
    ArvGvFakeCamera* server_ = nullptr;
};
