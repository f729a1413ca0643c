#pragma once
// Collects frames from a capture library's frame-ready callback, on whatever
// thread delivers them, and lets a test wait for them with a timeout.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <thread>
#include <cstdint>
#include <mutex>
#include <vector>

#include "tisgrabber.h"

class FrameCollector {
public:
    // Bytes of each frame to copy (0: copy nothing).
    explicit FrameCollector(size_t frameBytes = 0) : frameBytes_(frameBytes) {}

    static void Callback(HGRABBER grabber, unsigned char* data, uint32_t number, void* user)
    {
        auto* self = static_cast<FrameCollector*>(user);
        self->inside_ = true;
        self->Add(grabber, data, number);
        // A lingering callback is still running when a stop that does not
        // wait for it returns: Inside() then says so.
        if (self->linger_.count() > 0)
            std::this_thread::sleep_for(self->linger_);
        self->inside_ = false;
    }

    // Checks each frame's bytes as it arrives (true: the frame is right).
    void SetCheck(std::function<bool(const unsigned char* data)> check) { check_ = std::move(check); }
    size_t WrongFrames() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return wrong_;
    }
    // Frames missing between consecutive numbers of what arrived.
    uint64_t Gaps() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        uint64_t gaps = 0;
        for (size_t i = 1; i < numbers_.size(); ++i)
            if (numbers_[i] > numbers_[i - 1])
                gaps += numbers_[i] - numbers_[i - 1] - 1;
        return gaps;
    }

    // Every callback stays this long after recording its frame.
    void SetLinger(std::chrono::milliseconds linger) { linger_ = linger; }
    bool Inside() const { return inside_; }

    // After this, any frame counts as a frame after stop.
    void MarkStopped()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
    }
    void Resume()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = false;
    }

    bool WaitForFrames(size_t count, std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        return arrived_.wait_for(lock, timeout, [&] { return numbers_.size() >= count; });
    }

    size_t Count() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return numbers_.size();
    }
    size_t FramesAfterStop() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return afterStop_;
    }
    std::vector<uint32_t> Numbers() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return numbers_;
    }
    std::vector<uint8_t> LastBytes() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return last_;
    }
    const void* LastPointer() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return lastPointer_;
    }
    HGRABBER LastHandle() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return lastHandle_;
    }

private:
    void Add(HGRABBER grabber, const unsigned char* data, uint32_t number)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopped_)
            ++afterStop_;
        numbers_.push_back(number);
        lastPointer_ = data;
        lastHandle_ = grabber;
        if (frameBytes_ && data)
            last_.assign(data, data + frameBytes_);
        if (check_ && !check_(data))
            ++wrong_;
        arrived_.notify_all();
    }

    const size_t frameBytes_;
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<uint32_t> numbers_;
    std::vector<uint8_t> last_;
    const void* lastPointer_ = nullptr;
    HGRABBER lastHandle_ = nullptr;
    bool stopped_ = false;
    size_t afterStop_ = 0;
    std::chrono::milliseconds linger_{0};
    std::function<bool(const unsigned char*)> check_;
    size_t wrong_ = 0;
    std::atomic<bool> inside_{false};
};
