#include "ops_rig.h"

#include "avr_chip.h"
#include "operations/program_data.h"

namespace quorva::test {
namespace {

using sim::AvrChip;

std::string hexOf(const Bytes& bytes, std::size_t from, std::size_t count)
{
    return hexBytes(bytes.data() + from, count);
}

bool allStates(const MemoryBuffer& buffer, ByteState state, int from = 0, int to = -1)
{
    const auto states = buffer.byteState();
    const int end = to < 0 ? buffer.length() : to;
    return std::all_of(states.begin() + from, states.begin() + end, [state](std::uint8_t s) { return s == state; });
}

TEST(AvrProgram, WritesA1000ByteImageInEightQuarteredPages)
{
    OpsRig rig("ATmega328P"); // 128-byte pages
    const Bytes image = pattern(1000);
    OpsRig::fill(rig.flash, image);
    rig.connect();
    KX1ProgramData op(rig.setup(), rig.flash, true);
    ASSERT_EQ(rig.ui.runOperation(op), Operation::kDone);
    EXPECT_EQ(op.processedBytes(), 1000);

    const auto sends = rig.sends();
    ASSERT_GE(sends.size(), 4u);
    EXPECT_EQ(sends[0], "57 96"); // the device's Flash write timing
    EXPECT_EQ(sends[1], "3A");
    EXPECT_EQ(sends[2], "00");
    EXPECT_EQ(sends[3], "00");
    // Each page: four quarters of 32 bytes, page write, and Poll RDY/BSY
    // until the chip has written it (at once here). 32 KB need no extended
    // address.
    ASSERT_EQ(sends.size(), 4u + 8 * (4 * 3 + 2));
    const std::size_t last = 4 + 7 * 14;
    EXPECT_EQ(sends[last], "7B");
    EXPECT_EQ(sends[last + 1], "20");
    EXPECT_EQ(sends[last + 2], hexOf(image, 896, 32));
    EXPECT_EQ(sends[last + 11], hexOf(image, 992, 8) + " FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF");
    EXPECT_EQ(sends[last + 12], "34 4C 01 C0 00");
    EXPECT_EQ(sends[last + 13], "35 F0 00 00");

    const auto& flash = rig.chip<AvrChip>().flash();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), flash.begin()));
    EXPECT_EQ(flash[1000], 0xFF);
    EXPECT_TRUE(allStates(rig.flash, ByteProgrammed));
    // Asked, not waited for.
    EXPECT_TRUE(rig.clock.sleeps().empty());
    // Eight pages, but a phase of 1000 / 128 = 7 steps.
    const auto calls = rig.ui.callsStartingWith("operation: progress");
    EXPECT_EQ(calls.back(), "operation: progress 100 | 100% completed");
    EXPECT_EQ(rig.ui.callsStartingWith("operation: start"),
              std::vector<std::string>{"operation: start | Program | Programming Flash"});
    rig.expectNoViolations();
}

TEST(AvrProgram, SkipsErasedPagesYetMarksThemProgrammed)
{
    OpsRig rig("ATmega328P");
    Bytes image = pattern(384);
    std::fill(image.begin() + 128, image.begin() + 256, 0xFF);
    OpsRig::fill(rig.flash, image);
    rig.connect();
    KX1ProgramData op(rig.setup(), rig.flash, true);
    ASSERT_EQ(rig.ui.runOperation(op), Operation::kDone);
    EXPECT_EQ(rig.sendsStartingWith("34 4C"), (std::vector<std::string>{"34 4C 00 00 00", "34 4C 00 80 00"}));
    EXPECT_EQ(rig.sendsStartingWith("7B").size(), 8u);
    EXPECT_TRUE(allStates(rig.flash, ByteProgrammed));
    EXPECT_TRUE(std::equal(image.begin(), image.end(), rig.chip<AvrChip>().flash().begin()));
    rig.expectNoViolations();
}

TEST(AvrProgram, LoadsTheExtendedAddressAbove128K)
{
    OpsRig rig("ATmega256x"); // 256-byte pages, 256 KB
    Bytes image(0x20100, 0xFF);
    for (int i = 0; i < 256; ++i) {
        image[0x1F000 + i] = static_cast<std::uint8_t>(i);
        image[0x20000 + i] = static_cast<std::uint8_t>(255 - i);
    }
    OpsRig::fill(rig.flash, image);
    rig.connect();
    KX1ProgramData op(rig.setup(), rig.flash, true);
    ASSERT_EQ(rig.ui.runOperation(op), Operation::kDone);
    const auto sends = rig.sends();
    const std::vector<std::string> spi(rig.sendsStartingWith("34"));
    EXPECT_EQ(spi, (std::vector<std::string>{"34 4D 00 00 00", "34 4C F8 00 00", "34 4D 00 01 00", "34 4C 00 00 00"}));
    // Quarters of a 256-byte page are the 64 bytes the box takes at most.
    EXPECT_EQ(rig.sendsStartingWith("7B").size(), 8u);
    EXPECT_EQ(sends[5], "40");
    const auto& flash = rig.chip<AvrChip>().flash();
    EXPECT_EQ(flash[0x1F001], 1);
    EXPECT_EQ(flash[0x20001], 254);
    EXPECT_EQ(flash[0x00001], 0xFF);
    rig.expectNoViolations();
}

