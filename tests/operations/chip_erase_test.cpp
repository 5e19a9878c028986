#include "setup_rig.h"

#include "at89_chip.h"
#include "avr_chip.h"
#include "dataflash_chip.h"
#include "serial_flash_chip.h"

#include "operations/dataflash_erase.h"

#include <deque>

namespace quorva::test {
namespace {

using sim::AvrChip;

const std::string kErase = "34 AC 80 04 00";

sim::BoxOptions withFaults(void (*set)(sim::FaultPlan&))
{
    sim::BoxOptions options = instantBox();
    set(options.faults);
    return options;
}

TEST(ChipErase, AvrIsErasedThenIdentifiedAgain)
{
    SetupRig rig("ATmega8/8A");
    rig.chip<AvrChip>().flash()[5] = 0x12;
    rig.chip<AvrChip>().setLockByte(0xFC);
    rig.setup.chipErase();

    EXPECT_EQ(rig.context.lastResult, 0);
    EXPECT_EQ(rig.chip<AvrChip>().flash()[5], 0xFF);
    EXPECT_EQ(rig.chip<AvrChip>().lockByte() & 0x03, 0x03);
    EXPECT_EQ(rig.sendsStartingWith("34 AC"), std::vector<std::string>{kErase});
    // Two connections: the erase, then the signature read.
    EXPECT_EQ(rig.sendsStartingWith("35 30 00").size(), 3u);
    EXPECT_EQ(rig.wire.entries().back(), "close");
    const auto statuses = rig.ui.callsStartingWith("status: ");
    EXPECT_EQ(statuses.front(), statusOf(1075));
    EXPECT_TRUE(has(statuses, statusOf(1077)));
    EXPECT_TRUE(has(statuses, "status: Chip erased; signature: 1E 93 07 - ATmega8/8A"));
    EXPECT_EQ(statuses.back(), statusOf(1046));
    EXPECT_TRUE(rig.boxes().empty());
    EXPECT_GE(rig.sleepsOf(85), 1);
    EXPECT_EQ(rig.ui.calls().back(), "wait-cursor: off");
    rig.expectNoViolations();

    int erasedCalls = 0;
    rig.context.chipErased = [&] { ++erasedCalls; };
    EXPECT_TRUE(rig.setup.chipEraseOk());
    EXPECT_EQ(erasedCalls, 1);
}

TEST(ChipErase, AttinyTwentySixLoadsAWordBetweenTwoErases)
{
    SetupRig rig("ATtiny26");
    rig.setup.chipErase();
    EXPECT_EQ(rig.sendsStartingWith("34 "),
              (std::vector<std::string>{kErase, "34 40 00 00 FF", kErase}));
    EXPECT_EQ(rig.context.lastResult, 0);
    rig.expectNoViolations();
}

TEST(ChipErase, ALockedChipThatStaysLockedFailsAndStopsAutoProgram)
{
    auto lockedForGood = [](sim::FaultPlan& f) {
        f.lockedChip = true;
        f.staysLocked = true;
    };
    SetupRig rig("ATmega8/8A", withFaults(lockedForGood));
    int erasedCalls = 0;
    rig.context.chipErased = [&] { ++erasedCalls; };
    rig.setup.chipErase();
    EXPECT_EQ(rig.context.lastResult, -1);
    EXPECT_EQ(erasedCalls, 0) << "a chip still locked was not erased";
    EXPECT_TRUE(has(rig.ui.callsStartingWith("status: "), statusOf(1044)));
    EXPECT_EQ(rig.boxes(), std::vector<std::string>{infoBox(1045)});
    EXPECT_FALSE(has(rig.ui.callsStartingWith("status: "), statusOf(1046)));
    EXPECT_FALSE(rig.setup.chipEraseOk());

    SetupRig production("ATmega8/8A", withFaults(lockedForGood));
    production.project.autoErase = true;
    production.project.autoFlashProgram = true;
    OpsRig::fill(production.flash, pattern(64));
    EXPECT_FALSE(production.autoProgram.run(false));
    EXPECT_EQ(production.ui.lastStatus(), messageText(1122));
    EXPECT_TRUE(production.sendsStartingWith("7B").empty()) << "nothing after the failed step";
    EXPECT_FALSE(production.autoProgram.autoProgramOk);
}

TEST(ChipErase, AnEraseThatRevealsAnotherChipSwitchesTheDevice)
{
    SetupRig rig("ATmega8/8A", withFaults([](sim::FaultPlan& f) { f.signatureOf = "ATmega16"; }));
    std::vector<int> switched;
    rig.context.deviceIdentified = [&](int index) { switched.push_back(index); };
    rig.setup.chipErase();
    EXPECT_EQ(switched, std::vector<int>{findByName("ATmega16/16A")});
    EXPECT_TRUE(has(rig.ui.callsStartingWith("status: "), "status: Chip erased; signature: 1E 94 03 - ATmega16/16A"));
    EXPECT_EQ(rig.context.lastResult, 0);
}

TEST(ChipErase, At89sIsNeverCheckedAgain)
{
    SetupRig rig("AT89S51");
    rig.chip<sim::At89Chip>().setLockBits(0x00);
    rig.setup.chipErase();
    EXPECT_EQ(rig.context.lastResult, 0);
    EXPECT_EQ(rig.sendsStartingWith("34 AC 80"), std::vector<std::string>{kErase});
    EXPECT_TRUE(rig.sendsStartingWith("35 28").empty());
    const auto entries = rig.wire.entries();
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "close"), 1);
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1046));
    EXPECT_EQ(rig.chip<sim::At89Chip>().lockBits(), 0x07);
    rig.expectNoViolations();
}

