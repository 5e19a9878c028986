// AT45 DataFlash: buffer writes, continuous reads, both page geometries.

#include "ops_rig.h"

#include "dataflash_chip.h"

namespace quorva::test {
namespace {

using sim::DataFlashChip;

bool sameBytes(const Bytes& chip, std::size_t chipFrom, const Bytes& image, std::size_t from, std::size_t count)
{
    return std::equal(image.begin() + static_cast<std::ptrdiff_t>(from),
                      image.begin() + static_cast<std::ptrdiff_t>(from + count),
                      chip.begin() + static_cast<std::ptrdiff_t>(chipFrom));
}

TEST(At45Memory, ProgramsStandardPagesAtTheSlowLineSpeed)
{
    OpsRig rig("AT45DB161D");
    rig.settings.highSpeed = 2;
    const Bytes image = pattern(1000, 3);
    OpsRig::fill(rig.flash, image);
    rig.commands.programFlash();
    EXPECT_EQ(rig.ui.lastStatus(), "Flash program: Done (1000 bytes programmed)");
    EXPECT_EQ(rig.simPort.openings(), (std::vector<std::pair<int, int>>{{2, 19200}}));

    const auto sends = rig.sends();
    EXPECT_EQ(countRuns(sends, {"30", "00", "04", "84", "00", "00", "00"}), 2u);
    // Page 1 of 528 bytes: page address 1 << 2, the 24-bit address 1 << 10.
    EXPECT_EQ(countRuns(sends, {"30", "00", "04", "88", "00", "04", "00"}), 1u);
    EXPECT_EQ(countRuns(sends, {"30", "02", "10"}), 2u);
    const auto& memory = rig.chip<DataFlashChip>().memory();
    EXPECT_TRUE(sameBytes(memory, 0, image, 0, 1000));
    EXPECT_EQ(memory[1000], 0xFF);
    // The status read before the pages, then one after each page program
    // until the chip is ready, not the device's page delay.
    EXPECT_EQ(countRuns(sends, {"55", "4C", "36 D7", "37", "55"}), 3u);
    const auto sleeps = rig.clock.sleeps();
    EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), 40), 0);
    rig.expectNoViolations();

    rig.commands.verifyFlash();
    EXPECT_EQ(rig.ui.lastStatus(), formatMessage(1053, 1000));
    EXPECT_EQ(countRuns(rig.sends(), {"30", "00", "04", "03", "00", "00", "00"}), 1u);
    rig.expectNoViolations();
}

TEST(At45Memory, ProgramsPowerOfTwoPages)
{
    OpsRig rig("AT45DB161D");
    rig.chip<DataFlashChip>().setPowerOfTwo(true);
    const Bytes image = pattern(1024, 7);
    OpsRig::fill(rig.flash, image);
    rig.commands.programFlash();
    EXPECT_EQ(countRuns(rig.sends(), {"30", "00", "04", "88", "00", "02", "00"}), 1u);
    EXPECT_EQ(countRuns(rig.sends(), {"30", "02", "00"}), 2u);
    const auto& memory = rig.chip<DataFlashChip>().memory();
    // Each 512-byte page sits at the start of its 528-byte physical page.
    EXPECT_TRUE(sameBytes(memory, 0, image, 0, 512));
    EXPECT_TRUE(sameBytes(memory, 528, image, 512, 512));
    rig.expectNoViolations();
}

