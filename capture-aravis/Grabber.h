#pragma once
// One capture handle: at most one open camera, its live stream, and the
// thread that hands complete frames to the frame-ready callback.
//
// Locking: `control_` serialises camera I/O and state changes; `callbacks_`
// guards the callback pointers the delivery thread reads per frame. Neither is
// held while a callback runs, so a callback may call back into the library
// (even IC_StopLive). Device loss arrives on Aravis's heartbeat thread through
// a ControlLostRelay, which is detached before the camera is released.
//
// Stopping: a stop, close or release waits until no delivery thread of the
// handle runs any more, except when it is called from inside one of the
// handle's own callbacks (frame or device lost), which cannot wait for
// themselves. A new live session's thread waits until it is the handle's only
// delivery thread before it delivers, so one handle never delivers from two.

#include <arv.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CallbackScope.h"
#include "GObjectPtr.h"
#include "PixelFormats.h"
#include "tisgrabber.h"

class ControlLostRelay;

// Frames of one handle since it was made, by what became of them.
struct FrameCounts {
    uint64_t delivered = 0;     // handed to the frame-ready callback
    uint64_t failed = 0;        // Aravis reported the buffer incomplete (lost packets, timeout, …)
    uint64_t mismatched = 0;    // complete, but not the size, format or payload type described
    uint64_t shortPayload = 0;  // complete, but fewer bytes than the description needs
};

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

    FrameCounts Counts() const;
    // The id of the open device, or empty.
    std::string DeviceId() const;
    // Runs `use` with the open camera under the control lock; IC_NO_DEVICE
    // without one, IC_DEVICE_LOST at once on a lost one.
    int WithCamera(const std::function<int(ArvCamera*)>& use);
    // Aravis's stream figures of the live session, or of the last one.
    struct StreamFigures {
        guint64 completed = 0, failures = 0, underruns = 0, resent = 0, missing = 0;
    };
    StreamFigures StreamStatistics() const;
    // Runs the registered device-lost callback (the relay calls it once).
    void RunDeviceLostCallback();
    // Whether `data` is the start of one of the live stream's own buffers.
    bool IsStreamBuffer(const void* data);

private:
    // The delivery thread's own reference to its stream. A stream's teardown
    // clears the camera's stream destination, so a stopped session's stream
    // must be gone before the next session's is made: a start from inside the
    // stopped session's callback releases it early, on the delivery thread
    // itself, which no longer touches it once its session is stopped.
    struct StreamHold {
        GObjectPtr<ArvStream> stream;
        std::thread::id thread;  // the delivery thread, once it runs (under control_)
    };
    // What the delivery thread works with; fixed for one live session.
    struct Session {
        std::shared_ptr<StreamHold> hold;
        std::shared_ptr<std::atomic<bool>> stop;
        pixel_formats::Plan plan;
        int32_t width = 0;
        int32_t height = 0;
        // Once the loss is reported, no frame of this session is delivered,
        // even if the camera's cable comes back: it is reached again only by opening it.
        std::shared_ptr<ControlLostRelay> relay;
    };
    // The session's own frame numbering: 0 for its first frame, then the
    // camera's block-id steps, 32 bits wide.
    struct Numbering {
        bool started = false;
        guint64 lastId = 0;
        uint32_t next = 0;
        uint32_t Number(guint64 frameId);
    };
    // The trigger as the camera had it at open, put back at close.
    struct TriggerAsFound {
        bool known = false;
        std::string selector, mode, source;
    };

    void DeliveryLoop(Session session);
    // Whether the calling thread is inside one of this handle's callbacks.
    bool CalledFromCallback() const;
    // Waits until at most `others` delivery threads run besides the caller's.
    void WaitForDeliveryThreads(int others, const std::atomic<bool>* giveUp = nullptr);
    void Deliver(ArvBuffer* buffer, const Session& session, uint32_t number, std::vector<uint8_t>& converted);
    bool ReadRegion();  // under control_
    bool IsLost() const;
    // Under control_: the trigger of `camera` as it is now.
    static TriggerAsFound ReadTrigger(ArvCamera* camera);
    static void RestoreTrigger(ArvCamera* camera, const TriggerAsFound& trigger);
    static StreamFigures ReadStream(ArvStream* stream);
    // A command timed out while stopping or closing: the camera is gone.
    void TakeAsLost();
    // Under control_, before a new stream is made: lets go of the stopped session's.
    void ReleaseStoppedStream();

    mutable std::mutex control_;
    GObjectPtr<ArvCamera> camera_;
    GObjectPtr<ArvStream> stream_;  // non-null while live
    std::vector<const void*> streamBuffers_;
    std::shared_ptr<std::atomic<bool>> stopDelivery_;
    std::shared_ptr<StreamHold> deliveryHold_;  // the newest session's
    // Delivery threads still running (a stopped session's thread ends once its
    // callback returns); they are detached and keep the handle alive.
    CallbackThreads callbackThreads_;  // threads running one of this handle's callbacks
    std::mutex deliveryMutex_;
    std::condition_variable deliveryEnded_;
    int deliveryThreads_ = 0;
    std::shared_ptr<ControlLostRelay> relay_;
    gulong lostHandler_ = 0;
    TriggerAsFound trigger_;
    std::string deviceId_;
    std::string configuredTriggerSource_;  // what the settings chose; empty: ours to choose
    StreamFigures lastStream_;
    bool triggerChanged_ = false;
    pixel_formats::Plan plan_;
    int32_t width_ = 0;
    int32_t height_ = 0;

    std::mutex callbacks_;
    FRAME_READY_CALLBACK frameReady_ = nullptr;
    void* frameUser_ = nullptr;
    DEVICE_LOST_CALLBACK deviceLost_ = nullptr;
    void* lostUser_ = nullptr;

    std::atomic<uint64_t> delivered_{0};
    std::atomic<uint64_t> failed_{0};
    std::atomic<uint64_t> mismatched_{0};
    std::atomic<uint64_t> shortPayload_{0};
    std::atomic<bool> mismatchReported_{false};
};
