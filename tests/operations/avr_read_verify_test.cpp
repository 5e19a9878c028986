#include "ops_rig.h"
#include "temp_folder.h"

#include "at89_chip.h"
#include "avr_chip.h"

namespace quorva::test {
namespace {

using sim::AvrChip;

TEST(AvrRead, ReadsAnATmega8In128BlocksAndShowsLengthAndChecksum)
{
    OpsRig rig("ATmega8/8A");
    const Bytes image = pattern(8192, 5);
    rig.chip<AvrChip>().flash() = image;
    rig.commands.readFlash();

    ASSERT_EQ(rig.flash.length(), 8192);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), rig.flash.data().begin()));
    const auto states = rig.flash.byteState();
    EXPECT_TRUE(std::all_of(states.begin(), states.end(), [](std::uint8_t s) { return s == ByteRead; }));
    EXPECT_EQ(countOf(rig.sends(), "7D 40"), 128u);
    EXPECT_TRUE(rig.sendsStartingWith("34 4D").empty()) << "8 KB need no extended address";
    EXPECT_EQ(rig.ui.callsStartingWith("operation: progress").back(), "operation: progress 99 | 99% completed");
    EXPECT_EQ(rig.ui.lastStatus(), formatMessage(1041, 8192, 8192, rig.flash.checksum()));
    EXPECT_EQ(rig.context.lastResult, 0);
    EXPECT_FALSE(rig.flash.busy());
    rig.expectNoViolations();
}

TEST(AvrRead, EepromOfADeviceWithoutOneSendsNothing)
{
    OpsRig rig("AT89S51");
    rig.commands.readEeprom();
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1058));
    EXPECT_TRUE(rig.wire.entries().empty());
}

TEST(AvrRead, ReadsTheUpperHalfOfAnATmega256xThroughTheExtendedAddress)
{
    OpsRig rig("ATmega256x");
    auto& flash = rig.chip<AvrChip>().flash();
    flash[0x00010] = 0x11;
    flash[0x20010] = 0x22;
    flash[0x3FFFF] = 0x33;
    rig.commands.readFlash();
    EXPECT_EQ(rig.flash.data()[0x00010], 0x11);
    EXPECT_EQ(rig.flash.data()[0x20010], 0x22);
    EXPECT_EQ(rig.flash.data()[0x3FFFF], 0x33);
    // Once for each half, as the blocks reach it.
    EXPECT_EQ(rig.sendsStartingWith("34 4D"), (std::vector<std::string>{"34 4D 00 00 00", "34 4D 00 01 00"}));
    rig.expectNoViolations();
}

// A read that does not complete leaves the person's image, its file, its
// edits and its byte states exactly as they were, and says so.
TEST(AvrRead, AFailedOrCancelledReadLeavesTheBufferAsItWas)
{
    TempFolder folder;
    const Bytes image = pattern(6000, 3);
    writeFile(folder.file("app.bin"), std::string(image.begin(), image.end()));
    const auto prepare = [&](OpsRig& rig) {
        rig.flash.loadFile(folder.file("app.bin"));
        rig.flash.data()[10] = 0x5A; // an edit not yet saved
        rig.flash.byteState()[10] = ByteEdited;
        rig.flash.markModified();
        rig.ui.clearCalls();
    };
    const auto expectUnchanged = [&](const OpsRig& rig, int outcome) {
        EXPECT_EQ(rig.flash.fileName(), folder.file("app.bin"));
        EXPECT_TRUE(rig.flash.modified());
        Bytes edited = image;
        edited[10] = 0x5A;
        ASSERT_EQ(rig.flash.length(), 6000);
        EXPECT_TRUE(std::equal(edited.begin(), edited.end(), rig.flash.data().begin()));
        Bytes states(6000, ByteLoaded);
        states[10] = ByteEdited;
        EXPECT_TRUE(std::equal(states.begin(), states.end(), rig.flash.byteState().begin()));
        EXPECT_EQ(rig.ui.lastStatus(), formatMessage(2220, messageText(outcome)));
        EXPECT_EQ(rig.context.lastResult, -1);
        EXPECT_FALSE(rig.flash.busy());
    };

    sim::BoxOptions silent = instantBox();
    silent.faults.silentAfter = 40;
    OpsRig failed("ATmega8/8A", silent);
    prepare(failed);
    failed.commands.readFlash();
    EXPECT_EQ(failed.boxes(), (std::vector<std::string>{infoBox(1027), infoBox(1087), infoBox(1026)}));
    EXPECT_EQ(countOf(failed.ui.callsStartingWith("status: "), std::string("status: ") + messageText(1088)), 1u);
    expectUnchanged(failed, 1088);

    OpsRig cancelled("ATmega8/8A");
    prepare(cancelled);
    cancelled.ui.cancelAtPercent(50);
    cancelled.commands.readFlash();
    EXPECT_TRUE(cancelled.boxes().empty());
    expectUnchanged(cancelled, 1086);

    // No box on the line at all: nothing was read, nothing is lost.
    OpsRig absent("ATmega8/8A");
    absent.settings.comPort = 4;
    prepare(absent);
    absent.commands.readFlash();
    EXPECT_EQ(absent.flash.fileName(), folder.file("app.bin"));
    EXPECT_EQ(absent.flash.length(), 6000);
}

