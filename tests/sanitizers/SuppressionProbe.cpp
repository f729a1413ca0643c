// Two functions of ours racing on a global, on a thread GLib created. With
// the project's ThreadSanitizer suppressions the race must still be reported
// (exit code 66): a suppression that names a whole library would hide it,
// because GLib's thread start routine is on the stack.

#include <glib.h>

namespace {
int shared = 0;

gpointer WriteOnGLibThread(gpointer)
{
    shared = 1;
    return nullptr;
}
}  // namespace

int main()
{
    GThread* thread = g_thread_new("probe", WriteOnGLibThread, nullptr);
    shared = 2;
    g_thread_join(thread);
    return shared == 0 ? 1 : 0;
}
