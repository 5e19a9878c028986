// AT89S byte programming and AT25 serial EEPROM pages.

#include "ops_rig.h"

#include "at25_chip.h"
#include "at89_chip.h"
#include "operations/program_data.h"

namespace quorva::test {
namespace {

using sim::At25Chip;
using sim::At89Chip;

TEST(At89Memory, ProgramsReadsAndVerifiesByteByByte)
{
    OpsRig rig("AT89S51", sim::BoxOptions{});
    const Bytes image = pattern(300, 4);
    OpsRig::fill(rig.flash, image);
    rig.commands.programFlash();
    EXPECT_EQ(rig.ui.lastStatus(), "Flash program: Done (300 bytes programmed)");
    // Every byte but the one 0xFF (at 255), each read back until it holds
    // what was written.
    const auto writes = rig.sendsStartingWith("34 40");
    ASSERT_EQ(writes.size(), 299u);
    EXPECT_EQ(writes[256], "34 40 01 01 " + hexBytes(&image[257], 1));
    EXPECT_TRUE(containsRun(rig.sends(), {writes[256], "35 20 01 01"}));
    EXPECT_TRUE(std::equal(image.begin(), image.end(), rig.chip<At89Chip>().flash().begin()));
    const auto sleeps = rig.clock.sleeps();
    EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), 12), 0);

    rig.wire.clear();
    rig.commands.verifyFlash();
    EXPECT_EQ(rig.ui.lastStatus(), formatMessage(1053, 300));
    EXPECT_EQ(countOf(rig.sendsStartingWith("35 20"), "35 20 01 2B"), 1u);

    rig.commands.readFlash();
    ASSERT_EQ(rig.flash.length(), 4096);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), rig.flash.data().begin()));
    EXPECT_EQ(rig.flash.data()[300], 0xFF);
    EXPECT_EQ(rig.context.lastResult, 0);
    rig.expectNoViolations();
}

TEST(At89Memory, ByteDelayOverrideAndAMissingReply)
{
    OpsRig rig("AT89S51");
    rig.project.delayByte = true;
    rig.project.delayByteValue = 3;
    OpsRig::fill(rig.flash, pattern(10));
    rig.connect();
    const auto program = [&] {
        KX1ProgramData op(rig.setup(), rig.flash, true);
        return rig.ui.runOperation(op);
    };
    EXPECT_EQ(program(), Operation::kDone);
    EXPECT_EQ(rig.clock.sleeps(), std::vector<int>(10, 3));

    sim::BoxOptions silent = instantBox();
    silent.faults.silentAfter = 10;
    OpsRig lost("AT89S51", silent);
    OpsRig::fill(lost.flash, pattern(10));
    lost.commands.programFlash();
    EXPECT_EQ(lost.boxes(), (std::vector<std::string>{infoBox(1027), infoBox(1084), infoBox(1026)}));
    EXPECT_EQ(lost.ui.lastStatus(), messageText(1051));
}

TEST(At89Memory, TheAT89S8253UsesTheBoxsChunkedWrites)
{
    OpsRig rig("AT89S8253");
    const Bytes image = pattern(200);
    OpsRig::fill(rig.flash, image);
    rig.commands.programFlash();
    EXPECT_EQ(rig.ui.lastStatus(), "Flash program: Done (200 bytes programmed)");
    EXPECT_EQ(rig.sendsStartingWith("7B").size(), 4u);
    rig.commands.verifyFlash();
    EXPECT_EQ(rig.ui.lastStatus(), formatMessage(1053, 200));
    rig.expectNoViolations();
}

