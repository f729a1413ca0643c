#pragma once
// Marks the calling thread, for the scope's lifetime, as running one of a
// handle's callbacks (the delivery thread's frame callbacks, a device-lost
// callback), so that a stop or close called from there does not wait for
// itself. Kept per handle, not in thread_local storage: this library is
// loaded with dlopen, and LeakSanitizer mis-scans a dlopened library's
// dynamic TLS.

#include <algorithm>
#include <mutex>
#include <thread>
#include <vector>

class CallbackThreads {
public:
    void Enter()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        threads_.push_back(std::this_thread::get_id());
    }
    void Leave()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        threads_.erase(std::find(threads_.begin(), threads_.end(), std::this_thread::get_id()));
    }
    bool Inside() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::find(threads_.begin(), threads_.end(), std::this_thread::get_id()) != threads_.end();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::thread::id> threads_;
};

class CallbackScope {
public:
    explicit CallbackScope(CallbackThreads& threads) : threads_(threads) { threads_.Enter(); }
    ~CallbackScope() { threads_.Leave(); }
    CallbackScope(const CallbackScope&) = delete;
    CallbackScope& operator=(const CallbackScope&) = delete;

private:
    CallbackThreads& threads_;
};
