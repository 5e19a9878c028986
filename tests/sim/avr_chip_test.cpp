#include "rig.h"

#include "avr_chip.h"

namespace quorva::sim::test {
namespace {

AvrChip& avr(Rig& rig)
{
    return dynamic_cast<AvrChip&>(rig.box.chip());
}

// WriteFlash of one page in quarters, then 4D and 4C for its word address.
void writePage(Rig& rig, std::uint32_t address, const Bytes& page)
{
    const std::size_t quarter = page.size() / 4;
    for (std::size_t q = 0; q < 4; ++q) {
        rig.send({0x7B});
        rig.send({static_cast<std::uint8_t>(quarter)});
        rig.send(Bytes(page.begin() + q * quarter, page.begin() + (q + 1) * quarter));
        ASSERT_EQ(rig.read(1), Bytes{0x0D});
    }
    rig.ask({0x34, 0x4D, 0x00, static_cast<std::uint8_t>(address >> 17), 0x00}, 1);
    EXPECT_EQ(rig.ask({0x34, 0x4C, static_cast<std::uint8_t>(address >> 9), static_cast<std::uint8_t>(address >> 1),
                       0x00},
                      1),
              Bytes{0x0D});
    rig.clock.sleepMs(15);
}

Bytes readBlock(Rig& rig, std::uint32_t block, bool loadExtended = true)
{
    if (loadExtended)
        rig.ask({0x34, 0x4D, 0x00, static_cast<std::uint8_t>(block >> 11), 0x00}, 1);
    return rig.ask({0x7D, 64}, 64);
}

TEST(AvrChip, FullConnectionReadsSignatureAndCalibration)
{
    Rig rig("ATmega8");
    rig.enterAvr();
    EXPECT_EQ((Bytes{rig.spiRead4(0x30, 0x00, 0x00), rig.spiRead4(0x30, 0x00, 0x01), rig.spiRead4(0x30, 0x00, 0x02)}),
              (Bytes{0x1E, 0x93, 0x07}));
    for (std::uint8_t i = 0; i < 4; ++i)
        EXPECT_NE(rig.spiRead4(0x38, 0x00, i), 0xFF) << "calibration byte " << int(i);
    EXPECT_EQ(rig.ask({0x2D}, 1), Bytes{0x0D});
    EXPECT_EQ(rig.ask({0x23, 0x00, 0x82, 0x00}, 1), Bytes{0x0D});
    // Released, the part runs its application and no longer answers.
    EXPECT_EQ(rig.spiRead4(0x30, 0x00, 0x00), 0xFF);
    rig.expectNoViolations();
}

TEST(AvrChip, ProgrammingNeedsTheEnableInstruction)
{
    Rig rig("ATtiny2313");
    rig.handshake(0);
    rig.ask({0x2A}, 1);
    EXPECT_EQ(rig.spiRead4(0x30, 0x00, 0x01), 0x01) << "echo only before programming enable";
    rig.spi4(0xAC, 0x53, 0x00, 0x00);
    EXPECT_EQ(rig.spiRead4(0x30, 0x00, 0x01), 0x91);
}

TEST(AvrChip, PageModeSkipsABlankPageAndCommitsByPageAddress)
{
    Rig rig("ATmega8"); // 64-byte pages
    rig.enterAvr();
    EXPECT_EQ(rig.ask({0x57, 220}, 1), Bytes{0x0D});
    rig.send({0x3A});
    rig.send({0x00});
    rig.send({0x00});
    EXPECT_EQ(rig.read(1), Bytes{0x0D});
    Bytes page0(64), page2(64);
    for (int i = 0; i < 64; ++i) {
        page0[i] = static_cast<std::uint8_t>(i);
        page2[i] = static_cast<std::uint8_t>(0xA0 + i);
    }
    writePage(rig, 0, page0);
    // Page 1 is all 0xFF and is not sent: the running address stays behind,
    // yet a page load only uses the word's place within the page.
    writePage(rig, 128, page2);
    const auto& flash = avr(rig).flash();
    EXPECT_EQ(Bytes(flash.begin(), flash.begin() + 64), page0);
    EXPECT_EQ(Bytes(flash.begin() + 64, flash.begin() + 128), repeat(0xFF, 64));
    EXPECT_EQ(Bytes(flash.begin() + 128, flash.begin() + 192), page2);
    EXPECT_EQ(rig.box.runningAddress(), 128u);
    rig.expectNoViolations();
}

TEST(AvrChip, FlashCellsOnlyClearUntilErased)
{
    Rig rig("ATmega8");
    rig.enterAvr();
    rig.ask({0x57, 220}, 1);
    writePage(rig, 0, repeat(0xF0, 64));
    rig.ask({0x3A, 0x00, 0x00}, 1);
    writePage(rig, 0, repeat(0x3C, 64));
    EXPECT_EQ(avr(rig).flash()[10], 0x30);
    rig.spi4(0xAC, 0x80, 0x04, 0x00);
    rig.clock.sleepMs(10);
    EXPECT_EQ(avr(rig).flash()[10], 0xFF);
}

TEST(AvrChip, InstructionsDuringAWriteAreLostAndReported)
{
    Rig rig("ATmega8"); // page write 4.5 ms
    rig.enterAvr();
    rig.goFast();
    rig.spi4(0x40, 0x00, 0x00, 0x11);
    rig.spi4(0x4C, 0x00, 0x00, 0x00);
    // Polling right away sees 0xFF and Poll RDY/BSY busy; a page load now is
    // lost, and the box reports the PC that sent it.
    EXPECT_EQ(rig.spiRead4(0x20, 0x00, 0x00), 0xFF);
    EXPECT_EQ(rig.spiRead4(0xF0, 0x00, 0x00) & 0x01, 0x01);
    rig.spi4(0x40, 0x00, 0x20, 0x22);
    const auto refused = rig.box.violations();
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].kind, ViolationKind::WriteWhileBusy);
    rig.clock.sleepMs(5);
    EXPECT_EQ(rig.spiRead4(0xF0, 0x00, 0x00) & 0x01, 0x00);
    EXPECT_EQ(rig.spiRead4(0x20, 0x00, 0x00), 0x11);
    rig.spi4(0x4C, 0x00, 0x20, 0x00);
    rig.clock.sleepMs(5);
    EXPECT_EQ(rig.spiRead4(0x20, 0x00, 0x20), 0xFF) << "the load during the write never reached the buffer";

