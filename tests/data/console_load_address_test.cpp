// The console's load-address prompt reads addresses as the dialog's default
// (hexadecimal) mode does, so quorva-cli merges land where the GUI's would.

#include "base/console_ui.h"

#include <gtest/gtest.h>

#include <sstream>
#include <utility>

namespace quorva {
namespace {

struct Console {
    explicit Console(bool terminal, std::string input = {})
        : in(std::move(input)), ui(out, err, in, terminal, terminal)
    {
    }
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    ConsoleUi ui;
};

TEST(ConsoleLoadAddress, ReadsLikeTheHexadecimalDialog)
{
    Console console(true, "3000\n\n0x1f\n");
    for (const auto& [text, expected] : {std::pair{"3000", 0x3000}, {"", 0x2000}, {"0x1f", 0x1F}}) {
        int address = 0x2000;
        ASSERT_TRUE(console.ui.loadAddressDialog(address)) << text;
        EXPECT_EQ(address, expected) << text;
    }
    EXPECT_EQ(console.out.str().rfind("Load Address, Hexadecimal [2000]: ", 0), 0u);
}

TEST(ConsoleLoadAddress, WithoutATerminalOrInputItCancels)
{
    Console piped(false, "3000\n");
    int address = 5;
    EXPECT_FALSE(piped.ui.loadAddressDialog(address));
    EXPECT_EQ(address, 5);
    Console ended(true, "");
    EXPECT_FALSE(ended.ui.loadAddressDialog(address));
}

} // namespace
} // namespace quorva
