#include "rig.h"

#include "at89_chip.h"

namespace quorva::sim::test {
namespace {

At89Chip& at89(Rig& rig)
{
    return dynamic_cast<At89Chip&>(rig.box.chip());
}

// Connection of an AT89S part: ResetHigh, then programming enable.
void enterAt89(Rig& rig, std::uint8_t connectMode, std::uint8_t sck = 0x82)
{
    rig.handshake(connectMode, sck);
    ASSERT_EQ(rig.ask({0x2B}, 1).size(), 1u);
    rig.spi4(0xAC, 0x53, 0x00, 0x00);
}

Bytes signature(Rig& rig, bool s8253)
{
    Bytes out;
    for (std::uint8_t i = 0; i < 3; ++i)
        out.push_back(s8253 ? rig.spiRead4(0x28, 0x00, 0x30 + i) : rig.spiRead4(0x28, i, 0x00));
    return out;
}

TEST(At89Chip, AT89S51WritesReadsLocksAndErases)
{
    Rig rig("AT89S51");
    enterAt89(rig, 1);
    EXPECT_EQ(signature(rig, false), (Bytes{0x1E, 0x51, 0x06}));
    EXPECT_EQ(rig.spiRead4(0x24, 0x00, 0x00) & 0x1C, 0x00);
    rig.spi4(0x40, 0x01, 0x05, 0xAB);
    rig.clock.sleepMs(12);
    EXPECT_EQ(rig.spiRead4(0x20, 0x01, 0x05), 0xAB);
    // Lock mode 3: E1, E2, E3, 250 ms apart.
    for (std::uint8_t c = 1; c <= 3; ++c) {
        rig.spi4(0xAC, static_cast<std::uint8_t>(0xE0 | c), 0xFF, 0xFF);
        rig.clock.sleepMs(250);
    }
    EXPECT_EQ(rig.spiRead4(0x24, 0x00, 0x00) & 0x1C, 0x1C);
    EXPECT_EQ(rig.spiRead4(0x20, 0x01, 0x05), 0xFF) << "verify is disabled";
    rig.spi4(0x40, 0x01, 0x06, 0x00);
    rig.clock.sleepMs(12);
    EXPECT_EQ(at89(rig).flash()[0x106], 0xFF) << "programming is disabled";
    rig.spi4(0xAC, 0x80, 0x00, 0x00);
    rig.spi4(0x40, 0x00, 0x00, 0x00);
    rig.clock.sleepMs(500);
    EXPECT_EQ(at89(rig).flash()[0], 0xFF) << "a byte written during the erase is lost";
    // ... and the box tells of the PC that wrote it.
    const auto refused = rig.box.violations();
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].kind, ViolationKind::WriteWhileBusy);
    rig.box.clearViolations();
    EXPECT_EQ(rig.spiRead4(0x24, 0x00, 0x00) & 0x1C, 0x00);
    EXPECT_EQ(rig.spiRead4(0x20, 0x01, 0x05), 0xFF);
    rig.expectNoViolations();
}

TEST(At89Chip, AT89S2051IgnoresTheAllOnesLockWrite)
{
    Rig rig("AT89S2051");
    enterAt89(rig, 3);
    EXPECT_EQ(signature(rig, false), (Bytes{0x1E, 0x23, 0xFF}));
    rig.spi4(0xAC, 0xFF, 0xFF, 0xFF);
    rig.clock.sleepMs(250);
    EXPECT_EQ(at89(rig).lockBits(), 0x07);
    rig.spi4(0xAC, 0xE1, 0xFF, 0xFF);
    rig.clock.sleepMs(250);
    EXPECT_EQ(at89(rig).lockBits(), 0x06);
    // 2 KB: address lines above A10 are not decoded.
    at89(rig).flash()[0x12] = 0x34;
    EXPECT_EQ(rig.spiRead4(0x20, 0x08, 0x12), 0x34);
}

TEST(At89Chip, AT89S8253SignatureLockFuseAndComposites)
{
    Rig rig("AT89S8253");
    enterAt89(rig, 12, 0x86);
    EXPECT_EQ(signature(rig, true), (Bytes{0x1E, 0x73, 0xFF}));
    EXPECT_EQ(signature(rig, false), (Bytes{0xFF, 0xFF, 0xFF})) << "not where this part keeps it";
    rig.spi4(0xAC, 0xE6, 0xFF, 0xFF); // mode 1
    rig.clock.sleepMs(40);
    EXPECT_EQ(rig.spiRead4(0x24, 0xFF, 0xFF) & 0x07, 0x06);
    rig.spi4(0xAC, 0x1A, 0xFF, 0xFF);
    rig.clock.sleepMs(40);
    EXPECT_EQ(rig.spiRead4(0x21, 0xFF, 0xFF), 0xFA);
    rig.spi4(0xAC, 0x80, 0x00, 0x00);
    rig.clock.sleepMs(500);
    EXPECT_EQ(rig.spiRead4(0x24, 0xFF, 0xFF) & 0x07, 0x07);

    // WriteFlash and WriteEeprom become AT89S byte writes in this mode.
    rig.ask({0x57, 80}, 1);
    rig.send({0x7B, 3});
    EXPECT_EQ(rig.ask({0x01, 0x02, 0x03}, 1), Bytes{0x0D});
    rig.ask({0x3A, 0x00, 0x00}, 1);
    rig.send({0x3E, 2});
    EXPECT_EQ(rig.ask({0x44, 0x55}, 1), Bytes{0x0D});
    EXPECT_EQ(Bytes(at89(rig).flash().begin(), at89(rig).flash().begin() + 3), (Bytes{1, 2, 3}));
    EXPECT_EQ(Bytes(at89(rig).eeprom().begin(), at89(rig).eeprom().begin() + 2), (Bytes{0x44, 0x55}));
    rig.ask({0x3A, 0x00, 0x00}, 1);
    EXPECT_EQ(rig.ask({0x3C, 2}, 2), (Bytes{0x44, 0x55}));
    // 12 KB ends at 2FFFh.
    EXPECT_EQ(rig.spiRead4(0x20, 0x30, 0x00), 0xFF);
    rig.expectNoViolations();
}

} // namespace
} // namespace quorva::sim::test
