#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

namespace quorva {

// Every wait in the program goes through a Clock, so tests can check the waits
// the protocol demands without spending the time.
class Clock {
public:
    virtual ~Clock() = default;
    virtual void sleepMs(int ms) = 0;
    // At least us microseconds; a clock that only knows milliseconds sleeps
    // whole ones.
    virtual void sleepUs(int us) { sleepMs((us + 999) / 1000); }
    // Milliseconds since an arbitrary start; only differences are meaningful.
    virtual std::uint64_t tickMs() = 0;
    // The same time in microseconds, for whoever times what is shorter than
    // a millisecond (the simulator's line and chips).
    virtual std::uint64_t tickUs() { return tickMs() * 1000; }
};

class SteadyClock final : public Clock {
public:
    void sleepMs(int ms) override;
    void sleepUs(int us) override;
    std::uint64_t tickMs() override;
    std::uint64_t tickUs() override;
};

// Records every sleep and advances a virtual time instead of waiting.
// Thread-safe, because operations sleep on their worker thread.
class RecordingClock final : public Clock {
public:
    void sleepMs(int ms) override;
    std::uint64_t tickMs() override;

    void advance(std::uint64_t ms);
    std::vector<int> sleeps() const;
    std::uint64_t totalSleptMs() const;
    void clearSleeps();

private:
    mutable std::mutex mutex_;
    std::vector<int> sleeps_;
    std::uint64_t now_ = 0;
};

// The clock the program runs on.
Clock& realClock();

} // namespace quorva
