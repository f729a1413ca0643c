#pragma once
// Relays the loss of one open camera's control connection to the handle's
// device-lost callback, once. Aravis reports the loss on its heartbeat thread
// (the "control-lost" signal); the library reports it itself when a command
// times out while stopping or closing. The relay outlives the handle's
// camera (the signal closure holds it) and is detached on close, so no
// device-lost callback runs once close has returned.

#include <arv.h>

#include <atomic>
#include <memory>
#include <mutex>

class Grabber;

class ControlLostRelay {
public:
    // The callback is the grabber's own at the moment of the loss (never a copy
    // that a later IC_SetCallbacks could leave stale).
    explicit ControlLostRelay(std::weak_ptr<Grabber> grabber) : grabber_(std::move(grabber)) {}

    // Connects `relay` to `device`'s control-lost signal; returns the handler id.
    static gulong Connect(ArvDevice* device, const std::shared_ptr<ControlLostRelay>& relay);
    // The camera is gone: marks it lost and runs the callback, the first time only.
    void Report();
    // Report() on a thread of the library's own, waiting until it has run.
    void ReportFromOwnThread();
    bool Lost() const { return lost_; }
    // After this returns, the callback is neither running nor called again.
    void Detach();

private:
    std::recursive_mutex mutex_;  // recursive: the callback may close the handle
    const std::weak_ptr<Grabber> grabber_;
    bool attached_ = true;
    bool fired_ = false;
    std::atomic<bool> lost_{false};
};
