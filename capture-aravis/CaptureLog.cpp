#include "CaptureLog.h"

#include <cstdarg>

namespace capture_log {

namespace {
constexpr const char* kDomain = "tisgrabber-aravis";
}

bool Ok(GError*& error, const char* what)
{
    if (!error)
        return true;
    g_log(kDomain, G_LOG_LEVEL_WARNING, "%s: %s", what, error->message);
    g_clear_error(&error);
    return false;
}

void Warning(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    g_logv(kDomain, G_LOG_LEVEL_WARNING, format, args);
    va_end(args);
}

}  // namespace capture_log