TEST(ChipErase, FailuresAndRefusals)
{
    // The erase instruction is not acknowledged.
    sim::BoxOptions refused = instantBox();
    refused.faults.wrongAcks.push_back({0x34, 1, 0x00});
    SetupRig rig("ATmega8/8A", refused);
    rig.setup.chipErase();
    EXPECT_EQ(rig.context.lastResult, -1);
    EXPECT_EQ(rig.boxes(), std::vector<std::string>{infoBox(1027)});
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1027));
    EXPECT_EQ(rig.wire.entries().back(), "close");

    // An AT25 has no erase instruction; nothing goes out and nothing is "erased".
    SetupRig memory("AT25256");
    memory.setup.chipErase();
    EXPECT_TRUE(memory.wire.entries().empty());
    EXPECT_EQ(memory.ui.lastStatus(), messageText(2011));
    EXPECT_EQ(memory.context.lastResult, -1);
}

// An AT26 whose chip erase takes `eraseMs`, busy until then.
std::unique_ptr<sim::Chip> slowSerialFlash(std::uint32_t eraseMs)
{
    static std::deque<sim::PartInfo> parts;
    parts.push_back(*sim::findChip("AT26DF081A"));
    parts.back().eraseUs = eraseMs * 1000;
    auto chip = sim::makeChip(parts.back());
    dynamic_cast<sim::SerialFlashChip&>(*chip).setBusyPolls(1 << 20);
    return chip;
}

