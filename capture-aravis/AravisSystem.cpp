#include "AravisSystem.h"

#include <arv.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "CaptureLog.h"

namespace aravis_system {
namespace {

std::mutex listMutex;
std::vector<std::string> deviceIds;
std::vector<DeviceDetails> deviceDetails;

std::string Text(const char* text)
{
    return text ? text : "";
}
std::once_flag interfacesSelected;

// Background teardowns may still run while the process exits: their state is
// never destroyed, so a late one cannot touch a destroyed mutex.
struct Background {
    std::mutex mutex;
    std::condition_variable done;
    int running = 0;
    std::multiset<std::string> devices;  // of the teardowns running
};

Background& background()
{
    static Background* const instance = new Background;
    return *instance;
}

std::set<std::string> WantedInterfaces()
{
    const char* setting = std::getenv(kInterfacesVariable);
    std::set<std::string> wanted;
    std::stringstream list(setting && *setting ? setting : "GigEVision");
    for (std::string name; std::getline(list, name, ',');)
        if (!name.empty())
            wanted.insert(name);
    return wanted;
}

}  // namespace

void SelectInterfaces()
{
    std::call_once(interfacesSelected, [] {
        const std::set<std::string> wanted = WantedInterfaces();
        std::set<std::string> known;
        for (unsigned i = 0; i < arv_get_n_interfaces(); ++i) {
            const std::string id = arv_get_interface_id(i);
            known.insert(id);
            if (wanted.count(id))
                arv_enable_interface(id.c_str());
            else
                arv_disable_interface(id.c_str());
        }
        for (const auto& name : wanted)
            if (!known.count(name))
                capture_log::Warning("%s names an unknown Aravis interface '%s'", kInterfacesVariable,
                                     name.c_str());
    });
}

int RefreshDevices()
{
    SelectInterfaces();
    std::lock_guard<std::mutex> lock(listMutex);
    arv_update_device_list();
    deviceIds.clear();
    deviceDetails.clear();
    const unsigned count = arv_get_n_devices();
    for (unsigned i = 0; i < count; ++i) {
        deviceIds.emplace_back(Text(arv_get_device_id(i)));
        deviceDetails.push_back(DeviceDetails{Text(arv_get_device_vendor(i)), Text(arv_get_device_model(i)),
                                              Text(arv_get_device_serial_nbr(i)), Text(arv_get_device_address(i)),
                                              Text(arv_get_device_physical_id(i))});
    }
    return static_cast<int>(deviceIds.size());
}

const char* DeviceId(int index)
{
    std::lock_guard<std::mutex> lock(listMutex);
    if (index < 0 || index >= static_cast<int>(deviceIds.size()))
        return nullptr;
    return deviceIds[index].c_str();
}

bool Details(int index, DeviceDetails* details)
{
    std::lock_guard<std::mutex> lock(listMutex);
    if (index < 0 || index >= static_cast<int>(deviceDetails.size()))
        return false;
    *details = deviceDetails[index];
    return true;
}

void RunInBackground(std::function<void()> work, const std::string& device)
{
    Background& state = background();
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        ++state.running;
        if (!device.empty())
            state.devices.insert(device);
    }
    std::thread([&state, work = std::move(work), device] {
        work();
        std::lock_guard<std::mutex> lock(state.mutex);
        --state.running;
        if (!device.empty())
            state.devices.erase(state.devices.find(device));
        state.done.notify_all();
    }).detach();
}

bool WaitForTeardowns(const std::string& device, std::chrono::milliseconds bound)
{
    Background& state = background();
    std::unique_lock<std::mutex> lock(state.mutex);
    return state.done.wait_for(lock, bound, [&] { return state.devices.count(device) == 0; });
}

bool RunBounded(std::function<void()> work, std::chrono::milliseconds bound)
{
    struct Done {
        std::mutex mutex;
        std::condition_variable ended;
        bool done = false;
    };
    auto done = std::make_shared<Done>();
    RunInBackground([done, work = std::move(work)] {
        work();
        std::lock_guard<std::mutex> lock(done->mutex);
        done->done = true;
        done->ended.notify_all();
    });
    std::unique_lock<std::mutex> lock(done->mutex);
    return done->ended.wait_for(lock, bound, [&] { return done->done; });
}

void UnrefInBackground(void* object, const std::string& device)
{
    if (object)
        RunInBackground([object] { g_object_unref(object); }, device);
}

void WaitForBackgroundWork()
{
    Background& state = background();
    std::unique_lock<std::mutex> lock(state.mutex);
    state.done.wait(lock, [&] { return state.running == 0; });
}

void Shutdown()
{
    WaitForBackgroundWork();
    std::lock_guard<std::mutex> lock(listMutex);
    deviceIds.clear();
    deviceIds.shrink_to_fit();
    deviceDetails.clear();
    deviceDetails.shrink_to_fit();
}

}  // namespace aravis_system
