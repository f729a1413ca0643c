#pragma once
// Settings of the Linux capture library that hosts here choose for it: they
// travel through its environment, read when the library is first used.

#include <QByteArray>

namespace capture_selection {

// Aravis interfaces the library enumerates, comma-separated.
constexpr const char* kInterfacesVariable = "TISGRABBER_ARAVIS_INTERFACES";

// Only Aravis's in-process simulated camera: no hardware, no network.
inline void UseSimulatedCamera()
{
    qputenv(kInterfacesVariable, QByteArray("Fake"));
}

}  // namespace capture_selection
