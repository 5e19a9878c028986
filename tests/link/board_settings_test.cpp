#include "link/board_settings.h"
#include "link/commands.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

TEST(BoardSettingsTest, OpeningChecksThePortAndKeepsTheHiddenSpeed)
{
    BoardDialogState none = openBoardDialog(0, 0);
    EXPECT_TRUE(none.portChecked[0]);
    EXPECT_EQ(none.customNumber, 13);
    EXPECT_EQ(acceptBoardDialog(none, 0).comPort, 1);

    BoardDialogState twelve = openBoardDialog(12, 1);
    EXPECT_TRUE(twelve.portChecked[11]);
    EXPECT_TRUE(twelve.baudChecked[1]);
    EXPECT_EQ(acceptBoardDialog(twelve, 12).comPort, 12);
    EXPECT_EQ(acceptBoardDialog(twelve, 12).baudCode, 1);

    // COM15: the custom button with its number; OK without changes keeps it.
    BoardDialogState fifteen = openBoardDialog(15, 2);
    EXPECT_TRUE(fifteen.portChecked[12]);
    EXPECT_EQ(fifteen.customNumber, 15);
    const BoardChoice kept = acceptBoardDialog(fifteen, 15);
    EXPECT_EQ(kept.comPort, 15);
    EXPECT_EQ(kept.baudCode, 2); // the invisible 921600 button survives OK

    // The custom number is taken as typed, without a range check.
    fifteen.customNumber = -4;
    EXPECT_EQ(acceptBoardDialog(fifteen, 15).comPort, -4);
}

TEST(BoardSettingsTest, AdvancedDelaysAcceptWholeMillisecondsUpTo1000)
{
    EXPECT_EQ(parseAdvancedDelay("0"), 0);
    EXPECT_EQ(parseAdvancedDelay(" 1000 "), 1000);
    for (const char* refused : {"1001", "-1", "", "12ms", "0x10", "99999999999"})
        EXPECT_FALSE(parseAdvancedDelay(refused).has_value()) << refused;
}

TEST(CommandSetTest, ParameterEncodings)
{
    const std::uint8_t expected[] = {0x80, 0x00, 0x81, 0x01, 0x82, 0x02, 0x03, 0xFF};
    for (int period = 0; period < 8; ++period) {
        EXPECT_EQ(sckCode(period, "ATmega8/8A"), expected[period]);
        EXPECT_EQ(sckCode(period, "AT89S8253"), expected[period] | 0x04);
    }
    EXPECT_EQ(sckCode(9, "ATmega8/8A"), 0x82); // a damaged project gets the default
    EXPECT_EQ(byteDelayTimer(0), 255);
    EXPECT_EQ(byteDelayTimer(5), 220);
    EXPECT_EQ(byteDelayTimer(40), static_cast<std::uint8_t>(255 - 280));
    EXPECT_EQ(baudRateOf(0), 19200);
    EXPECT_EQ(baudRateOf(1), 115200);
    EXPECT_EQ(baudRateOf(2), 921600);
    EXPECT_EQ(baudRateOf(7), 19200);
}

} // namespace
} // namespace quorva
