#include "setup_rig.h"

#include "at89_chip.h"
#include "avr_chip.h"

#include "catalogue/fuse_layout.h"

namespace quorva::test {
namespace {

using sim::AvrChip;
using sim::At89Chip;

// CKSEL1..3, SUT0, BOOTSZ0, BOOTSZ1 and SPIEN programmed: fuse bytes E1 and D9.
LockFuseState mega8Setting()
{
    LockFuseState setting;
    for (int k : {1, 2, 3, 4, 9, 10, 13})
        setting.fuse[static_cast<std::size_t>(k)] = true;
    return setting;
}

std::string verifyBox(const char* icon, const std::string& text)
{
    return std::string("box: ") + icon + " | " + messageText(1016) + " | " + text;
}

TEST(LockFuseProgram, AvrModeZeroSendsOnlyTheFusesEachGivenTimeToBeWritten)
{
    // Real write times: a fuse instruction that comes too early is lost.
    SetupRig rig("ATmega8/8A", sim::BoxOptions{});
    EXPECT_TRUE(rig.setup.programLockFuse(mega8Setting(), true, false));

    EXPECT_EQ(rig.sendsStartingWith("34 AC"), (std::vector<std::string>{"34 AC A0 FF E1", "34 AC A8 FF D9"}));
    EXPECT_EQ(rig.chip<AvrChip>().fuse(0), 0xE1);
    EXPECT_EQ(rig.chip<AvrChip>().fuse(1), 0xD9);
    EXPECT_EQ(rig.sleepsOf(40), 2);
    const auto statuses = rig.ui.callsStartingWith("status: ");
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), statusOf(1109)), 2);
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1109));
    EXPECT_EQ(rig.boxes(), std::vector<std::string>{infoBox(1109)});
    EXPECT_EQ(rig.ui.calls().back(), infoBox(1109)) << "the box comes after the wait cursor";
    rig.expectNoViolations();

    // Without the fuses nothing is left to send, and that is no failure.
    SetupRig lockOnly("ATmega8/8A");
    EXPECT_TRUE(lockOnly.setup.programLockFuse(mega8Setting(), false, false));
    EXPECT_TRUE(lockOnly.sendsStartingWith("34 ").empty());
}

TEST(LockFuseProgram, AvrProgramThenVerifyReportsOkAndNamesEveryDifference)
{
    SetupRig rig("ATmega8/8A", sim::BoxOptions{});
    LockFuseState setting = mega8Setting();
    setting.lockMode = 1;
    setting.bootLock[0] = true; // BLB01
    ASSERT_TRUE(rig.setup.programLockFuse(setting, true, false));
    EXPECT_EQ(rig.sendsStartingWith("34 AC").back(), "34 AC FF FF FA");
    EXPECT_EQ(rig.chip<AvrChip>().lockByte() & 0x3F, 0x3A);
    EXPECT_EQ(rig.sleepsOf(40), 3);

    rig.ui.clearCalls();
    EXPECT_TRUE(rig.setup.verifyLockFuse(setting));
    EXPECT_EQ(rig.boxes(), std::vector<std::string>{verifyBox("information", messageText(1159))});

    LockFuseState other = setting;
    other.lockMode = 2;
    other.fuse[0] = true;   // CKSEL0: wanted, not there
    other.fuse[13] = false; // SPIEN: there, not wanted
    other.fuse[30] = true;  // beyond the layout: means nothing to the chip
    rig.ui.clearCalls();
    EXPECT_FALSE(rig.setup.verifyLockFuse(other));
    EXPECT_EQ(rig.boxes(), std::vector<std::string>{verifyBox(
                               "stop", "Lock&Fuse bits verify: Failed\n"
                                       " - lock mode should be 'LB1+LB2: R&&W protect', is 'LB1: Write protect'\n"
                                       " - CKSEL0 should be programmed, is unprogrammed\n"
                                       " - SPIEN should be unprogrammed, is programmed\n")});
}

TEST(LockFuseProgram, AFailedFuseByteLeavesTheLockUnwritten)
{
    sim::BoxOptions refused = instantBox();
    refused.faults.wrongAcks.push_back({0x34, 1, 0x00});
    SetupRig rig("ATmega8/8A", refused);
    LockFuseState setting = mega8Setting();
    setting.lockMode = 2;
    EXPECT_FALSE(rig.setup.programLockFuse(setting, true, false));
    EXPECT_EQ(rig.sendsStartingWith("34 AC"), std::vector<std::string>{"34 AC A0 FF E1"});
    EXPECT_EQ(rig.boxes(), std::vector<std::string>{infoBox(1108)});
    EXPECT_EQ(rig.chip<AvrChip>().lockByte() & 0x03, 0x03);
    EXPECT_EQ(rig.wire.entries().back(), "close");
}

