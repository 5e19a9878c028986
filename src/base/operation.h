#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <type_traits>

namespace quorva {

// What a front end shows while an operation runs: a title, a line of text and
// a percentage. Called from the operation's worker thread.
class OperationView {
public:
    virtual ~OperationView() = default;
    virtual void operationStarted(const std::string& title, const std::string& text) = 0;
    virtual void operationProgress(int percent, const std::string& percentText) = 0;
};

// Base of every long chip operation. The subclass supplies run(); a front end
// runs it on a worker thread (see runOnWorkerThread) and offers Cancel.
class Operation {
public:
    // Results of run() and of the modal run.
    static constexpr int kDone = 0;
    static constexpr int kCancelled = 1;
    static constexpr int kWorkerNotStarted = 2;
    static constexpr int kCancelPending = 3;
    static constexpr int kPollingError = 100;
    static constexpr int kFailed = -1;

    virtual ~Operation() = default;

    // Begins a phase of `total` steps.
    void start(const std::string& title, const std::string& text, int total);
    // Step `index` (zero-based) of the phase is finished.
    void progress(int index);

    // The Cancel button: run() sees it at its next test; the result reads
    // "cancel pending" until the worker returns.
    void requestCancel();
    bool cancelRequested() const { return cancelRequested_.load(); }
    bool cancelled() const { return cancelled_.load(); }
    bool done() const { return done_.load(); }
    int result() const { return result_.load(); }

    void setView(OperationView* view);

    // The worker's body: result = run(), then done.
    void execute();
    // Marks the operation as never started (no worker could be created).
    void failToStart();

    int lastPercent() const { return lastPercent_; }

    // False for an operation the person must not interrupt (the firmware
    // transfer): front ends then offer no Cancel.
    virtual bool offersCancel() const { return true; }

protected:
    virtual int run() = 0;

private:
    OperationView* view() const;

    std::atomic<bool> cancelRequested_{false};
    std::atomic<bool> cancelled_{false};
    std::atomic<bool> done_{false};
    std::atomic<int> result_{kDone};

    // Touched by the worker thread only, once run() is under way.
    int total_ = 0;
    int lastPercent_ = 0;
    std::string lastText_;

    mutable std::mutex viewMutex_;
    OperationView* view_ = nullptr;
};

class Clock;

// Runs op on a worker thread and returns its result within a few ms of its
// end, polling every 150 ms through the clock; between polls it calls onPoll
// (may be empty), where a front end checks for Cancel. Returns 2 when no
// worker thread can be created.
template <typename Poll>
int runOnWorkerThread(Operation& op, Clock& clock, Poll&& onPoll);

int runOnWorkerThreadImpl(Operation& op, Clock& clock, void (*poll)(void*), void* context);

template <typename Poll>
int runOnWorkerThread(Operation& op, Clock& clock, Poll&& onPoll)
{
    return runOnWorkerThreadImpl(
        op, clock, [](void* context) { (*static_cast<std::remove_reference_t<Poll>*>(context))(); },
        static_cast<void*>(&onPoll));
}

} // namespace quorva
