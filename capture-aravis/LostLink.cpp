#include "LostLink.h"

namespace {

void OnControlLost(ArvDevice*, gpointer data)
{
    LostLink& link = **static_cast<std::shared_ptr<LostLink>*>(data);
    std::lock_guard<std::recursive_mutex> lock(link.mutex);
    link.lost = true;
    if (!link.attached || link.fired)
        return;
    link.fired = true;
    if (link.callback)
        link.callback(link.handle, link.user);
}

void ReleaseClosure(gpointer data, GClosure*)
{
    delete static_cast<std::shared_ptr<LostLink>*>(data);
}

}  // namespace

gulong LostLink::Connect(ArvDevice* device, const std::shared_ptr<LostLink>& link)
{
    return g_signal_connect_data(device, "control-lost", G_CALLBACK(OnControlLost),
                                 new std::shared_ptr<LostLink>(link), ReleaseClosure, GConnectFlags(0));
}

void LostLink::SetCallback(DEVICE_LOST_CALLBACK newCallback, void* newUser)
{
    std::lock_guard<std::recursive_mutex> lock(mutex);
    callback = newCallback;
    user = newUser;
}

void LostLink::Detach()
{
    std::lock_guard<std::recursive_mutex> lock(mutex);
    attached = false;
}
