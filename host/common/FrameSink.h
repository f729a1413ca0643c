#pragma once
// The host's observer. OnFrameReady runs on the capture library's thread: it
// copies the frame (the buffer is the library's), queues it and returns at
// once, never waiting for the consumer.
//
// Two ways to consume: Take() frames in order (every frame kept), or, with
// keepLatestOnly, only the newest frame waits to be taken.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>

#include "Frame.h"
#include "ICameraObject.h"

class FrameSink : public ICameraObserver {
public:
    struct Options {
        bool keepLatestOnly = false;
    };
    FrameSink() = default;
    explicit FrameSink(const Options& options) : options_(options) {}

    void OnFrameReady(ICameraObject* camera) override;

    // Waits for the next frame up to `timeout`.
    std::optional<Frame> Take(std::chrono::milliseconds timeout);
    // The next frame if one is waiting.
    std::optional<Frame> TryTake();

    uint64_t Received() const;
    // Frames missing from the camera's numbering between received frames.
    uint64_t Gaps() const;
    // Forgets waiting frames and starts the counters again.
    void Reset();
    // Called (on the library's thread, after queueing) whenever a frame arrives.
    void SetNotify(std::function<void()> notify);

private:
    const Options options_;
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<Frame> frames_;
    uint64_t received_ = 0;
    uint64_t gaps_ = 0;
    std::optional<uint32_t> lastNumber_;
    std::function<void()> notify_;
};
