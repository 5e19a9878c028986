#include "rig.h"

#include "dataflash_chip.h"

namespace quorva::sim::test {
namespace {

DataFlashChip& df(Rig& rig)
{
    return dynamic_cast<DataFlashChip&>(rig.box.chip());
}

Bytes cmd(Rig& rig, const Bytes& bytes)
{
    return rig.ask(bytes, 1);
}

std::uint8_t statusByte(Rig& rig)
{
    cmd(rig, {0x55});
    rig.clock.sleepMs(15);
    cmd(rig, {0x4C});
    cmd(rig, {0x36, 0xD7});
    const Bytes s = cmd(rig, {0x37});
    cmd(rig, {0x55});
    return s.empty() ? 0 : s[0];
}

Bytes identification(Rig& rig)
{
    cmd(rig, {0x4C});
    cmd(rig, {0x36, 0x9F});
    Bytes id;
    for (int i = 0; i < 4; ++i)
        id.push_back(cmd(rig, {0x37})[0]);
    cmd(rig, {0x55});
    return id;
}

// Buffer 1 write and buffer-to-page program without erase, as Program Flash sends it.
void programPage(Rig& rig, std::uint32_t page, int shift, const Bytes& data)
{
    const auto size = static_cast<std::uint16_t>(data.size());
    cmd(rig, {0x4C});
    rig.send({0x30, 0x00, 0x04, 0x84, 0x00, 0x00, 0x00});
    EXPECT_EQ(rig.read(1), Bytes{0x0D});
    rig.send({0x30, static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)});
    EXPECT_EQ(rig.ask(data, 1), Bytes{0x0D});
    cmd(rig, {0x55});
    rig.clock.sleepMs(5);
    cmd(rig, {0x4C});
    const std::uint32_t a = page << shift;
    EXPECT_EQ(rig.ask({0x30, 0x00, 0x04, 0x88, static_cast<std::uint8_t>(a >> 8), static_cast<std::uint8_t>(a), 0x00}, 1),
              Bytes{0x0D});
    cmd(rig, {0x55});
    rig.clock.sleepMs(15);
}

Bytes pattern(std::size_t size, std::uint8_t seed)
{
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i)
        b[i] = static_cast<std::uint8_t>(seed + i * 3);
    return b;
}

TEST(DataFlashChip, StatusAndIdentificationFromTheDataSheets)
{
    Rig rig("AT45DB041D");
    rig.handshake(0, 0x04);
    EXPECT_EQ(statusByte(rig), 0x9C);
    EXPECT_EQ(identification(rig), (Bytes{0x1F, 0x24, 0x00, 0x01}));
    Rig small("AT45DB011D");
    small.handshake(0, 0x04);
    EXPECT_EQ(identification(small), (Bytes{0x1F, 0x22, 0x00, 0x01}));
    EXPECT_EQ(statusByte(small), 0x8C);
}

TEST(DataFlashChip, ProgramsPagesAndReadsThemContinuously)
{
    Rig rig("AT45DB041D"); // 264-byte pages, page address from bit 9
    rig.handshake(0, 0x04);
    const Bytes p0 = pattern(264, 1), p1 = pattern(264, 7);
    programPage(rig, 0, 1, p0);
    programPage(rig, 1, 1, p1);
    EXPECT_EQ(Bytes(df(rig).memory().begin() + 264, df(rig).memory().begin() + 528), p1);
    // Continuous read 03 byte by byte at 19200: no extra acknowledgement.
    cmd(rig, {0x55});
    cmd(rig, {0x4C});
    for (std::uint8_t b : {0x03, 0x00, 0x00, 0x00})
        EXPECT_EQ(cmd(rig, {0x36, b}), Bytes{0x0D});
    Bytes both = rig.ask({0x31, 0x02, 0x10}, 529);
    ASSERT_EQ(both.size(), 529u);
    EXPECT_EQ(both.back(), 0x0D);
    EXPECT_EQ(Bytes(both.begin(), both.begin() + 264), p0);
    EXPECT_EQ(Bytes(both.begin() + 264, both.begin() + 528), p1);
    EXPECT_TRUE(rig.silent());
    cmd(rig, {0x55});
    // Without erase a second program only clears bits.
    programPage(rig, 0, 1, Bytes(264, 0x0F));
    EXPECT_EQ(df(rig).memory()[1], p0[1] & 0x0F);
    rig.expectNoViolations();
}