TEST(At25Memory, ProgramsPagesWaitingForEachWriteCycle)
{
    // Real write times and a fast line: a write enable inside the write
    // cycle of the page before would be ignored.
    OpsRig rig("AT25256", sim::BoxOptions{});
    rig.settings.highSpeed = 1;
    const Bytes image = pattern(200, 2);
    OpsRig::fill(rig.eeprom, image);
    rig.commands.programEeprom();
    EXPECT_EQ(rig.ui.lastStatus(), "Eeprom program: Done (200 bytes programmed)");
    EXPECT_TRUE(std::equal(image.begin(), image.end(), rig.chip<At25Chip>().memory().begin()));
    EXPECT_EQ(rig.chip<At25Chip>().memory()[200], 0xFF);
    // Page 1: write enable, write at 00 40, write disable, status polls.
    const auto sends = rig.sends();
    EXPECT_TRUE(containsRun(sends, {"36", "02", "36", "00", "36", "40"}));
    EXPECT_GE(countOf(sends, "05"), 4u);
    EXPECT_EQ(sends.back(), "23 00 82 00");
    rig.expectNoViolations();
}

TEST(At25Memory, HasNoSignatureToCheck)
{
    OpsRig rig("AT25256");
    rig.project.checkSign = true;
    OpsRig::fill(rig.eeprom, pattern(64));
    rig.commands.programEeprom();
    OpsRig::fill(rig.flash, pattern(64));
    rig.ui.answerNext(Answer::Cancel); // the memory has no Flash: nothing of it is written
    rig.commands.programFlash();
    EXPECT_TRUE(rig.sendsStartingWith("35").empty());
    EXPECT_EQ(rig.ui.callsStartingWith("ask: ").size(), 1u);
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1083));
}

TEST(At25Memory, ReadsAndVerifiesPagesAndFailsOnAMissingByte)
{
    OpsRig rig("AT25128");
    const Bytes image = pattern(16384, 8);
    rig.chip<At25Chip>().memory() = image;
    rig.commands.readEeprom();
    ASSERT_EQ(rig.eeprom.length(), 16384);
    EXPECT_TRUE(std::equal(image.begin(), image.end(), rig.eeprom.data().begin()));
    EXPECT_EQ(rig.ui.callsStartingWith("operation: start"),
              (std::vector<std::string>{"operation: start | Read | Reading Eeprom",
                                        "operation: start | Read | Reading Eeprom"}));
    EXPECT_EQ(rig.ui.callsStartingWith("operation: progress").back(), "operation: progress 99 | 99% completed");

    rig.chip<At25Chip>().memory()[1000] ^= 0xFF;
    rig.commands.verifyEeprom();
    EXPECT_EQ(rig.ui.lastStatus(), "Eeprom verify: ERROR at byte 1000 (0x3E8)");

    // A link that falls silent is no good read and no good verify.
    sim::BoxOptions silent = instantBox();
    silent.faults.silentAfter = 60;
    OpsRig lost("AT25128", silent);
    lost.commands.readEeprom();
    EXPECT_EQ(lost.boxes(), (std::vector<std::string>{infoBox(1098), infoBox(1026)}));
    EXPECT_EQ(lost.context.lastResult, -1);

    OpsRig lostVerify("AT25128", silent);
    OpsRig::fill(lostVerify.eeprom, Bytes(64, 0xFF));
    lostVerify.commands.verifyEeprom();
    EXPECT_EQ(lostVerify.ui.lastStatus(), messageText(1104));
    EXPECT_FALSE(lostVerify.context.eepromVerifyOk);
}

TEST(At25Memory, ABufferLongerThanTheChipNeverWrapsOntoItsStart)
{
    OpsRig rig("AT25128");
    Bytes image = pattern(16384);
    image.insert(image.end(), 64, 0x5A);
    OpsRig::fill(rig.eeprom, image);
    rig.ui.answerNext(Answer::Ok);
    rig.commands.programEeprom();
    EXPECT_EQ(rig.ui.lastStatus(), "Eeprom program: Done (16384 bytes programmed)");
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 16384, rig.chip<At25Chip>().memory().begin()));
    EXPECT_EQ(rig.eeprom.byteState()[16384], BytePending);

    rig.commands.verifyEeprom();
    EXPECT_EQ(rig.ui.lastStatus(), formatMessage(1056, 16384));
}

} // namespace
} // namespace quorva::test