    // A part without Poll RDY/BSY echoes, which reads as ready while it writes.
    Rig old("AT86RF401"); // byte write 4 ms
    old.enterAvr(0);
    old.goFast();
    old.spi4(0x40, 0x00, 0x00, 0x11);
    EXPECT_EQ(old.spiRead4(0xF0, 0x00, 0x00) & 0x01, 0x00);
    EXPECT_EQ(old.spiRead4(0x20, 0x00, 0x00), 0xFF);
}

TEST(AvrChip, ReadsAboveOneHundredTwentyEightKilobytesFollowTheExtendedAddress)
{
    Rig rig("ATmega256x");
    auto& flash = avr(rig).flash();
    for (std::size_t i = 0; i < 64; ++i) {
        flash[i] = static_cast<std::uint8_t>(i);
        flash[0x20000 + i] = static_cast<std::uint8_t>(0x80 + i);
    }
    rig.enterAvr();
    rig.ask({0x57, 220}, 1);
    EXPECT_EQ(readBlock(rig, 0), Bytes(flash.begin(), flash.begin() + 64));
    for (std::uint32_t block = 1; block < 2048; ++block)
        readBlock(rig, block);
    EXPECT_EQ(rig.box.runningAddress(), 0x20000u);
    EXPECT_EQ(readBlock(rig, 2048), Bytes(flash.begin() + 0x20000, flash.begin() + 0x20040));

    // A PC that keeps 4D at 0 (or never sends it) reads the lower half again.
    Rig forgetful("ATmega2560");
    auto& flash2 = avr(forgetful).flash();
    std::copy(flash.begin(), flash.end(), flash2.begin());
    forgetful.enterAvr();
    forgetful.ask({0x57, 220}, 1);
    for (std::uint32_t block = 0; block < 2048; ++block)
        forgetful.ask({0x7D, 64}, 64);
    EXPECT_EQ(forgetful.ask({0x7D, 64}, 64), Bytes(flash.begin(), flash.begin() + 64));
}

