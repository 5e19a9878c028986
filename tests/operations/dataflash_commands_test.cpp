#include "setup_rig.h"

#include "dataflash_chip.h"

namespace quorva::test {
namespace {

const std::vector<std::string> kPowerOfTwoWrites{"36 3D", "36 2A", "36 80", "36 A6"};

std::string question()
{
    return "ask: ok-cancel stop default 1 | Attention! | Set \"power of 2\" bit for AT45 memory?\n"
           "This operation could not be reverted. -> ";
}

TEST(PowerOfTwoPages, AgreedTheChipTakesThemAtItsNextPowerCycle)
{
    SetupRig rig("AT45DB161D");
    rig.ui.answerNext(Answer::Ok);
    EXPECT_TRUE(rig.setup.setPowerOfTwoPages());

    EXPECT_EQ(rig.sendsStartingWith("36 "), kPowerOfTwoWrites);
    EXPECT_TRUE(rig.chip<sim::DataFlashChip>().powerOfTwoPending());
    EXPECT_FALSE(rig.chip<sim::DataFlashChip>().powerOfTwo());
    EXPECT_TRUE(has(rig.ui.calls(), question() + "ok"));
    EXPECT_EQ(rig.boxes(), std::vector<std::string>{"box: information | Done! | To complete \"power of 2\" bit "
                                                    "programming power cycle the device."});
    EXPECT_TRUE(has(rig.ui.callsStartingWith("status: "), "status: Seting \"power of 2\" bit for AT45 memory"));
    EXPECT_EQ(rig.ui.lastStatus(), "Set \"power of 2\" bit for AT45 memory is Done!");
    EXPECT_EQ(rig.context.lastResult, -1);
    EXPECT_EQ(rig.wire.entries().back(), "close");
    rig.expectNoViolations();

    rig.box.powerCycle();
    EXPECT_TRUE(rig.chip<sim::DataFlashChip>().powerOfTwo());
}

TEST(PowerOfTwoPages, DeclinedOrFailedNothingChanges)
{
    SetupRig rig("AT45DB161D");
    rig.ui.answerNext(Answer::Cancel);
    EXPECT_FALSE(rig.setup.setPowerOfTwoPages());
    EXPECT_TRUE(rig.sendsStartingWith("36 3D").empty());
    EXPECT_EQ(rig.ui.lastStatus(), "Set \"power of 2\" bit for AT45 memory was cancelled.");
    EXPECT_EQ(rig.wire.entries().back(), "close");
    EXPECT_FALSE(rig.chip<sim::DataFlashChip>().powerOfTwoPending());

    // The second opcode is refused: the command stops, says so and still
    // gives the line back.
    sim::BoxOptions options = instantBox();
    // Occurrences count from power-up; the connection sends one SpiWrite.
    options.faults.wrongAcks.push_back({0x36, 3, 0x00});
    SetupRig refused("AT45DB161D", options);
    refused.ui.answerNext(Answer::Ok);
    EXPECT_FALSE(refused.setup.setPowerOfTwoPages());
    EXPECT_EQ(refused.sendsStartingWith("36 "), (std::vector<std::string>{"36 3D", "36 2A"}));
    EXPECT_EQ(refused.boxes(), std::vector<std::string>{"box: stop | Fail! | Protocol Error! Programming fail."});
    EXPECT_EQ(refused.ui.lastStatus(), "Set \"power of 2\" bit for AT45 memory is FAILED!");
    EXPECT_EQ(refused.wire.entries().back(), "close");

    // Refused at the first deselect: the same failure is told rather than
    // ending silently, and the line is given back as well.
    sim::BoxOptions deselect = instantBox();
    deselect.faults.wrongAcks.push_back({0x55, 1, 0x00});
    SetupRig early("AT45DB161D", deselect);
    early.ui.answerNext(Answer::Ok);
    EXPECT_FALSE(early.setup.setPowerOfTwoPages());
    EXPECT_TRUE(early.sendsStartingWith("36 3D").empty());
    EXPECT_EQ(early.boxes(), std::vector<std::string>{"box: stop | Fail! | Protocol Error! Programming fail."});
    EXPECT_EQ(early.ui.lastStatus(), "Set \"power of 2\" bit for AT45 memory is FAILED!");
    EXPECT_EQ(early.wire.entries().back(), "close");
}

} // namespace
} // namespace quorva::test
