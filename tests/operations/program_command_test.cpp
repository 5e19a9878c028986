#include "ops_rig.h"

#include "avr_chip.h"
#include "temp_folder.h"

namespace quorva::test {
namespace {

using sim::AvrChip;

std::string statusLine(int messageId)
{
    return std::string("status: ") + messageText(messageId);
}

bool contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string question(int messageId, int defaultButton, int captionId, const char* buttons, const char* answer)
{
    return std::string("ask: ") + buttons + " question default " + std::to_string(defaultButton) + " | " +
           messageText(captionId) + " | " + messageText(messageId) + " -> " + answer;
}

TEST(ProgramCommand, ProgramsReportsAndClosesTheConnection)
{
    OpsRig rig("ATmega328P");
    const Bytes image = pattern(1000);
    OpsRig::fill(rig.flash, image);
    rig.commands.programFlash();

    const auto calls = rig.ui.calls();
    EXPECT_EQ(calls.front(), "wait-cursor: on");
    EXPECT_EQ(calls[1], statusLine(1072));
    EXPECT_EQ(rig.ui.lastStatus(), "Flash program: Done (1000 bytes programmed)");
    EXPECT_EQ(calls.back(), "wait-cursor: off");
    EXPECT_EQ(rig.context.lastResult, 0);
    EXPECT_FALSE(rig.flash.busy());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), rig.chip<AvrChip>().flash().begin()));
    // Released and back to 19200 baud, then closed.
    const auto entries = rig.wire.entries();
    ASSERT_GE(entries.size(), 3u);
    EXPECT_EQ(entries[entries.size() - 3], "send 2D");
    EXPECT_EQ(entries[entries.size() - 2], "send 23 00 82 00");
    EXPECT_EQ(entries.back(), "close");
    rig.expectNoViolations();
}

TEST(ProgramCommand, WithoutAPortNothingIsSent)
{
    OpsRig rig("ATmega328P");
    rig.settings.comPort = 0;
    OpsRig::fill(rig.flash, pattern(10));
    rig.commands.programFlash();
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1031));
    EXPECT_EQ(rig.boxes(), std::vector<std::string>{infoBox(1032)});
    EXPECT_TRUE(rig.wire.entries().empty());
    EXPECT_EQ(rig.context.lastResult, -1);
}

TEST(ProgramCommand, ABufferLongerThanTheChipIsCutOnlyWhenConfirmed)
{
    OpsRig rig("ATmega8/8A");
    const Bytes image = pattern(8192 + 64);
    OpsRig::fill(rig.flash, image);
    rig.ui.answerNext(Answer::Ok);
    rig.commands.programFlash();
    EXPECT_TRUE(contains(rig.ui.calls(), std::string("ask: ok-cancel question default 0 | ") + messageText(1025) +
                                              " | Warning: only first 8192 bytes Flash will be processed. -> ok"));
    EXPECT_EQ(rig.ui.lastStatus(), "Flash program: Done (8192 bytes programmed)");
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 8192, rig.chip<AvrChip>().flash().begin()));
    rig.expectNoViolations();

    // Declined: nothing is written and the command says so.
    OpsRig declined("ATmega8/8A");
    OpsRig::fill(declined.flash, image);
    declined.ui.answerNext(Answer::Cancel);
    declined.commands.programFlash();
    EXPECT_EQ(declined.ui.lastStatus(), messageText(1083));
    EXPECT_EQ(declined.context.lastResult, -1);
    EXPECT_TRUE(declined.sendsStartingWith("7B").empty());
    EXPECT_EQ(declined.chip<AvrChip>().flash()[0], 0xFF);

    OpsRig eeprom("ATmega8/8A");
    OpsRig::fill(eeprom.eeprom, pattern(600));
    eeprom.ui.answerNext(Answer::Cancel);
    eeprom.commands.programEeprom();
    EXPECT_EQ(eeprom.ui.lastStatus(), messageText(1094));
    EXPECT_EQ(eeprom.context.lastResult, -1);
}