TEST(AvrChip, PageWriteAboveOneHundredTwentyEightKilobytesUsesTheExtendedByte)
{
    Rig rig("ATmega2560");
    rig.enterAvr();
    rig.spi4(0x40, 0x00, 0x00, 0x5A);
    rig.spi4(0x4D, 0x00, 0x01, 0x00);
    rig.spi4(0x4C, 0x00, 0x00, 0x00);
    EXPECT_EQ(avr(rig).flash()[0x20000], 0x5A);
    EXPECT_EQ(avr(rig).flash()[0], 0xFF);
    // Parts up to 128 KB ignore 4D.
    Rig small("ATmega128");
    small.enterAvr();
    small.spi4(0x40, 0x00, 0x00, 0x5A);
    small.spi4(0x4D, 0x00, 0x01, 0x00);
    small.spi4(0x4C, 0x00, 0x00, 0x00);
    EXPECT_EQ(avr(small).flash()[0], 0x5A);
}

TEST(AvrChip, EepromBytesNeedTheirWriteTimeOrPolling)
{
    const Bytes data{1, 2, 3, 4, 5, 6, 7, 8};
    {
        Rig rig("ATmega8"); // 9 ms per Eeprom byte
        rig.enterAvr();
        rig.ask({0x57, 192}, 1); // 9 ms per byte
        rig.send({0x3E, 8});
        EXPECT_EQ(rig.ask(data, 1), Bytes{0x0D});
        EXPECT_EQ(Bytes(avr(rig).eeprom().begin(), avr(rig).eeprom().begin() + 8), data);
    }
    {
        Rig rig("ATmega8");
        rig.enterAvr();
        rig.ask({0x57, 220}, 1); // 5 ms: every second byte arrives while the part is busy
        rig.send({0x3E, 8});
        EXPECT_EQ(rig.ask(data, 1), Bytes{0x0D});
        EXPECT_EQ(Bytes(avr(rig).eeprom().begin(), avr(rig).eeprom().begin() + 4), (Bytes{1, 0xFF, 3, 0xFF}));
    }
    {
        Rig rig("ATmega8");
        rig.enterAvr();
        rig.ask({0x23, 0x00, 0x82, 0x01}, 1); // polling on
        rig.ask({0x57, 220}, 1);
        rig.send({0x3E, 8});
        EXPECT_EQ(rig.ask(data, 1), Bytes{0x0D});
        EXPECT_EQ(Bytes(avr(rig).eeprom().begin(), avr(rig).eeprom().begin() + 8), data);
        rig.ask({0x3A, 0x00, 0x00}, 1);
        rig.ask({0x57, 220}, 1);
        EXPECT_EQ(rig.ask({0x3C, 8}, 8), data);
    }
}

TEST(AvrChip, FusesAndLockBitsOfTheStandardLayout)
{
    Rig rig("ATmega8");
    rig.enterAvr();
    EXPECT_EQ(rig.spiRead4(0x50, 0x00, 0x00), 0xE1);
    EXPECT_EQ(rig.spiRead4(0x58, 0x08, 0x00), 0xD9);
    rig.spi4(0xAC, 0xA0, 0xFF, 0xE4);
    rig.clock.sleepMs(5);
    rig.spi4(0xAC, 0xA8, 0xFF, 0xC9);
    rig.clock.sleepMs(5);
    EXPECT_EQ(rig.spiRead4(0x50, 0x00, 0x00), 0xE4);
    EXPECT_EQ(rig.spiRead4(0x58, 0x08, 0x00), 0xC9);
    // LB1 and BLB01: write protection.
    rig.spi4(0xAC, 0xFF, 0xFF, 0xFA);
    rig.clock.sleepMs(40);
    EXPECT_EQ(rig.spiRead4(0x58, 0x00, 0x00), 0xFA);
    rig.spi4(0xAC, 0xA0, 0xFF, 0x00);
    rig.spi4(0x40, 0x00, 0x00, 0x00);
    rig.spi4(0x4C, 0x00, 0x00, 0x00);
    rig.clock.sleepMs(10);
    EXPECT_EQ(rig.spiRead4(0x50, 0x00, 0x00), 0xE4) << "fuses are locked too";
    EXPECT_EQ(rig.spiRead4(0x20, 0x00, 0x00), 0xFF);
    // Lock bits only ever get programmed: an "unlock" write changes nothing.
    rig.spi4(0xAC, 0xE0, 0x00, 0xFF);
    rig.clock.sleepMs(10);
    EXPECT_EQ(rig.spiRead4(0x58, 0x00, 0x00), 0xFA);
}

