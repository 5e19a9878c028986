#include "base/clock.h"
#include "base/messages.h"
#include "base/operation.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>

namespace quorva {
namespace {

class RecordingView : public OperationView {
public:
    void operationStarted(const std::string& title, const std::string& text) override
    {
        std::lock_guard lock(mutex);
        events.push_back("start " + title + " | " + text);
    }
    void operationProgress(int percent, const std::string& percentText) override
    {
        std::lock_guard lock(mutex);
        events.push_back(std::to_string(percent) + " " + percentText);
    }
    std::mutex mutex;
    std::vector<std::string> events;
};

class StepOperation : public Operation {
public:
    StepOperation(int total, std::function<void(int)> afterStep = {}) : total_(total), afterStep_(std::move(afterStep)) {}

protected:
    int run() override
    {
        start("Title", "Working", total_);
        for (int i = 0; i < total_; ++i) {
            if (afterStep_)
                afterStep_(i);
            progress(i);
            if (cancelRequested())
                return kCancelled;
        }
        return kDone;
    }

private:
    int total_;
    std::function<void(int)> afterStep_;
};

TEST(OperationTest, ProgressShowsEachNewPercentOnce)
{
    RecordingView view;
    StepOperation op(4);
    op.setView(&view);
    op.execute();
    EXPECT_EQ(view.events, (std::vector<std::string>{"start Title | Working", "0 ", "25 25% completed",
                                                     "50 50% completed", "75 75% completed"}));
    EXPECT_TRUE(op.done());
    EXPECT_EQ(op.result(), Operation::kDone);

    // 1000 byte-sized steps reach the view 99 times, not 1000.
    RecordingView many;
    StepOperation big(1000);
    big.setView(&many);
    big.execute();
    EXPECT_EQ(many.events.size(), 2u + 99u);
    EXPECT_EQ(many.events.back(), "99 99% completed");
}

TEST(OperationTest, EmptyPhaseNeverMovesTheBar)
{
    RecordingView view;
    StepOperation op(0);
    op.setView(&view);
    op.execute();
    op.progress(5);
    EXPECT_EQ(view.events, (std::vector<std::string>{"start Title | Working", "0 "}));
}

TEST(OperationTest, CancelReadsPendingUntilTheWorkerReturns)
{
    StepOperation op(10);
    op.requestCancel();
    EXPECT_TRUE(op.cancelled());
    EXPECT_EQ(op.result(), Operation::kCancelPending);
    EXPECT_FALSE(op.done());
    op.execute();
    EXPECT_EQ(op.result(), Operation::kCancelled);
}

TEST(OperationTest, WorkerThreadPollsEvery150MsAndSeesTheEndWithin5)
{
    RecordingClock clock;
    int polls = 0;
    StepOperation op(3, [&](int step) {
        if (step == 1)
            op.requestCancel();
    });
    const int result = runOnWorkerThread(op, clock, [&] { ++polls; });
    EXPECT_EQ(result, Operation::kCancelled);
    EXPECT_TRUE(op.cancelled());
    const auto sleeps = clock.sleeps();
    for (int ms : sleeps)
        EXPECT_EQ(ms, 5);
    // One poll each 30 sleeps, and one at the end.
    EXPECT_EQ(static_cast<std::size_t>(polls), sleeps.size() / 30 + (sleeps.size() % 30 != 0 ? 1 : 0));
}

TEST(OperationTest, FinishedOperationKeepsItsResultWhenCancelComesLate)
{
    RecordingClock clock;
    StepOperation op(2);
    EXPECT_EQ(runOnWorkerThread(op, clock, [] {}), Operation::kDone);
    op.requestCancel();
    EXPECT_TRUE(op.cancelled()); // the caller looks at it only for non-zero results
}

} // namespace
} // namespace quorva
