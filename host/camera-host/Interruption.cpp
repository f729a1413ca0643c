#include "Interruption.h"

#include <csignal>

namespace interruption {
namespace {
volatile std::sig_atomic_t received = 0;

extern "C" void OnSignal(int signal)
{
    received = signal;
}
}  // namespace

void Install()
{
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int Received()
{
    return received;
}

void Raise(int signal)
{
    received = signal;
}

void Clear()
{
    received = 0;
}

}  // namespace interruption