TEST(AvrChip, LayoutsDifferInWhereTheBitsLive)
{
    {
        // ATtiny26 keeps its two lock bits in byte 1: AC FF FF FC programs nothing.
        Rig rig("ATtiny26");
        rig.enterAvr(0);
        rig.spi4(0xAC, 0xFF, 0xFF, 0xFC);
        rig.clock.sleepMs(10);
        EXPECT_EQ(rig.spiRead4(0x58, 0x00, 0x00) & 0x03, 0x03);
        rig.spi4(0xAC, 0xFC, 0xFF, 0xFF);
        rig.clock.sleepMs(10);
        EXPECT_EQ(rig.spiRead4(0x58, 0x00, 0x00) & 0x03, 0x00);
        EXPECT_EQ(rig.spiRead4(0x30, 0x00, 0x00), 0x00) << "locked: the signature reads as its address";
    }
    {
        // ATmega162: extended fuse bits 1..4 only; the others read 1.
        Rig rig("ATmega162");
        rig.enterAvr();
        rig.spi4(0xAC, 0xA4, 0xFF, 0x00);
        rig.clock.sleepMs(20);
        EXPECT_EQ(rig.spiRead4(0x50, 0x08, 0x00), 0xE1);
    }
    {
        // ATtiny2313 has no boot-lock bits: they read back unprogrammed.
        Rig rig("ATtiny2313");
        rig.enterAvr(0);
        rig.spi4(0xAC, 0xFF, 0xFF, 0xC2);
        rig.clock.sleepMs(10);
        EXPECT_EQ(rig.spiRead4(0x58, 0x00, 0x00), 0xFE);
    }
    {
        // Nor has the ATmega48, which has no boot loader section.
        Rig rig("ATmega48");
        rig.enterAvr();
        rig.spi4(0xAC, 0xE0, 0xFF, 0xC2);
        rig.clock.sleepMs(10);
        EXPECT_EQ(rig.spiRead4(0x58, 0x00, 0x00), 0xFE);
    }
    {
        // ATmega16HVB: high fuse bits 5..7 do not exist; EESAVE is low fuse bit 6.
        Rig rig("ATmega16HVB");
        rig.enterAvr();
        rig.spi4(0xAC, 0xA8, 0xFF, 0x00);
        rig.clock.sleepMs(10);
        EXPECT_EQ(rig.spiRead4(0x58, 0x08, 0x00), 0xE0);
        avr(rig).eeprom()[3] = 0x42;
        rig.spi4(0xAC, 0xA0, 0xFF, 0xBF); // EESAVE programmed
        rig.clock.sleepMs(10);
        rig.spi4(0xAC, 0x80, 0x04, 0x00);
        rig.clock.sleepMs(20);
        EXPECT_EQ(rig.spiRead4(0xA0, 0x00, 0x03), 0x42);
    }
}

TEST(AvrChip, FuseWritesBackToBackAreLostAtHighSpeed)
{
    Rig rig("ATmega16"); // fuse write 9 ms
    rig.handshake(2);
    rig.ask({0x23, 0x01, 0x82, 0x00}, 1);
    rig.port.open(2, 115200);
    rig.ask({0x51}, 1);
    rig.ask({0x3D}, 1);
    // At 19200 baud an instruction and its reply take longer than the fuse write.
    rig.spi4(0xAC, 0xA0, 0xFF, 0x00);
    rig.spi4(0xAC, 0xA8, 0xFF, 0x00);
    EXPECT_EQ(rig.spiRead4(0x58, 0x08, 0x00), 0xFF) << "busy";
    rig.clock.sleepMs(10);
    EXPECT_EQ(rig.spiRead4(0x50, 0x00, 0x00), 0x00);
    EXPECT_EQ(rig.spiRead4(0x58, 0x08, 0x00), 0x99) << "the second write arrived during the first";
}