TEST(ProgramCommand, EepromReportsItsOwnTexts)
{
    OpsRig rig("ATmega328P");
    OpsRig::fill(rig.eeprom, pattern(300));
    rig.commands.programEeprom();
    EXPECT_TRUE(contains(rig.ui.calls(), statusLine(1073)));
    EXPECT_EQ(rig.ui.lastStatus(), "Eeprom program: Done (300 bytes programmed)");
    EXPECT_EQ(rig.context.lastResult, 0);

    sim::BoxOptions polling = instantBox();
    polling.faults.neverReady = true;
    OpsRig failed("ATmega328P", polling);
    OpsRig::fill(failed.eeprom, pattern(300));
    failed.commands.programEeprom();
    EXPECT_EQ(failed.boxes(), std::vector<std::string>{infoBox(1164)});
    EXPECT_EQ(failed.ui.lastStatus(), messageText(1164));
}

TEST(ProgramCommand, AMatchingSignatureProgramsWithoutAQuestion)
{
    OpsRig rig("ATmega328P");
    rig.project.checkSign = true;
    OpsRig::fill(rig.flash, pattern(256));
    rig.commands.programFlash();
    EXPECT_TRUE(rig.ui.callsStartingWith("ask: ").empty());
    EXPECT_EQ(rig.sendsStartingWith("35 30"),
              (std::vector<std::string>{"35 30 00 00", "35 30 00 01", "35 30 00 02"}));
    EXPECT_EQ(rig.context.lastSignature, (std::array<int, 3>{0x1E, 0x95, 0x0F}));
    EXPECT_EQ(rig.context.lastResult, 0);

    // Devices that share a signature all match it.
    OpsRig shared("ATA6602", instantBox(), "ATmega88");
    shared.project.checkSign = true;
    OpsRig::fill(shared.flash, pattern(64));
    shared.commands.programFlash();
    EXPECT_TRUE(shared.ui.callsStartingWith("ask: ").empty());
    EXPECT_EQ(shared.context.lastResult, 0);
}

TEST(ProgramCommand, AnotherChipIsProgrammedOnlyWhenThePersonInsists)
{
    sim::BoxOptions other = instantBox();
    other.faults.signatureOf = "ATmega168";
    OpsRig refused("ATmega328P", other);
    refused.project.checkSign = true;
    OpsRig::fill(refused.flash, pattern(256));
    refused.ui.answerNext(Answer::No);
    refused.commands.programFlash();
    // No is the default, and the question names the chip that is there.
    EXPECT_TRUE(contains(refused.ui.calls(), "ask: yes-no question default 1 | " + std::string(messageText(1016)) +
                                                 " | " + messageText(1048) +
                                                 "\n\nChip found: 1E 94 06 - ATmega168/168P -> no"));
    EXPECT_EQ(refused.ui.lastStatus(), messageText(1083));
    EXPECT_EQ(refused.context.lastResult, -1);
    EXPECT_TRUE(refused.sendsStartingWith("7B").empty());
    EXPECT_EQ(refused.wire.entries().back(), "close");

    OpsRig insisted("ATmega328P", other);
    insisted.project.checkSign = true;
    OpsRig::fill(insisted.flash, pattern(256));
    insisted.ui.answerNext(Answer::Yes);
    insisted.commands.programFlash();
    EXPECT_EQ(insisted.context.lastResult, 0);
    EXPECT_EQ(insisted.sendsStartingWith("7B").size(), 8u);
}