TEST(AvrVerify, MarksEachDifferenceAndReportsTheFirst)
{
    OpsRig rig("ATmega8/8A");
    const Bytes image = pattern(4096, 9);
    rig.chip<AvrChip>().flash().assign(8192, 0xFF);
    std::copy(image.begin(), image.end(), rig.chip<AvrChip>().flash().begin());
    rig.chip<AvrChip>().flash()[0x10] ^= 0x01;
    rig.chip<AvrChip>().flash()[0x200] ^= 0x80;
    OpsRig::fill(rig.flash, image);
    rig.context.flashVerifyOk = true;
    rig.commands.verifyFlash();

    EXPECT_EQ(rig.ui.lastStatus(), "Flash verify: ERROR at byte 16 (0x10)");
    EXPECT_EQ(rig.context.firstMismatch, 0x10);
    EXPECT_FALSE(rig.context.flashVerifyOk);
    EXPECT_EQ(rig.context.lastResult, -1);
    const auto states = rig.flash.byteState();
    for (int i = 0; i < 4096; ++i) {
        const bool differs = i == 0x10 || i == 0x200;
        ASSERT_EQ(states[static_cast<std::size_t>(i)], differs ? BytePending : ByteVerified) << i;
    }
    // The buffer itself never changes.
    EXPECT_TRUE(std::equal(image.begin(), image.end(), rig.flash.data().begin()));
}

TEST(AvrVerify, ComparesOnlyWhatTheChipHoldsOfALongerBuffer)
{
    OpsRig rig("ATmega8/8A");
    rig.settings.advancedDelays = {0, 3, 0, 0};
    rig.project.delayByte = true;
    rig.project.delayByteValue = 5;
    Bytes image = pattern(8192 + 100);
    std::copy(image.begin(), image.begin() + 8192, rig.chip<AvrChip>().flash().begin());
    OpsRig::fill(rig.flash, image);
    rig.commands.verifyFlash();
    // The read timing override, and the board's page read delay after every block.
    EXPECT_EQ(rig.sendsStartingWith("57"), std::vector<std::string>{"57 DC"});
    const auto sleeps = rig.clock.sleeps();
    EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), 3), 128);
    EXPECT_EQ(rig.ui.lastStatus(), formatMessage(1053, 8192));
    EXPECT_TRUE(rig.context.flashVerifyOk);
    EXPECT_EQ(rig.context.lastResult, 0);
    EXPECT_EQ(rig.flash.byteState()[8191], ByteVerified);
    EXPECT_EQ(rig.flash.byteState()[8192], BytePending);
    EXPECT_EQ(rig.flash.byteState()[8291], BytePending);
    EXPECT_TRUE(rig.ui.callsStartingWith("ask: ").empty());
    rig.expectNoViolations();
}

