#include "operation.h"

#include "clock.h"
#include "messages.h"

#include <system_error>
#include <thread>

namespace quorva {

namespace {
constexpr int kPollIntervalMs = 150;
// How soon the end of a run is noticed: a whole poll interval would add up
// to 150 ms to every command.
constexpr int kDoneCheckMs = 5;
}

void Operation::start(const std::string& title, const std::string& text, int total)
{
    total_ = total;
    lastPercent_ = 0;
    if (OperationView* v = view()) {
        v->operationStarted(title, text);
        v->operationProgress(0, lastText_);
    }
}

void Operation::progress(int index)
{
    if (total_ == 0)
        return;
    const int percent = static_cast<int>(static_cast<long long>(index) * 100 / total_);
    if (percent == lastPercent_)
        return;
    lastPercent_ = percent;
    // The text is rewritten only when it changes, so a byte-by-byte run does
    // not flood the front end.
    std::string text = formatMessage(1151, percent);
    OperationView* v = view();
    if (text != lastText_) {
        lastText_ = std::move(text);
        if (v)
            v->operationProgress(percent, lastText_);
    }
}

void Operation::requestCancel()
{
    cancelRequested_ = true;
    result_ = kCancelPending;
    cancelled_ = true;
}

void Operation::setView(OperationView* view)
{
    std::lock_guard lock(viewMutex_);
    view_ = view;
}

OperationView* Operation::view() const
{
    std::lock_guard lock(viewMutex_);
    return view_;
}

void Operation::execute()
{
    result_ = run();
    done_ = true;
}

void Operation::failToStart()
{
    result_ = kWorkerNotStarted;
    done_ = true;
}

int runOnWorkerThreadImpl(Operation& op, Clock& clock, void (*poll)(void*), void* context)
{
    std::thread worker;
    try {
        worker = std::thread([&op] { op.execute(); });
    } catch (const std::system_error&) {
        op.failToStart();
        return Operation::kWorkerNotStarted;
    }
    for (int sincePoll = 0; !op.done();) {
        clock.sleepMs(kDoneCheckMs);
        sincePoll += kDoneCheckMs;
        if (sincePoll >= kPollIntervalMs || op.done()) {
            poll(context);
            sincePoll = 0;
        }
    }
    worker.join();
    return op.result();
}

} // namespace quorva
