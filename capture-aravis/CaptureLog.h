#pragma once
// The library reports every failure it meets through GLib's logger in a
// domain of its own, "tisgrabber-aravis", never in the driver's words.

#include <glib.h>

namespace capture_log {

// Logs `what: message` as a warning and clears the error; returns false if
// there was an error, so callers can write `if (!capture_log::Ok(error, "…"))`.
bool Ok(GError*& error, const char* what);

void Warning(const char* format, ...) G_GNUC_PRINTF(1, 2);

}  // namespace capture_log