TEST(ProgramCommand, ALockedChipIsErasedInPlaceWhenConfirmed)
{
    sim::BoxOptions locked;
    locked.faults.lockedChip = true;
    OpsRig rig("ATmega328P", locked);
    rig.chip<AvrChip>().flash()[0] = 0x00;
    rig.project.checkSign = true;
    const Bytes image = pattern(256);
    OpsRig::fill(rig.flash, image);
    rig.ui.answerNext(Answer::Yes);
    rig.commands.programFlash();

    EXPECT_TRUE(contains(rig.ui.calls(), question(1050, 1, 1016, "yes-no", "yes")));
    const auto entries = rig.wire.entries();
    const auto erase = std::find(entries.begin(), entries.end(), "send 34 AC 80 04 00");
    ASSERT_NE(erase, entries.end());
    // Nothing stray follows the instruction, and programming waits for the erase.
    EXPECT_EQ(*(erase + 1), "send 57 96");
    EXPECT_EQ(rig.ui.lastStatus(), "Flash program: Done (256 bytes programmed)");
    EXPECT_EQ(rig.context.lastResult, 0);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), rig.chip<AvrChip>().flash().begin()));
    const auto sleeps = rig.clock.sleeps();
    EXPECT_NE(std::find(sleeps.begin(), sleeps.end(), 10), sleeps.end());
    rig.expectNoViolations();

    OpsRig kept("ATmega328P", locked);
    kept.project.checkSign = true;
    OpsRig::fill(kept.flash, image);
    kept.ui.answerNext(Answer::No);
    kept.commands.programFlash();
    EXPECT_EQ(kept.ui.lastStatus(), messageText(1083));
    EXPECT_EQ(kept.context.lastResult, -1);
    EXPECT_TRUE(kept.sendsStartingWith("34 AC").empty());
}

TEST(ProgramCommand, TheATtiny26IsErasedInItsThreeSteps)
{
    sim::BoxOptions locked = instantBox();
    locked.faults.lockedChip = true;
    OpsRig rig("ATtiny26", locked);
    rig.project.checkSign = true;
    OpsRig::fill(rig.flash, pattern(64));
    rig.ui.answerNext(Answer::Yes);
    rig.commands.programFlash();
    EXPECT_EQ(rig.sendsStartingWith("34 "),
              (std::vector<std::string>{"34 AC 80 04 00", "34 40 00 00 FF", "34 AC 80 04 00", "34 4C 00 00 00",
                                        "34 4C 00 10 00"}));
    EXPECT_EQ(rig.context.lastResult, 0);
}

TEST(ProgramCommand, AnUnreadableSignatureStopsBeforeProgramming)
{
    sim::BoxOptions silent = instantBox();
    silent.faults.silentAfter = 8; // the connection, then nothing
    OpsRig rig("ATmega328P", silent);
    rig.project.checkSign = true;
    OpsRig::fill(rig.flash, pattern(64));
    rig.commands.programFlash();
    EXPECT_EQ(rig.boxes(), (std::vector<std::string>{infoBox(1120), infoBox(1047)}));
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1047));
    EXPECT_EQ(rig.context.lastResult, -1);
    EXPECT_TRUE(rig.sendsStartingWith("7B").empty());
}

TEST(ProgramCommand, ASerialFlashThatFallsSilentIsGivenUpOnAtItsFirstMissingReply)
{
    // One time-out for the check and one for the release, not one for each
    // of the fifteen replies of the identification sequence.
    sim::BoxOptions silent = instantBox();
    silent.faults.silentAfter = 7; // the connection, then nothing
    OpsRig rig("AT26F021", silent);
    rig.project.checkSign = true;
    OpsRig::fill(rig.flash, pattern(64));
    rig.commands.programFlash();
    EXPECT_EQ(rig.boxes(), (std::vector<std::string>{infoBox(1120), infoBox(1047)}));
    EXPECT_EQ(rig.context.lastResult, -1);
    EXPECT_EQ(rig.simPort.timeouts(), 2u);
    EXPECT_EQ(rig.sends().size(), 9u) << "the connection, the first deselect and the release";
}

TEST(ProgramCommand, AFailureAfterAMatchingSignatureIsNoSuccess)
{
    sim::BoxOptions polling = instantBox();
    polling.faults.pollingErrorAt = 1;
    OpsRig rig("ATmega328P", polling);
    rig.project.checkSign = true;
    OpsRig::fill(rig.flash, pattern(256));
    rig.commands.programFlash();
    EXPECT_EQ(rig.boxes(), (std::vector<std::string>{infoBox(1027), infoBox(1164)}));
    EXPECT_EQ(rig.context.lastResult, -1);

    sim::BoxOptions silent = instantBox();
    silent.faults.silentAfter = 12;
    OpsRig lost("ATmega328P", silent);
    lost.project.checkSign = true;
    OpsRig::fill(lost.flash, pattern(256));
    lost.commands.programFlash();
    EXPECT_EQ(lost.ui.lastStatus(), messageText(1051));
    EXPECT_EQ(lost.context.lastResult, -1);
}

