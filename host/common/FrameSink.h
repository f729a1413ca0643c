#pragma once
// The host's observer. OnFrameReady runs on the capture library's thread: it
// copies the frame (the buffer is the library's), queues it and returns at
// once, never waiting for the consumer.
//
// Two ways to consume: Take() frames in order, or, with keepLatestOnly, only
// the newest frame waits to be taken. The queue is bounded: a host slower
// than the camera drops the oldest waiting frame and counts it, apart from
// the frames the camera lost.

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
        size_t maxWaiting = 64;  // frames kept for a slow consumer
    };
    FrameSink() = default;
    explicit FrameSink(const Options& options) : options_(options) {}

    void OnFrameReady(ICameraObject* camera) override;

    // Waits for the next frame up to `timeout`; returns early, without a
    // frame, once the camera is marked lost and no frame waits.
    std::optional<Frame> Take(std::chrono::milliseconds timeout);
    // The next frame if one is waiting.
    std::optional<Frame> TryTake();

    uint64_t Received() const;
    // Frames received but dropped because the consumer fell behind.
    uint64_t Dropped() const;
    // The camera went away: wakes a waiting Take.
    void MarkLost();
    bool Lost() const;
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
    uint64_t dropped_ = 0;
    bool lost_ = false;
    std::optional<uint32_t> lastNumber_;
    std::function<void()> notify_;
};