TEST(AvrVerify, EmptyBufferSendsNothingAndCancelLeavesTheResultFailed)
{
    OpsRig empty("ATmega8/8A");
    empty.commands.verifyFlash();
    EXPECT_EQ(empty.ui.lastStatus(), messageText(1091));
    EXPECT_TRUE(empty.wire.entries().empty());
    EXPECT_FALSE(empty.context.flashVerifyOk);

    OpsRig rig("ATmega8/8A");
    OpsRig::fill(rig.flash, pattern(1024));
    rig.ui.cancelAtPercent(-1);
    rig.commands.verifyFlash();
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1092));
    EXPECT_EQ(rig.context.lastResult, -1);
    EXPECT_EQ(countOf(rig.sends(), "7D 40"), 1u);
    // The connection is closed as after every command.
    EXPECT_EQ(rig.wire.entries().back(), "close");
}

TEST(AvrVerify, EepromUsesItsOwnReadCommandAndMessages)
{
    OpsRig rig("ATmega328P");
    const Bytes image = pattern(100, 1);
    std::copy(image.begin(), image.end(), rig.chip<AvrChip>().eeprom().begin());
    OpsRig::fill(rig.eeprom, image);
    rig.commands.verifyEeprom();
    EXPECT_EQ(rig.ui.lastStatus(), formatMessage(1056, 100));
    EXPECT_TRUE(rig.context.eepromVerifyOk);
    EXPECT_EQ(countOf(rig.sends(), "3C 40"), 1u);
    EXPECT_EQ(countOf(rig.sends(), "3C 24"), 1u);
    EXPECT_EQ(rig.sendsStartingWith("57"), std::vector<std::string>{"57 C0"});

    OpsRig none("AT89S51");
    OpsRig::fill(none.eeprom, image);
    none.commands.verifyEeprom();
    EXPECT_EQ(none.ui.lastStatus(), messageText(1058));
    EXPECT_TRUE(none.wire.entries().empty());
}

TEST(AvrBlankCheck, StopsAtTheFirstBlockHoldingData)
{
    OpsRig rig("ATmega8/8A");
    rig.chip<AvrChip>().flash()[0] = 0x00;
    rig.commands.blankCheck();
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1115));
    EXPECT_EQ(rig.context.lastResult, 1);
    EXPECT_EQ(countOf(rig.sends(), "7D 40"), 1u);
    EXPECT_EQ(rig.ui.callsStartingWith("operation: progress"), std::vector<std::string>{"operation: progress 0 | "});
}

TEST(AvrBlankCheck, ChecksTheUpperHalfOfAnATmega256x)
{
    OpsRig rig("ATmega256x");
    rig.commands.blankCheck();
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1119));
    EXPECT_EQ(rig.context.lastResult, 0);
    EXPECT_EQ(rig.sendsStartingWith("34 4D"), (std::vector<std::string>{"34 4D 00 00 00", "34 4D 00 01 00"}));
    EXPECT_EQ(rig.sendsStartingWith("57"), std::vector<std::string>{"57 DC"});

    OpsRig upper("ATmega256x");
    upper.chip<AvrChip>().flash()[0x30000] = 0x12;
    upper.commands.blankCheck();
    EXPECT_EQ(upper.ui.lastStatus(), messageText(1115));
    EXPECT_EQ(upper.context.lastResult, 1);
    upper.expectNoViolations();
}

TEST(AvrBlankCheck, AT89SBytesAndAMemoryWithoutFlash)
{
    OpsRig at89("AT89S51");
    at89.chip<sim::At89Chip>().flash()[4095] = 0x7F;
    at89.commands.blankCheck();
    EXPECT_EQ(at89.ui.lastStatus(), messageText(1115));
    EXPECT_EQ(at89.sendsStartingWith("35 20").size(), 4096u);
    EXPECT_EQ(at89.sendsStartingWith("35 20").back(), "35 20 0F FF");

    // AT25 entries have no Flash: blank at once.
    OpsRig at25("AT25256");
    at25.commands.blankCheck();
    EXPECT_EQ(at25.ui.lastStatus(), messageText(1119));
    EXPECT_TRUE(at25.sendsStartingWith("7D").empty());
}

} // namespace
} // namespace quorva::test