TEST(ProgramCommand, CountsUpTheSerialNumberAfterEveryRun)
{
    TempFolder folder;
    const std::string path = folder.file("serial.hex");
    writeFile(path, ":0400000001020304F2\n:00000001FF\n");

    OpsRig rig("ATmega328P");
    ASSERT_TRUE(rig.flash.loadFile(path));
    ASSERT_EQ(rig.flash.length(), 4);
    rig.project.autoIncrementFlash = true;
    rig.project.autoIncAddressFlash = 100; // beyond the buffer: its last byte
    rig.commands.programFlash();
    EXPECT_EQ(rig.flash.data()[3], 0x05);
    EXPECT_EQ(rig.flash.byteState()[3], ByteEdited);
    EXPECT_TRUE(rig.flash.modified());
    EXPECT_EQ(rig.chip<AvrChip>().flash()[3], 0x04); // the chip got the number before it

    sim::BoxOptions polling = instantBox();
    polling.faults.pollingErrorAt = 1;
    OpsRig failed("ATmega328P", polling);
    ASSERT_TRUE(failed.flash.loadFile(path));
    failed.project.autoIncrementFlash = true;
    failed.project.autoIncAddressFlash = 1;
    failed.commands.programFlash();
    EXPECT_EQ(failed.flash.data()[1], 0x03);

    // Without a file nothing is counted.
    OpsRig unnamed("ATmega328P");
    OpsRig::fill(unnamed.flash, {1, 2, 3, 4});
    unnamed.project.autoIncrementFlash = true;
    unnamed.commands.programFlash();
    EXPECT_EQ(unnamed.flash.data()[3], 0x04);
}

} // namespace
} // namespace quorva::test

namespace quorva::test {
namespace {

TEST(ProgramCommand, TheTextOfABrokenHexFileIsProgrammedOnlyWhenAPersonSaysSo)
{
    TempFolder folder;
    const std::string path = folder.file("trunc.hex");
    writeFile(path, ":1000000012C019C018C017C016C015C014C013C044\n:10001000");
    OpsRig rig("ATmega328P");
    rig.flash.loadFile(path);
    ASSERT_TRUE(rig.flash.rawText());
    const std::string question = "ask: yes-no warning default 1 | " + std::string(messageText(1016)) + " | '" + path +
                                 "' is not an Intel HEX file: line 2 has no line end within 80 characters. Program "
                                 "the file's text into the chip as raw bytes all the same?";

    // Asked with No as the default; No sends nothing.
    rig.ui.answerNext(Answer::No);
    rig.commands.programFlash();
    EXPECT_EQ(rig.ui.callsStartingWith("ask: "), std::vector<std::string>{question + " -> no"});
    EXPECT_TRUE(rig.sends().empty());
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1083));
    EXPECT_EQ(rig.context.lastResult, -1);

    rig.ui.answerNext(Answer::Yes);
    rig.commands.programFlash();
    EXPECT_EQ(rig.context.lastResult, 0);

    // Nobody answers for an unattended run: refused without a question.
    OpsRig unattended("ATmega328P");
    unattended.flash.loadFile(path);
    unattended.context.unattended = true;
    unattended.ui.clearCalls();
    unattended.commands.programFlash();
    EXPECT_TRUE(unattended.ui.callsStartingWith("ask: ").empty());
    EXPECT_EQ(unattended.ui.callsStartingWith("box: error").size(), 1u);
    EXPECT_TRUE(unattended.sends().empty());
    EXPECT_EQ(unattended.context.lastResult, -1);
}

} // namespace
} // namespace quorva::test
