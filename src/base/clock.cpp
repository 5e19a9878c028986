#include "clock.h"

#include <chrono>
#include <thread>

namespace quorva {

void SteadyClock::sleepMs(int ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SteadyClock::sleepUs(int us)
{
    if (us > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(us));
}

std::uint64_t SteadyClock::tickMs()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

std::uint64_t SteadyClock::tickUs()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

void RecordingClock::sleepMs(int ms)
{
    {
        std::lock_guard lock(mutex_);
        sleeps_.push_back(ms);
        if (ms > 0)
            now_ += static_cast<std::uint64_t>(ms);
    }
    // Let a thread that polls in a sleep loop give way to the one it waits for.
    std::this_thread::yield();
}

std::uint64_t RecordingClock::tickMs()
{
    std::lock_guard lock(mutex_);
    return now_;
}

void RecordingClock::advance(std::uint64_t ms)
{
    std::lock_guard lock(mutex_);
    now_ += ms;
}

std::vector<int> RecordingClock::sleeps() const
{
    std::lock_guard lock(mutex_);
    return sleeps_;
}

std::uint64_t RecordingClock::totalSleptMs() const
{
    std::lock_guard lock(mutex_);
    std::uint64_t total = 0;
    for (int ms : sleeps_)
        total += ms > 0 ? static_cast<std::uint64_t>(ms) : 0;
    return total;
}

void RecordingClock::clearSleeps()
{
    std::lock_guard lock(mutex_);
    sleeps_.clear();
}

Clock& realClock()
{
    static SteadyClock clock;
    return clock;
}

} // namespace quorva
