#include "gui/progress_window.h"
#include "modal_answerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QProgressBar>
#include <QTest>

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace quorva::test {
namespace {

// Four steps, then (when asked to) waits for Cancel as a run waits out a
// receive time-out.
class StepsOperation final : public Operation {
public:
    explicit StepsOperation(bool waitForCancel, bool cancellable = true)
        : waitForCancel_(waitForCancel), cancellable_(cancellable)
    {
    }
    bool offersCancel() const override { return cancellable_; }

protected:
    int run() override
    {
        start("Title", "Doing it", 4);
        for (int i = 0; i < 4; ++i)
            progress(i);
        while (waitForCancel_ && !cancelRequested())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (cancelRequested()) {
            // The step under way ends before the test for Cancel.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            return kCancelled;
        }
        return kDone;
    }

private:
    bool waitForCancel_;
    bool cancellable_;
};

TEST(ProgressWindowTest, ShowsEachPercentageAndClosesOnlyWhenTheRunReturns)
{
    ModalAnswerer person;
    std::vector<int> bar;
    QString text;
    StepsOperation op(true);
    person.onProgress([&](QWidget& window) {
        QObject::connect(window.findChild<QProgressBar*>("1050"), &QProgressBar::valueChanged,
                         [&bar](int value) { bar.push_back(value); });
        // Escape asks for the cancel; the window stays until run() returns.
        QTest::keyClick(&window, Qt::Key_Escape);
        EXPECT_TRUE(window.isVisible());
    });
    EXPECT_EQ(gui::ProgressWindow::run(op, nullptr), Operation::kCancelled);
    EXPECT_TRUE(op.cancelled());
    // The bar itself, driven step by step: 4 steps show 25, 50 and 75 %.
    StepsOperation counted(false);
    gui::ProgressWindow window(counted, nullptr);
    QObject::connect(window.findChild<QProgressBar*>("1050"), &QProgressBar::valueChanged,
                     [&bar](int value) { bar.push_back(value); });
    bar.clear();
    counted.setView(&window);
    counted.execute();
    EXPECT_EQ(bar, (std::vector<int>{25, 50, 75}));
    EXPECT_EQ(window.percentText(), "75% completed");
}

TEST(ProgressWindowTest, TheFirmwareTransferOffersNoCancel)
{
    ModalAnswerer person;
    bool cancelShown = true;
    StepsOperation op(false, false);
    person.onProgress([&](QWidget& window) {
        cancelShown = window.findChild<QAbstractButton*>("2")->isVisible();
        QTest::keyClick(&window, Qt::Key_Escape);
    });
    EXPECT_EQ(gui::ProgressWindow::run(op, nullptr), Operation::kDone);
    EXPECT_FALSE(cancelShown);
    EXPECT_FALSE(op.cancelRequested());
}

} // namespace
} // namespace quorva::test
