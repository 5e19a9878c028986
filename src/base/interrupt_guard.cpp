#include "interrupt_guard.h"

namespace quorva {

namespace {

std::atomic<bool> interruptRequested{false};

extern "C" void onInterrupt(int)
{
    interruptRequested = true;
}

} // namespace

InterruptGuard::InterruptGuard(bool cancellable)
{
    interruptRequested = false;
    struct sigaction action {};
    action.sa_handler = cancellable ? onInterrupt : SIG_IGN;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &previous_);
}

InterruptGuard::~InterruptGuard()
{
    sigaction(SIGINT, &previous_, nullptr);
}

const std::atomic<bool>& InterruptGuard::requested()
{
    return interruptRequested;
}

} // namespace quorva
