// The corrected device rows against simulated chips that hold the data
// sheets' values.

#include "setup_rig.h"

#include "avr_chip.h"
#include "catalogue/fuse_layout.h"

#include <string_view>

namespace quorva::test {
namespace {

using sim::AvrChip;

LockFuseState programmed(const FuseLayout& layout, std::initializer_list<const char*> names)
{
    LockFuseState state;
    for (const char* name : names)
        for (int k = 0; k < layout.fuseBitCount; ++k)
            if (std::string_view(name) == layout.fuseBitName[static_cast<std::size_t>(k)])
                state.fuse[static_cast<std::size_t>(k)] = true;
    return state;
}

TEST(CorrectedChips, Atmega328pBitsLandWhereTheChipHasThem)
{
    SetupRig rig("ATmega328P");
    const FuseLayout& layout = fuseLayoutOf(deviceTable[static_cast<std::size_t>(rig.project.deviceIndex)]);
    // SPIEN kept, the brown-out level at 2.7 V (BODLEVEL1 and BODLEVEL0 unprogrammed but BODLEVEL2).
    ASSERT_TRUE(rig.setup.programLockFuse(programmed(layout, {"SPIEN", "BODLEVEL2", "EESAVE"}), true, false));
    EXPECT_EQ(rig.chip<AvrChip>().fuse(1), 0xD7); // SPIEN (5) and EESAVE (3); DWEN and RSTDISBL untouched
    EXPECT_EQ(rig.chip<AvrChip>().fuse(2) & 0x07, 0x03);
    rig.expectNoViolations();
}

TEST(CorrectedChips, BootLockBitsAreNotOfferedWhereTheChipHasNone)
{
    SetupRig rig("ATmega48/48P/48PA");
    LockFuseState state =
        programmed(fuseLayoutOf(deviceTable[static_cast<std::size_t>(rig.project.deviceIndex)]), {"SPIEN"});
    ASSERT_TRUE(rig.setup.programLockFuse(state, true, false));
    // What was written verifies: no unimplemented bit was asked to be 0.
    EXPECT_TRUE(rig.setup.verifyLockFuse(state));
}

TEST(CorrectedChips, Atmega8EepromWrittenWithoutPollingKeepsEveryByte)
{
    SetupRig rig("ATmega8/8A", sim::BoxOptions{});
    const Bytes image = pattern(64, 9);
    OpsRig::fill(rig.eeprom, image);
    rig.project.polling = false;
    rig.commands.programEeprom();
    const auto& memory = rig.chip<AvrChip>().eeprom();
    EXPECT_TRUE(std::equal(image.begin(), image.end(), memory.begin()));
    rig.expectNoViolations();
}

} // namespace
} // namespace quorva::test
