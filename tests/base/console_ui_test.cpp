#include "base/clock.h"
#include "base/console_ui.h"
#include "base/messages.h"
#include "base/operation.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sstream>

namespace quorva {
namespace {

struct Console {
    explicit Console(bool terminal, std::string input = {}) : in(std::move(input)), ui(out, err, in, terminal, terminal, clock) {}
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    RecordingClock clock;
    ConsoleUi ui;
};

TEST(ConsoleUiTest, StatusAndBoxesGoToTheirStreams)
{
    Console console(false);
    console.ui.setStatus("Programming Flash");
    console.ui.showMessage(BoxIcon::Information, "Programmer QUORVA", "Device erased");
    console.ui.showMessage(BoxIcon::Error, "Programmer QUORVA", "Connection error");
    EXPECT_EQ(console.out.str(), "Programming Flash\n[Programmer QUORVA] Device erased\n");
    EXPECT_EQ(console.err.str(), "[Programmer QUORVA, error] Connection error\n");
}

TEST(ConsoleUiTest, QuestionsFollowThePolicyAndNeverReadAPipe)
{
    // Not a terminal: input is never read, the default button answers.
    Console piped(false, "yes\n");
    EXPECT_EQ(piped.ui.ask(Buttons::YesNo, BoxIcon::Question, 1, "c", "Erase?"), Answer::No);
    EXPECT_EQ(piped.in.tellg(), 0);
    EXPECT_EQ(piped.ui.ask(Buttons::OkCancel, BoxIcon::Warning, 0, "c", "Continue?"), Answer::Ok);

    piped.ui.setAnswerPolicy(AnswerPolicy::Yes);
    EXPECT_EQ(piped.ui.ask(Buttons::YesNo, BoxIcon::Question, 1, "c", "q"), Answer::Yes);
    EXPECT_EQ(piped.ui.ask(Buttons::OkCancel, BoxIcon::Question, 1, "c", "q"), Answer::Ok);
    piped.ui.setAnswerPolicy(AnswerPolicy::No);
    EXPECT_EQ(piped.ui.ask(Buttons::YesNo, BoxIcon::Question, 0, "c", "q"), Answer::No);
    EXPECT_EQ(piped.ui.ask(Buttons::OkCancel, BoxIcon::Question, 0, "c", "q"), Answer::Cancel);
    EXPECT_EQ(piped.ui.ask(Buttons::YesNoCancel, BoxIcon::Question, 0, "c", "q"), Answer::No);
    EXPECT_EQ(piped.ui.ask(Buttons::Ok, BoxIcon::Question, 0, "c", "q"), Answer::Ok);
    EXPECT_NE(piped.out.str().find("Erase?\n-> No\n"), std::string::npos);
}

TEST(ConsoleUiTest, TerminalPromptsUntilAnAnswerFits)
{
    Console console(true, "maybe\nn\n\n");
    EXPECT_EQ(console.ui.ask(Buttons::YesNo, BoxIcon::Question, 0, "c", "q"), Answer::No);
    EXPECT_EQ(console.ui.ask(Buttons::YesNo, BoxIcon::Question, 1, "c", "q"), Answer::No); // Enter: default
    EXPECT_EQ(console.ui.ask(Buttons::YesNo, BoxIcon::Question, 0, "c", "q"), Answer::Yes);  // end of input
    EXPECT_NE(console.out.str().find("(yes*/no) "), std::string::npos);
}

TEST(ConsoleUiTest, ChoosersAndDialogsCancelWithoutATerminal)
{
    Console piped(false);
    EXPECT_FALSE(piped.ui.chooseOpenFile({}).has_value());
    int port = 3;
    int speed = 1;
    EXPECT_FALSE(piped.ui.boardSettingsDialog(port, speed));
    EXPECT_EQ(port, 3);

    Console typed(true, "firmware\n7\n2\n\n\n1001\n");
    FileChooser chooser;
    chooser.defaultExtension = "HEX";
    EXPECT_EQ(typed.ui.chooseSaveFile(chooser), "firmware.HEX");
    EXPECT_TRUE(typed.ui.boardSettingsDialog(port, speed));
    EXPECT_EQ(port, 7);
    EXPECT_EQ(speed, 2);
    std::array<int, 4> delays{1, 2, 3, 4};
    EXPECT_FALSE(typed.ui.advancedDelaysDialog(delays)); // 1001 is out of range
    EXPECT_EQ(delays, (std::array<int, 4>{1, 2, 3, 4}));
}

class SlowOperation : public Operation {
public:
    explicit SlowOperation(bool cancellable) : cancellable_(cancellable) {}
    bool offersCancel() const override { return cancellable_; }
    int steps = 0;

protected:
    int run() override
    {
        start("", "Reading Flash", 4);
        for (int i = 0; i < 4; ++i) {
            if (i == 1)
                std::raise(SIGINT); // Ctrl-C while the operation runs
            // Give the polling thread time to see it.
            while (i == 1 && cancellable_ && !cancelRequested())
                std::this_thread::yield();
            progress(i);
            ++steps;
            if (cancelRequested())
                return kCancelled;
        }
        return kDone;
    }

private:
    bool cancellable_;
};

TEST(ConsoleUiTest, CtrlCCancelsOnlyWhereCancelIsOffered)
{
    Console console(false);
    SlowOperation readFlash(true);
    EXPECT_EQ(console.ui.runOperation(readFlash), Operation::kCancelled);
    EXPECT_EQ(readFlash.steps, 2);
    EXPECT_NE(console.err.str().find(messageText(1106)), std::string::npos);
    EXPECT_EQ(console.out.str(), "Reading Flash\n25% completed\n");

    SlowOperation firmware(false);
    EXPECT_EQ(console.ui.runOperation(firmware), Operation::kDone);
    EXPECT_EQ(firmware.steps, 4);
}

TEST(ConsoleUiTest, TerminalDrawsOneBarLine)
{
    Console console(true);
    SlowOperation op(false);
    console.ui.runOperation(op);
    const std::string shown = console.out.str();
    EXPECT_NE(shown.find("\rReading Flash [#######"), std::string::npos);
    EXPECT_NE(shown.find("] 75% completed"), std::string::npos);
    EXPECT_EQ(shown.back(), '\n');
}

} // namespace
} // namespace quorva

namespace quorva {
namespace {

class HundredSteps : public Operation {
protected:
    int run() override
    {
        start("", "Reading Flash", 100);
        for (int i = 0; i < 100; ++i)
            progress(i);
        return kDone;
    }
};

TEST(ConsoleUiTest, PlainOutputGetsALinePerTenth)
{
    Console console(false);
    HundredSteps op;
    console.ui.runOperation(op);
    EXPECT_EQ(console.out.str(), "Reading Flash\n10% completed\n20% completed\n30% completed\n40% completed\n"
                                 "50% completed\n60% completed\n70% completed\n80% completed\n90% completed\n");
}

} // namespace
} // namespace quorva