TEST(LockFuseProgram, QuietRunsLogInsteadOfShowing)
{
    SetupRig rig("ATmega8/8A");
    rig.settings.comPort = 0;
    EXPECT_FALSE(rig.setup.programLockFuse(mega8Setting(), true, true));
    EXPECT_EQ(rig.log, std::vector<std::string>{messageText(1032)});
    EXPECT_TRUE(rig.boxes().empty());
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1031));

    rig.settings.comPort = 3;
    rig.ui.clearCalls();
    EXPECT_TRUE(rig.setup.programLockFuse(mega8Setting(), true, true));
    EXPECT_TRUE(rig.boxes().empty()) << "no closing confirmation";
}

TEST(LockFuseProgram, At89s51WritesOneLevelPerInstruction)
{
    SetupRig rig("AT89S51", sim::BoxOptions{});
    LockFuseState none;
    EXPECT_TRUE(rig.setup.programLockFuse(none, true, false));
    EXPECT_TRUE(rig.sendsStartingWith("34 AC E").empty());
    EXPECT_EQ(rig.boxes(), std::vector<std::string>{infoBox(1109)});

    LockFuseState full;
    full.lockMode = 3;
    rig.wire.clear();
    rig.clock.clearSleeps();
    EXPECT_TRUE(rig.setup.programLockFuse(full, true, false));
    EXPECT_EQ(rig.sendsStartingWith("34 AC E"),
              (std::vector<std::string>{"34 AC E1 00 FF", "34 AC E2 00 FF", "34 AC E3 00 FF"}));
    EXPECT_EQ(rig.sleepsOf(250), 3);
    EXPECT_EQ(rig.chip<At89Chip>().lockBits(), 0x00);

    LockFuseState read;
    EXPECT_TRUE(rig.setup.readLockFuse(read));
    EXPECT_EQ(read.lockMode, 3);
    EXPECT_EQ(read.valid, 1);
    EXPECT_TRUE(rig.setup.verifyLockFuse(full));
    rig.expectNoViolations();
}

TEST(LockFuseProgram, At89s8253WritesLockThenItsFuseByte)
{
    SetupRig rig("AT89S8253", sim::BoxOptions{});
    LockFuseState setting;
    setting.lockMode = 2;
    setting.fuse[0] = true; // SerialPrgEn
    setting.fuse[2] = true; // UsrRowPrgEn
    // The fuse byte goes out even when only the lock bits are asked for.
    EXPECT_TRUE(rig.setup.programLockFuse(setting, false, false));
    const auto sends = rig.sendsStartingWith("34 AC");
    EXPECT_EQ(std::vector<std::string>(sends.end() - 2, sends.end()),
              (std::vector<std::string>{"34 AC E4 FF FF", "34 AC 1A FF FF"}));
    EXPECT_EQ(rig.sleepsOf(40), 2);
    EXPECT_EQ(rig.chip<At89Chip>().lockBits(), 0x04);

    LockFuseState read;
    EXPECT_TRUE(rig.setup.readLockFuse(read));
    EXPECT_EQ(read.lockMode, 2);
    EXPECT_TRUE(read.fuse[0]);
    EXPECT_FALSE(read.fuse[1]);
    EXPECT_TRUE(read.fuse[2]);
    EXPECT_FALSE(read.fuse[3]);
    rig.expectNoViolations();
}

TEST(LockFuseProgram, LockBitsWithoutAKnownWriteAreNeverReportedWritten)
{
    SetupRig rig("AT89S2051");
    LockFuseState setting;
    setting.lockMode = 1;
    EXPECT_FALSE(rig.setup.programLockFuse(setting, true, false));
    EXPECT_TRUE(rig.wire.entries().empty());
    EXPECT_EQ(rig.boxes(), std::vector<std::string>{infoBox(2010)});
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1108));
    EXPECT_EQ(rig.chip<At89Chip>().lockBits(), 0x07);

    // Asking for no locking asks for nothing this device cannot do.
    rig.ui.clearCalls();
    EXPECT_TRUE(rig.setup.programLockFuse(LockFuseState{}, true, false));
    EXPECT_TRUE(rig.sendsStartingWith("34 AC E").empty());

    // The AT86RF401 has LB1/LB2 but no known instruction writes them.
    SetupRig radio("AT86RF401");
    EXPECT_FALSE(radio.setup.programLockFuse(setting, true, false));
    EXPECT_TRUE(radio.wire.entries().empty());
    EXPECT_EQ(radio.boxes(), std::vector<std::string>{infoBox(2010)});
    EXPECT_EQ(radio.chip<AvrChip>().lockByte(), 0xFF);
}