TEST(At45Memory, AFullSizeBufferStaysWithinThePowerOfTwoPages)
{
    OpsRig rig("AT45DB011D");
    rig.chip<DataFlashChip>().setPowerOfTwo(true);
    const Bytes image = pattern(135168, 2);
    OpsRig::fill(rig.flash, image);
    rig.ui.answerNext(Answer::Ok);
    rig.commands.programFlash();
    EXPECT_EQ(rig.ui.callsStartingWith("ask: ").size(), 1u);
    EXPECT_NE(rig.ui.callsStartingWith("ask: ")[0].find("only first 131072 bytes Flash"), std::string::npos);
    EXPECT_EQ(rig.ui.lastStatus(), "Flash program: Done (131072 bytes programmed)");
    const auto& memory = rig.chip<DataFlashChip>().memory();
    EXPECT_TRUE(sameBytes(memory, 0, image, 0, 256));
    EXPECT_TRUE(sameBytes(memory, 511 * 264, image, 511 * 256, 256));
    EXPECT_EQ(countRuns(rig.sends(), {"30", "01", "00"}), 512u);

    // A read gives a buffer of what the chip holds.
    rig.commands.readFlash();
    ASSERT_EQ(rig.flash.length(), 131072);
    EXPECT_TRUE(std::equal(image.begin(), image.begin() + 131072, rig.flash.data().begin()));
    EXPECT_EQ(rig.ui.lastStatus(), formatMessage(1041, 131072, 131072, rig.flash.checksum()));
    rig.expectNoViolations();
}

TEST(At45Memory, ReadsAtEveryLineSpeed)
{
    for (int speed : {0, 1, 2}) {
        OpsRig rig("AT45DB011D");
        rig.settings.highSpeed = speed;
        const Bytes image = pattern(135168, static_cast<std::uint8_t>(speed));
        rig.chip<DataFlashChip>().memory() = image;
        rig.commands.readFlash();
        EXPECT_EQ(rig.context.lastResult, 0) << speed;
        EXPECT_TRUE(std::equal(image.begin(), image.end(), rig.flash.data().begin())) << speed;
        // Continuous read set up with four SpiWrites, deselected at the end.
        EXPECT_EQ(countRuns(rig.sends(), {"4C", "36", "03", "36", "00", "36", "00", "36", "00", "31"}), 1u);
        EXPECT_EQ(countRuns(rig.sends(), {"31", "01", "08"}), 512u);
        rig.expectNoViolations();
    }
}

TEST(At45Memory, BlankChecksEitherGeometryInItsOwnPages)
{
    OpsRig standard("AT45DB011D");
    standard.commands.blankCheck();
    EXPECT_EQ(standard.ui.lastStatus(), messageText(1119));
    EXPECT_EQ(countRuns(standard.sends(), {"31", "01", "08"}), 512u);
    EXPECT_EQ(countRuns(standard.sends(), {"6B", "6C", "30", "00", "08", "E8"}), 1u);

    OpsRig binary("AT45DB161D");
    binary.chip<DataFlashChip>().setPowerOfTwo(true);
    binary.chip<DataFlashChip>().memory().back() = 0x00; // beyond the 512-byte pages: never looked at
    binary.commands.blankCheck();
    EXPECT_EQ(binary.ui.lastStatus(), messageText(1119));
    // 4096 pages of 512 bytes, not 4224.
    EXPECT_EQ(countRuns(binary.sends(), {"31", "02", "00"}), 4096u);

    OpsRig used("AT45DB011D");
    used.chip<DataFlashChip>().memory()[300] = 0x7E;
    used.commands.blankCheck();
    EXPECT_EQ(used.ui.lastStatus(), messageText(1115));
    EXPECT_EQ(countRuns(used.sends(), {"31", "01", "08"}), 2u);
    used.expectNoViolations();
}

TEST(At45Memory, AWrongReplyFailsWithoutABoxFromTheRun)
{
    sim::BoxOptions options = instantBox();
    options.faults.wrongAcks.push_back({0x30, 2, 0x00}); // the first page's data block
    OpsRig rig("AT45DB161D", options);
    OpsRig::fill(rig.flash, pattern(600));
    rig.commands.programFlash();
    EXPECT_EQ(rig.boxes(), std::vector<std::string>{infoBox(1084)});
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1051));
    EXPECT_EQ(rig.flash.byteState()[0], BytePending);
}

} // namespace
} // namespace quorva::test
