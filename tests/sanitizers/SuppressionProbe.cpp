// Two functions of ours racing on a global, one of them on a thread GLib
// created. With the project's ThreadSanitizer suppressions the race must
// still be reported (exit code 66): a suppression that names a whole library
// would hide it, because GLib's thread start routine is on the stack. Both
// sides write many times, so that the accesses overlap whatever the timing.

#include <glib.h>

namespace {
volatile int shared = 0;

void WriteMany(int value)
{
    for (int i = 0; i < 200000; ++i)
        shared = value + (i & 1);
}

gpointer WriteOnGLibThread(gpointer)
{
    WriteMany(1);
    return nullptr;
}
}  // namespace

int main()
{
    GThread* thread = g_thread_new("probe", WriteOnGLibThread, nullptr);
    WriteMany(3);
    g_thread_join(thread);
    return 0;
}
