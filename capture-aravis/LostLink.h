#pragma once
// Connects Aravis's control-lost signal to one handle's device-lost callback.
// The signal comes from Aravis's heartbeat thread; the link outlives the
// handle's camera (the signal closure holds it) and is detached on close, so
// no device-lost callback runs once close has returned.

#include <arv.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "capture/tisgrabber.h"

struct LostLink {
    std::recursive_mutex mutex;  // recursive: the callback may close the handle
    bool attached = true;
    bool fired = false;
    std::atomic<bool> lost{false};
    HGRABBER handle = nullptr;
    DEVICE_LOST_CALLBACK callback = nullptr;
    void* user = nullptr;

    // Connects `link` to `device`'s control-lost signal; returns the handler id.
    static gulong Connect(ArvDevice* device, const std::shared_ptr<LostLink>& link);
    void SetCallback(DEVICE_LOST_CALLBACK newCallback, void* newUser);
    // After this returns, the callback is neither running nor called again.
    void Detach();
};
