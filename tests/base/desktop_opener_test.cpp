#include "base/clock.h"
#include "base/desktop_opener.h"
#include "stand_in_program.h"

#include <gtest/gtest.h>

#include <chrono>

namespace quorva {
namespace {

TEST(DesktopOpener, TellsAFailedOrMissingOpenerFromOneThatTookTheTarget)
{
    SteadyClock clock;
    {
        const test::StandInProgram opener("xdg-open", "exit 0");
        EXPECT_TRUE(openWithDesktop("/tmp/page.htm", clock, 2000));
    }
    {
        const test::StandInProgram opener("xdg-open", "exit 3"); // no tool that opens it
        EXPECT_FALSE(openWithDesktop("/tmp/page.htm", clock, 2000));
    }
    {
        const test::StandInProgram none("xdg-open", "");
        EXPECT_FALSE(openWithDesktop("/tmp/page.htm", clock, 2000));
    }
    // An opener that waits for the program it started has found one; the
    // caller is not kept waiting for it.
    const test::StandInProgram waiting("xdg-open", "exec sleep 2");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(openWithDesktop("/tmp/page.htm", clock, 200));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1500));
}

} // namespace
} // namespace quorva