TEST(ChipErase, At26StartsAtTheDeselectAndIsDoneWhenNoLongerBusy)
{
    SetupRig rig("AT26DF081A", slowSerialFlash(7000), sim::BoxOptions{});
    auto& chip = rig.chip<sim::SerialFlashChip>();
    std::fill(chip.memory().begin(), chip.memory().begin() + 300, 0x00);
    rig.setup.chipErase();

    EXPECT_EQ(rig.context.lastResult, 0);
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1046));
    EXPECT_FALSE(chip.busy(rig.box.nowUs())) << "reported erased while still erasing";
    EXPECT_TRUE(std::all_of(chip.memory().begin(), chip.memory().end(), [](std::uint8_t b) { return b == 0xFF; }));
    EXPECT_GE(rig.sleepsOf(10000), 1);
    // The erase opcode is followed by its deselect before the long wait.
    const auto sends = rig.sends();
    const auto erase = std::find(sends.begin(), sends.end(), "36 C7");
    ASSERT_NE(erase, sends.end());
    EXPECT_EQ(*(erase + 1), "38");
    rig.expectNoViolations();

    // A chip that needs longer than the fixed wait is polled until it is done.
    SetupRig slow("AT26DF081A", slowSerialFlash(30000), sim::BoxOptions{});
    const std::uint64_t before = slow.clock.tickMs();
    slow.setup.chipErase();
    EXPECT_EQ(slow.context.lastResult, 0);
    EXPECT_GT(slow.clock.tickMs() - before, 20000u);
    EXPECT_FALSE(slow.chip<sim::SerialFlashChip>().busy(slow.box.nowUs()));

    // One that never finishes fails after two minutes.
    SetupRig stuck("AT26DF081A", slowSerialFlash(400000), sim::BoxOptions{});
    const std::uint64_t start = stuck.clock.tickMs();
    stuck.setup.chipErase();
    EXPECT_EQ(stuck.context.lastResult, -1);
    EXPECT_EQ(stuck.boxes(), std::vector<std::string>{infoBox(1027)});
    EXPECT_EQ(stuck.ui.lastStatus(), messageText(1027));
    EXPECT_LT(stuck.clock.tickMs() - start, 130000u);
}

std::vector<std::string> blockErases(const SetupRig& rig)
{
    return rig.sendsStartingWith("30 00 04 50");
}

TEST(ChipErase, DataFlashIsErasedBlockByBlock)
{
    EXPECT_EQ(dataFlashBlocks(deviceTable[static_cast<std::size_t>(findByName("AT45DB161D"))], false).pageCount,
              4096);

    SetupRig rig("AT45DB161D");
    auto& chip = rig.chip<sim::DataFlashChip>();
    std::fill(chip.memory().begin(), chip.memory().end(), 0x00);
    rig.setup.chipErase();
    EXPECT_EQ(rig.context.lastResult, 0);
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1046));
    const auto blocks = blockErases(rig);
    ASSERT_EQ(blocks.size(), 512u);
    EXPECT_EQ(blocks[0], "30 00 04 50 00 00 00");
    EXPECT_EQ(blocks[1], "30 00 04 50 00 20 00");
    EXPECT_TRUE(std::all_of(chip.memory().begin(), chip.memory().end(), [](std::uint8_t b) { return b == 0xFF; }));
    EXPECT_TRUE(has(rig.ui.calls(), std::string("operation: start | ") + messageText(1186) + " | " +
                                        messageText(1075)));
    rig.expectNoViolations();

    // Power-of-2 pages: a smaller shift, the same number of blocks.
    SetupRig binary("AT45DB161D");
    binary.chip<sim::DataFlashChip>().setPowerOfTwo(true);
    binary.setup.chipErase();
    const auto binaryBlocks = blockErases(binary);
    ASSERT_EQ(binaryBlocks.size(), 512u);
    EXPECT_EQ(binaryBlocks[1], "30 00 04 50 00 10 00");
    binary.expectNoViolations();

    SetupRig small("AT45DB011D");
    small.setup.chipErase();
    EXPECT_EQ(blockErases(small).size(), 64u);
    small.expectNoViolations();
}

TEST(ChipErase, DataFlashCancelAndFailure)
{
    SetupRig rig("AT45DB161D");
    rig.ui.cancelAtPercent(10);
    rig.setup.chipErase();
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1185));
    EXPECT_EQ(rig.context.lastResult, -1);
    EXPECT_LT(blockErases(rig).size(), 512u);
    EXPECT_EQ(rig.wire.entries().back(), "close");

    sim::BoxOptions refused = instantBox();
    refused.faults.wrongAcks.push_back({0x30, 3, 0x00});
    SetupRig failed("AT45DB161D", refused);
    failed.setup.chipErase();
    EXPECT_EQ(failed.context.lastResult, -1);
    EXPECT_EQ(failed.boxes(), std::vector<std::string>{infoBox(1027)});
    EXPECT_EQ(failed.ui.lastStatus(), messageText(1027));
}

} // namespace
} // namespace quorva::test
