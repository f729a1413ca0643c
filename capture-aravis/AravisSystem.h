#pragma once
// What the library shares between handles: which Aravis interfaces are
// enabled, the last device list, and camera teardowns still running in the
// background after a device was lost.

#include <chrono>
#include <functional>
#include <string>

namespace aravis_system {

// Name of the environment variable that lists the Aravis interfaces to use,
// comma-separated (e.g. "Fake" or "GigEVision,Fake"). Default: GigEVision.
constexpr const char* kInterfacesVariable = "TISGRABBER_ARAVIS_INTERFACES";

// Enables the selected interfaces and disables the others (once per process).
void SelectInterfaces();

// Refreshes Aravis's device list; returns the number of devices.
int RefreshDevices();
// Device id at `index` of the last refresh, or null; valid until the next refresh.
const char* DeviceId(int index);

// What the transport told about device `index` of the last refresh.
struct DeviceDetails {
    std::string vendor, model, serial, address, physicalId;
};
bool Details(int index, DeviceDetails* details);

// Runs `work` on a thread of its own; used for teardowns that can block for
// seconds against a device that no longer answers. `device` names the device
// the work tears down (empty: none).
void RunInBackground(std::function<void()> work, const std::string& device = std::string());
// Runs `work` on a thread of its own and waits for it up to `bound`. Returns
// whether it ended in time; if not, it goes on in the background.
bool RunBounded(std::function<void()> work, std::chrono::milliseconds bound);
// Drops one reference to `object` (a camera or stream of `device`) on a thread of its own.
void UnrefInBackground(void* object, const std::string& device);
// Waits until every background teardown has ended.
void WaitForBackgroundWork();
// Waits up to `bound` until the teardowns of `device` have ended; whether they have.
bool WaitForTeardowns(const std::string& device, std::chrono::milliseconds bound);

// Releases the device list and Aravis's own state (nothing may be open).
void Shutdown();

}  // namespace aravis_system
