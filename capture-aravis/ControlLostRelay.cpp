#include "ControlLostRelay.h"

#include <thread>

#include "Grabber.h"

namespace {

// Publishes a relay to Aravis's heartbeat thread. The signal closure already
// carries it there through GLib's own locks, which ThreadSanitizer cannot
// see; passing this lock on both sides makes the order visible to it too.
std::mutex& HandOff()
{
    static std::mutex handOff;
    return handOff;
}

void OnControlLost(ArvDevice*, gpointer data)
{
    { std::lock_guard<std::mutex> published(HandOff()); }
    (*static_cast<std::shared_ptr<ControlLostRelay>*>(data))->Report();
}

void ReleaseClosure(gpointer data, GClosure*)
{
    delete static_cast<std::shared_ptr<ControlLostRelay>*>(data);
}

}  // namespace

gulong ControlLostRelay::Connect(ArvDevice* device, const std::shared_ptr<ControlLostRelay>& relay)
{
    auto* data = new std::shared_ptr<ControlLostRelay>(relay);
    { std::lock_guard<std::mutex> published(HandOff()); }
    return g_signal_connect_data(device, "control-lost", G_CALLBACK(OnControlLost), data, ReleaseClosure,
                                 GConnectFlags(0));
}

void ControlLostRelay::Report()
{
    lost_ = true;
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!attached_ || fired_)
        return;
    fired_ = true;
    if (auto grabber = grabber_.lock())
        grabber->RunDeviceLostCallback();
}

void ControlLostRelay::ReportFromOwnThread()
{
    lost_ = true;
    // Callbacks never run on a caller's thread inside an operation.
    std::thread([this] { Report(); }).join();
}

void ControlLostRelay::Detach()
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    attached_ = false;
}
