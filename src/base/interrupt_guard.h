#pragma once

#include <atomic>
#include <csignal>

namespace quorva {

// Ctrl-C stands for Cancel while the guard lives: it sets a flag the caller
// polls instead of ending the process. Where nothing may be interrupted (the
// firmware transfer) it is ignored. The earlier handling comes back after.
class InterruptGuard {
public:
    explicit InterruptGuard(bool cancellable);
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // Set once Ctrl-C was pressed while a guard was in place.
    static const std::atomic<bool>& requested();

private:
    struct sigaction previous_ {};
};

} // namespace quorva
