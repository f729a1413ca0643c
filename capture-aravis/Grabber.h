#pragma once
// One capture handle: at most one open camera, its live stream, and the
// thread that hands complete frames to the frame-ready callback.
//
// Locking: `control_` serialises camera I/O and state changes; `callbacks_`
// guards the callback pointers the delivery thread reads per frame. Neither is
// held while a callback runs, so a callback may call back into the library
// (even IC_StopLive). Device loss arrives on Aravis's heartbeat thread through
// a LostLink, which is detached before the camera is released.

#include <arv.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "PixelFormats.h"
#include "capture/tisgrabber.h"

struct LostLink;

class Grabber : public std::enable_shared_from_this<Grabber> {
public:
    enum class Property { Exposure, Gain };

    Grabber() = default;
    ~Grabber();
    Grabber(const Grabber&) = delete;
    Grabber& operator=(const Grabber&) = delete;

    HGRABBER Handle() { return reinterpret_cast<HGRABBER>(this); }

    int Open(const char* deviceId);
    void Close();
    int SetCallbacks(FRAME_READY_CALLBACK frameReady, void* frameUser, DEVICE_LOST_CALLBACK deviceLost,
                     void* lostUser);
    int SetFormat(int captureFormat);
    int GetImageDescription(int32_t* width, int32_t* height, int32_t* bitsPerPixel, int* format);
    int EnableTrigger(bool on);
    int StartLive();
    void StopLive();
    int SoftwareTrigger();

    int EnableAutoProperty(Property property, bool automatic);
    int GetPropertyRange(Property property, int32_t* min, int32_t* max);
    int SetProperty(Property property, int32_t value);

    uint64_t DeliveredFrames() const { return delivered_; }
    uint64_t IncompleteFrames() const { return incomplete_; }
    // Whether `data` is the start of one of the live stream's own buffers.
    bool IsStreamBuffer(const void* data);

private:
    // What the delivery thread works with; fixed for one live session.
    struct Session {
        ArvStream* stream = nullptr;  // the thread's own reference
        std::shared_ptr<std::atomic<bool>> stop;
        pixel_formats::Plan plan;
        int32_t width = 0;
        int32_t height = 0;
    };

    void DeliveryLoop(Session session);
    void Deliver(ArvBuffer* buffer, const Session& session, std::vector<uint8_t>& converted);
    bool ReadRegion();  // under control_
    bool IsLost() const;

    std::mutex control_;
    ArvCamera* camera_ = nullptr;
    ArvStream* stream_ = nullptr;  // non-null while live
    std::vector<const void*> streamBuffers_;
    std::thread delivery_;
    std::shared_ptr<std::atomic<bool>> stopDelivery_;
    std::shared_ptr<LostLink> link_;
    gulong lostHandler_ = 0;
    pixel_formats::Plan plan_;
    int32_t width_ = 0;
    int32_t height_ = 0;

    std::mutex callbacks_;
    FRAME_READY_CALLBACK frameReady_ = nullptr;
    void* frameUser_ = nullptr;
    DEVICE_LOST_CALLBACK deviceLost_ = nullptr;
    void* lostUser_ = nullptr;

    std::atomic<uint64_t> delivered_{0};
    std::atomic<uint64_t> incomplete_{0};
    std::atomic<bool> mismatchReported_{false};
};
