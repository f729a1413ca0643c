#include "HandleRegistry.h"

#include <mutex>
#include <unordered_map>

namespace handle_registry {
namespace {

std::mutex mutex;
std::unordered_map<HGRABBER, std::shared_ptr<Grabber>> handles;

}  // namespace

HGRABBER Add(std::shared_ptr<Grabber> grabber)
{
    const HGRABBER handle = grabber->Handle();
    std::lock_guard<std::mutex> lock(mutex);
    handles.emplace(handle, std::move(grabber));
    return handle;
}

std::shared_ptr<Grabber> Find(HGRABBER handle)
{
    if (!handle)
        return nullptr;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = handles.find(handle);
    return it == handles.end() ? nullptr : it->second;
}

std::shared_ptr<Grabber> Remove(HGRABBER handle)
{
    std::lock_guard<std::mutex> lock(mutex);
    auto it = handles.find(handle);
    if (it == handles.end())
        return nullptr;
    std::shared_ptr<Grabber> grabber = std::move(it->second);
    handles.erase(it);
    return grabber;
}

std::shared_ptr<Grabber> FindByDevice(const std::string& deviceId)
{
    std::vector<std::shared_ptr<Grabber>> all;
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (const auto& entry : handles)
            all.push_back(entry.second);
    }
    for (const auto& grabber : all)  // without the registry lock: DeviceId takes the handle's own
        if (grabber->DeviceId() == deviceId)
            return grabber;
    return nullptr;
}

}  // namespace handle_registry