TEST(AvrChip, ChipEraseClearsLockAndKeepsEepromUnderEesave)
{
    Rig rig("ATmega8");
    avr(rig).eeprom()[3] = 0x42;
    avr(rig).flash()[3] = 0x42;
    avr(rig).setFuse(1, 0xD1); // EESAVE programmed
    avr(rig).setLockByte(0xFC);
    rig.enterAvr();
    EXPECT_EQ(rig.spiRead4(0x20, 0x00, 0x07), 0x07) << "read-protected Flash reads as its address";
    rig.spi4(0xAC, 0x80, 0x04, 0x00);
    rig.clock.sleepMs(10);
    EXPECT_EQ(rig.spiRead4(0x58, 0x00, 0x00), 0xFF);
    EXPECT_EQ(avr(rig).flash()[3], 0xFF);
    EXPECT_EQ(rig.spiRead4(0xA0, 0x00, 0x03), 0x42);
    avr(rig).setFuse(1, 0xD9);
    rig.spi4(0xAC, 0x80, 0x04, 0x00);
    rig.clock.sleepMs(10);
    EXPECT_EQ(rig.spiRead4(0xA0, 0x00, 0x03), 0xFF);
}

TEST(AvrChip, LockedChipAnswersItsAddressesAndStaysLockedWhenDamaged)
{
    BoxOptions options;
    options.faults.lockedChip = true;
    Rig rig("ATmega8", options);
    rig.enterAvr();
    EXPECT_EQ((Bytes{rig.spiRead4(0x30, 0x00, 0x00), rig.spiRead4(0x30, 0x00, 0x01), rig.spiRead4(0x30, 0x00, 0x02)}),
              (Bytes{0x00, 0x01, 0x02}));
    rig.spi4(0xAC, 0x80, 0x04, 0x00);
    rig.clock.sleepMs(10);
    EXPECT_EQ(rig.spiRead4(0x30, 0x00, 0x01), 0x93);

    BoxOptions damaged;
    damaged.faults.staysLocked = true;
    damaged.faults.lockedChip = true;
    Rig bad("ATmega8", damaged);
    bad.enterAvr();
    bad.spi4(0xAC, 0x80, 0x04, 0x00);
    bad.clock.sleepMs(10);
    EXPECT_EQ(bad.spiRead4(0x30, 0x00, 0x01), 0x01);
}

TEST(AvrChip, ATtiny26EraseSequence)
{
    Rig rig("ATtiny26");
    avr(rig).flash()[0] = 0x00;
    avr(rig).setLockByte(0xFC);
    rig.enterAvr(0);
    rig.spi4(0xAC, 0x80, 0x04, 0x00);
    rig.clock.sleepMs(7);
    rig.spi4(0x40, 0x00, 0x00, 0xFF);
    rig.send({0x34, 0xAC, 0x80, 0x04, 0x00});
    rig.clock.sleepMs(10);
    EXPECT_EQ(rig.read(1), Bytes{0x0D});
    EXPECT_EQ(avr(rig).flash()[0], 0xFF);
    EXPECT_EQ(avr(rig).lockByte() & 0x03, 0x03);
}

TEST(AvrChip, ByteModePartWritesEachFlashByte)
{
    Rig rig("AT86RF401");
    rig.enterAvr(0);
    rig.ask({0x57, 220}, 1);
    rig.send({0x7B, 4});
    EXPECT_EQ(rig.ask({0x12, 0x34, 0x56, 0x78}, 1), Bytes{0x0D});
    const auto& flash = avr(rig).flash();
    EXPECT_EQ(Bytes(flash.begin(), flash.begin() + 4), (Bytes{0x12, 0x34, 0x56, 0x78}));
}

TEST(AvrChip, AnotherPartsSignature)
{
    BoxOptions options;
    options.faults.signatureOf = "ATmega16";
    Rig rig("ATmega8", options);
    rig.enterAvr();
    EXPECT_EQ(rig.spiRead4(0x30, 0x00, 0x01), 0x94);
    EXPECT_EQ(rig.spiRead4(0x30, 0x00, 0x02), 0x03);
}

} // namespace
} // namespace quorva::sim::test