TEST(DataFlashChip, AnswersAByteWiseReadSetUpTwiceAt921600)
{
    Rig rig("AT45DB161D");
    rig.handshake(0, 0x04);
    rig.goFast();
    cmd(rig, {0x55});
    cmd(rig, {0x4C});
    EXPECT_EQ(cmd(rig, {0x36, 0x03}), Bytes{0x0D});
    cmd(rig, {0x36, 0x00});
    cmd(rig, {0x36, 0x00});
    EXPECT_EQ(rig.ask({0x36, 0x00}, 2), (Bytes{0x0D, 0x0D}));
    EXPECT_EQ(rig.ask({0x31, 0x00, 0x02}, 3), (Bytes{0xFF, 0xFF, 0x0D}));
    // The block form of the same set-up gets one.
    cmd(rig, {0x55});
    cmd(rig, {0x4C});
    EXPECT_EQ(rig.ask({0x30, 0x00, 0x04, 0x03, 0x00, 0x00, 0x00}, 1), Bytes{0x0D});
    EXPECT_TRUE(rig.silent());
}

TEST(DataFlashChip, LegacyReadSkipsFourDontCareBytes)
{
    Rig rig("AT45DB161D");
    df(rig).memory()[0] = 0x00;
    df(rig).memory()[528] = 0x11;
    rig.handshake(0, 0x04);
    cmd(rig, {0x6B});
    cmd(rig, {0x6C});
    EXPECT_EQ(rig.ask({0x30, 0x00, 0x08, 0xE8, 0, 0, 0, 0, 0, 0, 0}, 1), Bytes{0x0D});
    const Bytes page = rig.ask({0x31, 0x02, 0x10}, 529);
    ASSERT_EQ(page.size(), 529u);
    EXPECT_EQ(page[0], 0x00);
    EXPECT_EQ(rig.ask({0x31, 0x00, 0x01}, 2), (Bytes{0x11, 0x0D}));
}

TEST(DataFlashChip, BlockEraseClearsEightPages)
{
    Rig rig("AT45DB161D"); // 528-byte pages, k = 2
    std::fill(df(rig).memory().begin(), df(rig).memory().end(), 0x00);
    rig.handshake(0, 0x04);
    cmd(rig, {0x6B});
    for (std::uint32_t b : {0u, 8u}) {
        cmd(rig, {0x4C});
        const std::uint32_t a = b << 2;
        EXPECT_EQ(rig.ask({0x30, 0x00, 0x04, 0x50, static_cast<std::uint8_t>(a >> 8), static_cast<std::uint8_t>(a), 0x00},
                          1),
                  Bytes{0x0D});
        rig.clock.sleepMs(20);
        cmd(rig, {0x55});
        rig.clock.sleepMs(50);
    }
    const auto& m = df(rig).memory();
    EXPECT_EQ(m[0], 0xFF);
    EXPECT_EQ(m[16 * 528 - 1], 0xFF);
    EXPECT_EQ(m[16 * 528], 0x00);
}

TEST(DataFlashChip, PowerOfTwoPagesAfterThePowerCycle)
{
    Rig rig("AT45DB161D");
    rig.handshake(0, 0x04);
    cmd(rig, {0x55});
    rig.clock.sleepMs(15);
    cmd(rig, {0x4C});
    for (std::uint8_t b : {0x3D, 0x2A, 0x80, 0xA6}) {
        rig.send({0x36, b});
        rig.clock.sleepMs(15);
        EXPECT_EQ(rig.read(1), Bytes{0x0D});
    }
    cmd(rig, {0x55});
    rig.clock.sleepMs(30);
    EXPECT_EQ(statusByte(rig) & 0x01, 0x00) << "not before a power cycle";
    EXPECT_TRUE(df(rig).powerOfTwoPending());
    rig.box.powerCycle();
    rig.port.open(2, 19200);
    rig.handshake(0, 0x04);
    EXPECT_EQ(statusByte(rig), 0xAD);
    // 512-byte pages now, page address from bit 9 (k - 1 = 1).
    programPage(rig, 3, 1, pattern(512, 5));
    EXPECT_EQ(Bytes(df(rig).memory().begin() + 3 * 528, df(rig).memory().begin() + 3 * 528 + 512), pattern(512, 5));
}

} // namespace
} // namespace quorva::sim::test
