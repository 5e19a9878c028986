// The rows held against the chips' own data (device headers, data sheets,
// peer tools' part data): each bit name programs the bit the chip gives it.

#include <gtest/gtest.h>

#include "catalogue/device_lookup.h"
#include "catalogue/lock_fuse.h"

#include <string>

namespace quorva {
namespace {

const DeviceInfo& device(const char* name)
{
    return deviceTable[static_cast<std::size_t>(findByName(name))];
}

// The write instruction of fuse byte j with only the named bit programmed.
Instruction withOnly(const char* deviceName, const std::string& bit, int j)
{
    const FuseLayout& layout = fuseLayoutOf(device(deviceName));
    LockFuseState state;
    bool found = false;
    for (int k = 0; k < layout.fuseBitCount; ++k)
        if (bit == layout.fuseBitName[static_cast<std::size_t>(k)]) {
            state.fuse[static_cast<std::size_t>(k)] = true;
            found = true;
        }
    EXPECT_TRUE(found) << deviceName << " has no " << bit;
    return encodeFuseWrite(layout, j, state);
}

TEST(CorrectedRows, FuseNamesProgramTheChipsOwnBits)
{
    struct Case {
        const char* device;
        const char* bit;
        int byte;
        Instruction write;
    };
    const Case cases[] = {
        // High fuse bits 6 and 7 are DWEN and RSTDISBL; extended 0..2 BODLEVEL.
        {"ATmega328P", "DWEN", 1, {0xAC, 0xA8, 0xFF, 0xBF}},
        {"ATmega328P", "RSTDISBL", 1, {0xAC, 0xA8, 0xFF, 0x7F}},
        {"ATmega328P", "BODLEVEL0", 2, {0xAC, 0xA4, 0xFF, 0xFE}},
        {"ATmega8U2", "RSTDISBL", 1, {0xAC, 0xA8, 0xFF, 0xBF}},
        {"ATmega16U2", "WDTON", 1, {0xAC, 0xA8, 0xFF, 0xEF}},
        {"ATmega32U2", "HWBE", 2, {0xAC, 0xA4, 0xFF, 0xF7}},
        {"ATmega16U4", "WDTON", 1, {0xAC, 0xA8, 0xFF, 0xEF}},
        {"ATmega32U6", "CKDIV8", 0, {0xAC, 0xA0, 0xFF, 0x7F}},
        // One fuse byte.
        {"ATmega8HVA", "SPIEN", 0, {0xAC, 0xA0, 0xFF, 0xDF}},
        {"ATmega16HVA", "WDTON", 0, {0xAC, 0xA0, 0xFF, 0x7F}},
        {"ATmega16HVB", "EESAVE", 0, {0xAC, 0xA0, 0xFF, 0xBF}},
        {"ATmega32HVB", "DWEN", 1, {0xAC, 0xA8, 0xFF, 0xF7}},
        {"ATmega32HVB", "CKDIV", 1, {0xAC, 0xA8, 0xFF, 0xEF}},
        {"AT90PWM81", "BODLEVEL0", 2, {0xAC, 0xA4, 0xFF, 0xFE}},
        {"AT90PWM81", "BOOTRST", 1, {0xAC, 0xA8, 0xFF, 0xFE}},
        {"AT90PWM81", "PSC2RB", 2, {0xAC, 0xA4, 0xFF, 0x7F}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(withOnly(c.device, c.bit, c.byte), c.write) << c.device << " " << c.bit;

    // Names that are not these chips' are gone, and what is no fuse is not written.
    for (const char* name : {"ATmega328P", "ATmega8U2", "ATmega16U4"}) {
        const FuseLayout& layout = fuseLayoutOf(device(name));
        for (int k = 0; k < layout.fuseBitCount; ++k)
            EXPECT_NE(std::string(layout.fuseBitName[static_cast<std::size_t>(k)]), std::string("CKOPT")) << name;
    }
    const FuseLayout& hva = fuseLayoutOf(device("ATmega8HVA"));
    EXPECT_EQ(fuseByteCount(hva), 1);
    EXPECT_EQ(hva.fuseRead[0], (ReadInstruction{0x50, 0x00, 0x00}));
    LockFuseState all;
    all.fuse.fill(true);
    // HVB high fuse bits 5..7 are not carried: they stay 1.
    EXPECT_EQ(encodeFuseWrite(fuseLayoutOf(device("ATmega16HVB")), 1, all), (Instruction{0xAC, 0xA8, 0xFF, 0xE0}));
    // The SPIEN warning stands on the real SPIEN.
    for (const char* name : {"ATmega328P", "ATmega8HVA", "ATmega32HVB", "AT90PWM81"}) {
        const FuseLayout& layout = fuseLayoutOf(device(name));
        for (int k = 0; k < layout.fuseBitCount; ++k)
            EXPECT_EQ(layout.fuseWarning[static_cast<std::size_t>(k)] != 0,
                      std::string(layout.fuseBitName[static_cast<std::size_t>(k)]) == "SPIEN")
                << name << " bit " << k;
    }
    // The 329 family keeps its own layout.
    EXPECT_EQ(device("ATmega329/3290").fuseLayout, 33);
}

TEST(CorrectedRows, ChipsWithoutABootSectionOfferNoBootLockBits)
{
    for (const char* name : {"ATtiny2313", "ATmega48/48P/48PA", "ATtiny24/24A", "ATtiny84", "ATtiny25", "ATtiny85",
                             "ATtiny261/261A", "ATtiny48", "ATtiny88", "ATmega8HVA"})
        EXPECT_EQ(fuseLayoutOf(device(name)).bootLockCount, 0) << name;
    EXPECT_EQ(fuseLayoutOf(device("ATmega88/88P/88PA")).bootLockCount, 4);
}

TEST(CorrectedRows, EepromWriteTimesCoverTheChipsWriteCycle)
{
    EXPECT_EQ(device("ATmega8/8A").eepromWriteTiming, 192);     // 9 ms
    EXPECT_EQ(device("ATmega128/128A").eepromWriteTiming, 185); // 10 ms
    EXPECT_EQ(device("ATmega128RFA1").eepromWriteTiming, 164);  // 13 ms
}

} // namespace
} // namespace quorva
