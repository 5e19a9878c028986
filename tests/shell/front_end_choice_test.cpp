#include "shell/front_end_choice.h"

#include <gtest/gtest.h>

#include <map>

namespace quorva {
namespace {

EnvironmentLookup environmentOf(std::map<std::string, std::string> values)
{
    return [values = std::move(values)](const std::string& name) -> std::optional<std::string> {
        const auto it = values.find(name);
        if (it == values.end()) {
            return std::nullopt;
        }
        return it->second;
    };
}

TEST(FrontEndChoice, AnyNamedPlatformOrDisplayCountsButEmptyValuesDoNot)
{
    EXPECT_FALSE(displayAvailable(environmentOf({})));
    EXPECT_FALSE(displayAvailable(environmentOf({{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}, {"QT_QPA_PLATFORM", ""}})));
    EXPECT_TRUE(displayAvailable(environmentOf({{"DISPLAY", ":0"}})));
    EXPECT_TRUE(displayAvailable(environmentOf({{"WAYLAND_DISPLAY", "wayland-0"}})));
    EXPECT_TRUE(displayAvailable(environmentOf({{"QT_QPA_PLATFORM", "offscreen"}})));
}

TEST(FrontEndChoice, QuietRunNeverWaitsForADisplayAndAutoProgramFallsBackToTheConsole)
{
    const AutoRunMode plain{};
    const AutoRunMode autoProgram{.autoRun = true, .quietRun = false};
    const AutoRunMode quiet{.autoRun = true, .quietRun = true};

    EXPECT_EQ(chooseFrontEnd(quiet, true), FrontEnd::Console);
    EXPECT_EQ(chooseFrontEnd(quiet, false), FrontEnd::Console);
    EXPECT_EQ(chooseFrontEnd(autoProgram, true), FrontEnd::Window);
    EXPECT_EQ(chooseFrontEnd(autoProgram, false), FrontEnd::Console);
    EXPECT_EQ(chooseFrontEnd(plain, true), FrontEnd::Window);
    EXPECT_EQ(chooseFrontEnd(plain, false), FrontEnd::NeedsDisplay);
}

} // namespace
} // namespace quorva
