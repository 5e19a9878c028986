#include "rig.h"

#include "at25_chip.h"
#include "serial_flash_chip.h"

namespace quorva::sim::test {
namespace {

// SpiWrite as the AT25 algorithm sends it: two single bytes.
void spiWrite(Rig& rig, std::uint8_t byte)
{
    rig.send({0x36});
    rig.send({byte});
    EXPECT_EQ(rig.read(1), Bytes{0x0D});
}

void select(Rig& rig) { EXPECT_EQ(rig.ask({0x39}, 1), Bytes{0x0D}); }
void deselect(Rig& rig) { EXPECT_EQ(rig.ask({0x38}, 1), Bytes{0x0D}); }

void enterAt25(Rig& rig)
{
    rig.handshake(0);
    rig.ask({0x2B}, 1);
    rig.ask({0x33, 0xAC, 0x53, 0x00}, 1);
    select(rig);
    rig.clock.sleepMs(5);
    deselect(rig);
    rig.clock.sleepMs(5);
}

void at25WritePage(Rig& rig, std::uint16_t address, const Bytes& data)
{
    select(rig);
    spiWrite(rig, 0x06);
    deselect(rig);
    select(rig);
    spiWrite(rig, 0x02);
    spiWrite(rig, static_cast<std::uint8_t>(address >> 8));
    spiWrite(rig, static_cast<std::uint8_t>(address));
    for (std::uint8_t b : data)
        spiWrite(rig, b);
    deselect(rig);
    select(rig);
    spiWrite(rig, 0x04);
    deselect(rig);
}

Bytes at25Read(Rig& rig, std::uint16_t address, std::size_t count)
{
    select(rig);
    spiWrite(rig, 0x03);
    spiWrite(rig, static_cast<std::uint8_t>(address >> 8));
    spiWrite(rig, static_cast<std::uint8_t>(address));
    Bytes out;
    for (std::size_t i = 0; i < count; ++i) {
        const Bytes b = rig.ask({0x37}, 1);
        out.insert(out.end(), b.begin(), b.end());
    }
    deselect(rig);
    return out;
}

std::uint8_t status(Rig& rig)
{
    select(rig);
    spiWrite(rig, 0x05);
    const Bytes b = rig.ask({0x37}, 1);
    deselect(rig);
    return b.empty() ? 0 : b[0];
}

TEST(At25Chip, WritesPagesReadsBackAndWrapsAtItsSize)
{
    Rig rig("AT25128");
    enterAt25(rig);
    at25WritePage(rig, 0x0040, {1, 2, 3, 4});
    EXPECT_EQ(at25Read(rig, 0x0040, 4), (Bytes{1, 2, 3, 4}));
    // A 16 KB part: 4040h is 0040h again.
    EXPECT_EQ(at25Read(rig, 0x4040, 2), (Bytes{1, 2}));
    // Data past the page end wraps to the page start.
    at25WritePage(rig, 0x007E, {0xA, 0xB, 0xC});
    auto& memory = dynamic_cast<At25Chip&>(rig.box.chip()).memory();
    EXPECT_EQ(memory[0x7E], 0xA);
    EXPECT_EQ(memory[0x7F], 0xB);
    EXPECT_EQ(memory[0x40], 0xC);
    EXPECT_EQ(rig.ask({0x2D}, 1), Bytes{0x0D});
    rig.expectNoViolations();
}

TEST(At25Chip, NeedsWriteEnableAndTimeForItsWriteCycle)
{
    Rig rig("AT25256");
    enterAt25(rig);
    // No write enable: nothing happens.
    select(rig);
    spiWrite(rig, 0x02);
    spiWrite(rig, 0x00);
    spiWrite(rig, 0x00);
    spiWrite(rig, 0x55);
    deselect(rig);
    EXPECT_EQ(at25Read(rig, 0, 1), Bytes{0xFF});
    // Write enable takes effect at deselect, also through ReleaseTarget.
    select(rig);
    spiWrite(rig, 0x06);
    rig.ask({0x2D}, 1);
    EXPECT_EQ(status(rig) & 0x02, 0x02);

    // At 921600 baud the next page's write enable comes inside the 5 ms cycle.
    rig.goFast();
    deselect(rig);
    at25WritePage(rig, 0x0000, {0x11});
    EXPECT_EQ(status(rig) & 0x01, 0x01);
    at25WritePage(rig, 0x0040, {0x22});
    rig.clock.sleepMs(6);
    EXPECT_EQ(at25Read(rig, 0x0000, 1), Bytes{0x11});
    EXPECT_EQ(at25Read(rig, 0x0040, 1), Bytes{0xFF});
}

SerialFlashChip& flashChip(Rig& rig)
{
    return dynamic_cast<SerialFlashChip&>(rig.box.chip());
}

// One command and its one-byte reply, sent as one block.
Bytes cmd(Rig& rig, const Bytes& bytes)
{
    return rig.ask(bytes, 1);
}

std::uint8_t at26Status(Rig& rig)
{
    cmd(rig, {0x38});
    cmd(rig, {0x39});
    cmd(rig, {0x36, 0x05});
    const Bytes s = cmd(rig, {0x37});
    cmd(rig, {0x38});
    return s.empty() ? 0 : s[0];
}

void at26Erase(Rig& rig)
{
    for (const Bytes& c : {Bytes{0x38}, Bytes{0x39}, Bytes{0x36, 0x06}, Bytes{0x38}, Bytes{0x39}, Bytes{0x36, 0x01},
                           Bytes{0x36, 0x00}, Bytes{0x38}, Bytes{0x39}})
        EXPECT_EQ(cmd(rig, c), Bytes{0x0D});
    at26Status(rig);
    for (const Bytes& c : {Bytes{0x38}, Bytes{0x39}, Bytes{0x36, 0x06}, Bytes{0x38}, Bytes{0x39}, Bytes{0x36, 0xC7}})
        EXPECT_EQ(cmd(rig, c), Bytes{0x0D});
    rig.clock.sleepMs(10000);
    cmd(rig, {0x38});
}

// Page program as the AT26 algorithm sends it; returns the busy polls seen
// before and after.
std::pair<int, int> at26Program(Rig& rig, std::uint32_t address, const Bytes& page)
{
    cmd(rig, {0x39});
    cmd(rig, {0x36, 0x06});
    cmd(rig, {0x38});
    int before = 0;
    while (at26Status(rig) & 0x01)
        ++before;
    cmd(rig, {0x39});
    rig.send({0x30, 0x01, 0x04, 0x02, static_cast<std::uint8_t>(address >> 16),
              static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)});
    EXPECT_EQ(rig.ask(page, 1), Bytes{0x0D});
    cmd(rig, {0x38});
    int after = 0;
    while (at26Status(rig) & 0x01)
        ++after;
    return {before, after};
}

TEST(SerialFlashChip, IdentifiesItself)
{
    Rig rig("AT26DF081A");
    rig.handshake(0);
    for (const Bytes& c : {Bytes{0x38}, Bytes{0x39}, Bytes{0x38}, Bytes{0x39}, Bytes{0x36, 0x9F}})
        cmd(rig, c);
    Bytes id;
    for (int i = 0; i < 4; ++i)
        id.push_back(cmd(rig, {0x37})[0]);
    EXPECT_EQ(id, (Bytes{0x1F, 0x45, 0x01, 0x00}));
}

TEST(SerialFlashChip, ProtectedAtPowerUpUntilTheEraseUnprotects)
{
    Rig rig("AT26DF081A");
    rig.handshake(0);
    cmd(rig, {0x38});
    EXPECT_EQ(at26Status(rig) & 0x0C, 0x0C);
    at26Program(rig, 0, repeat(0x00, 256));
    EXPECT_EQ(flashChip(rig).memory()[0], 0xFF);
    EXPECT_EQ(at26Status(rig) & 0x20, 0x20) << "program error";
    at26Erase(rig);
    // C7 takes effect at the deselect after the wait: the chip is busy now.
    const std::uint8_t afterErase = at26Status(rig);
    EXPECT_EQ(afterErase & 0x0C, 0x00);
    EXPECT_EQ(afterErase & 0x01, 0x01);
    while (at26Status(rig) & 0x01) {
    }
    Bytes page(256);
    for (int i = 0; i < 256; ++i)
        page[i] = static_cast<std::uint8_t>(i);
    const auto [before, after] = at26Program(rig, 0x100, page);
    EXPECT_EQ(before, 0);
    // The 1.5 ms of a page program are over before a status read has
    // crossed the line at 19200 baud.
    EXPECT_EQ(after, 0);
    // Read array 0B with its dummy byte, in one 512-byte block.
    cmd(rig, {0x38});
    cmd(rig, {0x39});
    EXPECT_EQ(rig.ask({0x30, 0x00, 0x05, 0x0B, 0x00, 0x00, 0x00, 0x00}, 1), Bytes{0x0D});
    const Bytes data = rig.ask({0x31, 0x02, 0x00}, 513);
    ASSERT_EQ(data.size(), 513u);
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 256), repeat(0xFF, 256));
    EXPECT_EQ(Bytes(data.begin() + 256, data.begin() + 512), page);
    EXPECT_EQ(data[512], 0x0D);
    cmd(rig, {0x38});
    // Programming again without erase only clears bits.
    at26Program(rig, 0x100, repeat(0x0F, 256));
    EXPECT_EQ(flashChip(rig).memory()[0x1FF], 0x0F);
    rig.expectNoViolations();
}

TEST(SerialFlashChip, WriteEnableDuringBusyIsLost)
{
    Rig rig("AT26F004");
    flashChip(rig).setSectorsProtected(false);
    flashChip(rig).setBusyPolls(12);
    rig.handshake(0);
    cmd(rig, {0x38});
    cmd(rig, {0x39});
    cmd(rig, {0x36, 0x06});
    cmd(rig, {0x38});
    cmd(rig, {0x39});
    rig.ask({0x30, 0x00, 0x05, 0x02, 0x00, 0x00, 0x00, 0x12}, 1);
    cmd(rig, {0x38});
    // The next page's write enable arrives while busy and is lost; its
    // program then does nothing, as a PC that saw more than 10 busy polls
    // must assume.
    const auto [before, after] = at26Program(rig, 0x100, repeat(0x34, 256));
    EXPECT_EQ(before, 12);
    EXPECT_EQ(after, 0);
    EXPECT_EQ(flashChip(rig).memory()[0], 0x12);
    EXPECT_EQ(flashChip(rig).memory()[0x100], 0xFF);
}

} // namespace
} // namespace quorva::sim::test
