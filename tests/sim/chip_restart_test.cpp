#include "avr_chip.h"
#include "chip.h"
#include "part_info.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

namespace quorva::sim::test {
namespace {

// A chip restarted after it was written, locked and set up is the chip as
// built: nothing of the last case leaks into the next.
TEST(ChipRestart, EveryPartComesBackAsBuilt)
{
    for (const PartInfo& part : chipDatabase()) {
        SCOPED_TRACE(part.name);
        const ChipState fresh = makeChip(part)->state();
        std::unique_ptr<Chip> chip = makeChip(part);
        ChipState changed = fresh;
        for (auto& [name, memory] : changed.memories)
            memory.assign(memory.size(), 0x00);
        for (auto& [name, values] : changed.values)
            for (int& value : values)
                value ^= 1;
        std::string error;
        ASSERT_TRUE(chip->setState(changed, &error)) << error;
        chip->lockFully();
        chip->setStaysLocked(true);
        chip->setIdentityOf(findChip("ATmega8"));
        ASSERT_NE(chip->state().memories, fresh.memories);

        chip->restart();
        EXPECT_EQ(chip->state().memories, fresh.memories);
        EXPECT_EQ(chip->state().values, fresh.values);
    }
}

TEST(ChipRestart, LeavesProgrammingModeAndForgetsTheOtherIdentity)
{
    AvrChip chip(*findChip("ATmega8"));
    chip.setIdentityOf(findChip("ATmega2560"));
    chip.resetLine(false, 0);
    for (const std::uint8_t byte : {0xAC, 0x53, 0x00, 0x00})
        chip.exchange(byte, 0);
    ASSERT_TRUE(chip.programmingEnabled());

    chip.restart();
    EXPECT_FALSE(chip.inReset());
    EXPECT_FALSE(chip.programmingEnabled());
    chip.resetLine(false, 0);
    for (const std::uint8_t byte : {0xAC, 0x53, 0x00, 0x00})
        chip.exchange(byte, 0);
    std::uint8_t signature[3]{};
    for (std::uint8_t i = 0; i < 3; ++i) {
        for (const std::uint8_t byte : {std::uint8_t{0x30}, std::uint8_t{0x00}, i})
            chip.exchange(byte, 0);
        signature[i] = chip.exchange(0x00, 0);
    }
    EXPECT_EQ(signature[1], findChip("ATmega8")->signature[1]);
    EXPECT_EQ(signature[2], findChip("ATmega8")->signature[2]);
}

// A serial Flash refills its megabytes only once written; a page program
// through the pins counts.
TEST(ChipRestart, ErasesWhatThePinsProgrammed)
{
    std::unique_ptr<Chip> chip = makeChip(*findChip("AT26F004"));
    const auto instruction = [&](std::initializer_list<std::uint8_t> bytes) {
        chip->resetLine(false, 0);
        for (const std::uint8_t byte : bytes)
            chip->exchange(byte, 0);
        chip->resetLine(true, 0);
    };
    instruction({0x06});
    instruction({0x01, 0x00});
    instruction({0x06});
    instruction({0x02, 0x00, 0x00, 0x00, 0x12});
    ASSERT_EQ(chip->state().memories["flash"][0], 0x12);

    chip->restart();
    EXPECT_EQ(chip->state().memories["flash"][0], 0xFF);
}

} // namespace
} // namespace quorva::sim::test