TEST(LockFuseRead, AvrReadsLockThenEachFuseByte)
{
    SetupRig rig("ATmega328P");
    auto& chip = rig.chip<AvrChip>();
    chip.setFuse(0, 0x62);
    chip.setFuse(1, 0xD9);
    chip.setFuse(2, 0xFF);
    chip.setLockByte(0xED); // LB2 alone, BLB11 programmed
    LockFuseState read;
    read.fuse[31] = true; // cleared first
    ASSERT_TRUE(rig.setup.readLockFuse(read));

    EXPECT_EQ(rig.sendsStartingWith("35 5"),
              (std::vector<std::string>{"35 58 00 00", "35 50 00 00", "35 58 08 00", "35 50 08 00"}));
    EXPECT_EQ(read.valid, 1);
    EXPECT_EQ(read.lockMode, 0);
    EXPECT_EQ(rig.boxes(), std::vector<std::string>{infoBox(1158)}) << "LB2 without LB1";
    EXPECT_FALSE(read.bootLock[0]);
    EXPECT_TRUE(read.bootLock[2]);
    // 0x62: CKSEL0, CKSEL2, CKSEL3, SUT0 and CKDIV8 programmed.
    const std::vector<bool> low(read.fuse.begin(), read.fuse.begin() + 8);
    EXPECT_EQ(low, (std::vector<bool>{true, false, true, true, true, false, false, true}));
    EXPECT_TRUE(read.fuse[13]); // SPIEN in D9
    EXPECT_FALSE(read.fuse[31]);
    EXPECT_EQ(rig.wire.entries().back(), "close");
    rig.expectNoViolations();
}

TEST(LockFuseRead, AnotherSignatureAsksFirstAndNoReadsNothing)
{
    sim::BoxOptions options = instantBox();
    options.faults.signatureOf = "ATmega16";
    SetupRig rig("ATmega8/8A", options);
    rig.ui.answerNext(Answer::No);
    EXPECT_EQ(rig.setup.lockFuseCommand(), std::nullopt);
    EXPECT_EQ(rig.ui.callsStartingWith("ask: "),
              std::vector<std::string>{std::string("ask: yes-no question default 1 | ") + messageText(1016) + " | " +
                                       messageText(1049) + "\n\nChip found: 1E 94 03 - ATmega16/16A -> no"});
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1106));
    EXPECT_TRUE(rig.sendsStartingWith("35 58").empty());
    EXPECT_EQ(rig.wire.entries().back(), "close");

    rig.ui.answerNext(Answer::Yes);
    const auto setting = rig.setup.lockFuseCommand();
    ASSERT_TRUE(setting.has_value());
    EXPECT_EQ(setting->valid, 1);

    sim::BoxOptions locked = instantBox();
    locked.faults.lockedChip = true;
    SetupRig lockedRig("ATmega8/8A", locked);
    lockedRig.ui.answerNext(Answer::No);
    EXPECT_EQ(lockedRig.setup.lockFuseCommand(), std::nullopt);
    const auto asked = lockedRig.ui.callsStartingWith("ask: ");
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("default 1 |"), std::string::npos);
    EXPECT_NE(asked[0].find("\n\nChip found: 00 01 02 - Device is locked -> no"), std::string::npos) << asked[0];
}

TEST(LockFuseRead, ChipsWithoutReadableBitsSayWhyAndStillGiveASetting)
{
    SetupRig rig("AT89S2051");
    LockFuseState read;
    read.lockMode = 2;
    EXPECT_TRUE(rig.setup.readLockFuse(read));
    EXPECT_EQ(read, LockFuseState{});
    EXPECT_EQ(rig.boxes(), std::vector<std::string>{infoBox(1059)});
    EXPECT_TRUE(rig.wire.entries().empty());
    EXPECT_TRUE(rig.setup.lockFuseCommand().has_value());
    // Nothing read, nothing to compare.
    rig.ui.clearCalls();
    EXPECT_FALSE(rig.setup.verifyLockFuse(LockFuseState{}));
    EXPECT_EQ(rig.boxes(), std::vector<std::string>{infoBox(1059)});

    // A DataFlash answers no AVR signature read and has no lock instruction.
    SetupRig memory("AT45DB161D");
    EXPECT_TRUE(memory.setup.readLockFuse(read));
    EXPECT_EQ(read.valid, 0);
    EXPECT_TRUE(memory.wire.entries().empty());
    EXPECT_TRUE(memory.ui.callsStartingWith("ask: ").empty());
    // Nor can it take a lock mode: refused, not reported as programmed.
    LockFuseState locked;
    locked.lockMode = 2;
    memory.ui.clearCalls();
    EXPECT_FALSE(memory.setup.programLockFuse(locked, true, false));
    EXPECT_EQ(memory.boxes(), std::vector<std::string>{infoBox(2010)});
    EXPECT_TRUE(memory.wire.entries().empty());
    locked.lockMode = 0;
    EXPECT_TRUE(memory.setup.programLockFuse(locked, true, false));
    EXPECT_TRUE(memory.sendsStartingWith("34 ").empty());
    memory.expectNoViolations();
}

TEST(LockFuseCommand, MemoriesAndTheRadioChipGetNoDialogAndNothingOnTheWire)
{
    for (const char* device : {"AT45DB161D", "AT26DF081A", "AT86RF401"}) {
        SetupRig rig(device);
        EXPECT_EQ(rig.setup.lockFuseCommand(), std::nullopt) << device;
        EXPECT_EQ(rig.boxes(), std::vector<std::string>{infoBox(1059)}) << device;
        EXPECT_TRUE(rig.wire.entries().empty()) << device;
    }
}

} // namespace
} // namespace quorva::test
