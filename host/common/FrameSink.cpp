#include "FrameSink.h"

#include <algorithm>

#include "GrabStatistics.h"

void FrameSink::OnFrameReady(ICameraObject* camera)
{
    Frame frame;
    frame.arrival = std::chrono::steady_clock::now();
    frame.width = camera->width;
    frame.height = camera->height;
    frame.bitsPerPixel = camera->bitsPerPixel;
    frame.frameNumber = camera->frameNumber;
    if (camera->imageData && frame.ByteCount() > 0)
        frame.pixels = QByteArray(reinterpret_cast<const char*>(camera->imageData), int(frame.ByteCount()));

    std::function<void()> notify;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++received_;
        if (lastNumber_)
            gaps_ += FramesMissingBetween(*lastNumber_, frame.frameNumber);
        lastNumber_ = frame.frameNumber;
        if (options_.keepLatestOnly)
            frames_.clear();
        while (!frames_.empty() && frames_.size() >= std::max<size_t>(1, options_.maxWaiting)) {
            frames_.pop_front();
            ++dropped_;
        }
        frames_.push_back(std::move(frame));
        notify = notify_;
    }
    arrived_.notify_all();
    if (notify)
        notify();
}

std::optional<Frame> FrameSink::Take(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (!arrived_.wait_for(lock, timeout, [&] { return !frames_.empty() || lost_; }) || frames_.empty())
        return std::nullopt;
    Frame frame = std::move(frames_.front());
    frames_.pop_front();
    return frame;
}

std::optional<Frame> FrameSink::TryTake()
{
    return Take(std::chrono::milliseconds(0));
}

uint64_t FrameSink::Received() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

uint64_t FrameSink::Dropped() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return dropped_;
}

void FrameSink::MarkLost()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lost_ = true;
    }
    arrived_.notify_all();
}

bool FrameSink::Lost() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return lost_;
}

void FrameSink::SetNotify(std::function<void()> notify)
{
    std::lock_guard<std::mutex> lock(mutex_);
    notify_ = std::move(notify);
}

uint64_t FrameSink::Gaps() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return gaps_;
}

void FrameSink::Reset()
{
    std::lock_guard<std::mutex> lock(mutex_);
    frames_.clear();
    received_ = gaps_ = dropped_ = 0;
    lost_ = false;
    lastNumber_.reset();
}