TEST(AvrProgram, WritesEepromIn64ByteChunksAndReportsQuarterProgress)
{
    OpsRig rig("ATmega328P");
    rig.settings.fixedWaits = true; // the box's composite writes with the table's byte delay
    const Bytes image = pattern(300, 3);
    OpsRig::fill(rig.eeprom, image);
    rig.connect();
    KX1ProgramData op(rig.setup(), rig.eeprom, false);
    ASSERT_EQ(rig.ui.runOperation(op), Operation::kDone);
    std::vector<std::string> counts;
    const auto sends = rig.sends();
    for (std::size_t i = 0; i + 1 < sends.size(); ++i) {
        if (sends[i] == "3E")
            counts.push_back(sends[i + 1]);
    }
    EXPECT_EQ(counts, (std::vector<std::string>{"40", "40", "40", "40", "2C"}));
    EXPECT_EQ(sends[0], "57 C0"); // Eeprom write timing
    EXPECT_TRUE(rig.sendsStartingWith("3A").empty());
    EXPECT_TRUE(std::equal(image.begin(), image.end(), rig.chip<AvrChip>().eeprom().begin()));
    EXPECT_TRUE(allStates(rig.eeprom, ByteProgrammed));

    // 256 bytes: four steps show 0, 25, 50 and 75 percent.
    OpsRig quarter("ATmega328P");
    OpsRig::fill(quarter.eeprom, pattern(256));
    quarter.connect();
    KX1ProgramData four(quarter.setup(), quarter.eeprom, false);
    ASSERT_EQ(quarter.ui.runOperation(four), Operation::kDone);
    EXPECT_EQ(quarter.ui.callsStartingWith("operation: progress"),
              (std::vector<std::string>{"operation: progress 0 | ", "operation: progress 25 | 25% completed",
                                        "operation: progress 50 | 50% completed",
                                        "operation: progress 75 | 75% completed"}));
}

TEST(AvrProgram, AppliesDelayOverridesAndTheBoardPageWriteDelay)
{
    OpsRig rig("ATmega328P");
    rig.project.delayByte = true;
    rig.project.delayByteValue = 5;
    rig.project.delayPage = true;
    rig.project.delayPageValue = 33;
    rig.settings.advancedDelays = {0, 0, 7, 0};
    OpsRig::fill(rig.flash, pattern(256));
    rig.connect();
    KX1ProgramData op(rig.setup(), rig.flash, true);
    ASSERT_EQ(rig.ui.runOperation(op), Operation::kDone);
    EXPECT_EQ(rig.sends()[0], "57 DC");
    EXPECT_EQ(rig.clock.sleeps(), (std::vector<int>{33, 7, 33, 7}));

    OpsRig zero("ATmega328P");
    zero.project.delayByte2 = true;
    zero.project.delayByteValue2 = 0;
    OpsRig::fill(zero.eeprom, pattern(10));
    zero.connect();
    KX1ProgramData eeprom(zero.setup(), zero.eeprom, false);
    ASSERT_EQ(zero.ui.runOperation(eeprom), Operation::kDone);
    EXPECT_EQ(zero.sends()[0], "57 FF");
}

TEST(AvrProgram, PollingErrorsAndMissingAcknowledgements)
{
    sim::BoxOptions polling = instantBox();
    polling.faults.pollingErrorAt = 2;
    OpsRig paged("ATmega328P", polling);
    OpsRig::fill(paged.flash, pattern(256));
    paged.connect();
    KX1ProgramData flash(paged.setup(), paged.flash, true);
    EXPECT_EQ(paged.ui.runOperation(flash), Operation::kPollingError);
    EXPECT_EQ(paged.boxes(), std::vector<std::string>{infoBox(1027)});

    OpsRig chunked("ATmega328P", polling);
    chunked.settings.fixedWaits = true;
    OpsRig::fill(chunked.eeprom, pattern(256));
    chunked.connect();
    KX1ProgramData eeprom(chunked.setup(), chunked.eeprom, false);
    EXPECT_EQ(chunked.ui.runOperation(eeprom), Operation::kPollingError);
    EXPECT_TRUE(chunked.boxes().empty());
    // The chunk before the failing one stays marked as written.
    EXPECT_TRUE(allStates(chunked.eeprom, ByteProgrammed, 0, 64));
    EXPECT_TRUE(allStates(chunked.eeprom, BytePending, 64));

    sim::BoxOptions wrong = instantBox();
    wrong.faults.wrongAcks.push_back({0x34, 2, 0x00}); // the first page write
    OpsRig acked("ATmega328P", wrong);
    OpsRig::fill(acked.flash, pattern(256));
    acked.connect();
    KX1ProgramData page(acked.setup(), acked.flash, true);
    EXPECT_EQ(acked.ui.runOperation(page), Operation::kFailed);
    EXPECT_EQ(acked.boxes(), std::vector<std::string>{infoBox(1027)});
}

TEST(AvrProgram, CancelStopsAfterTheCurrentPage)
{
    OpsRig rig("ATmega328P");
    OpsRig::fill(rig.flash, pattern(1024));
    rig.connect();
    rig.ui.cancelAtPercent(-1);
    KX1ProgramData op(rig.setup(), rig.flash, true);
    EXPECT_EQ(rig.ui.runOperation(op), Operation::kCancelled);
    EXPECT_TRUE(op.cancelled());
    EXPECT_EQ(rig.sendsStartingWith("34 4C").size(), 1u);
    EXPECT_TRUE(allStates(rig.flash, ByteProgrammed, 0, 128));
    EXPECT_TRUE(allStates(rig.flash, BytePending, 128));
}

} // namespace
} // namespace quorva::test
