#include <gtest/gtest.h>

#include "base/messages.h"
#include "catalogue/device_lookup.h"
#include "catalogue/lock_fuse.h"

namespace quorva {
namespace {

const FuseLayout& layoutOf(const char* name)
{
    return fuseLayoutOf(deviceTable[static_cast<std::size_t>(findByName(name))]);
}

// Sets the fuse bits whose chip bit is 0 in each of the given fuse bytes.
LockFuseState fromFuseBytes(std::initializer_list<std::uint8_t> bytes)
{
    LockFuseState state;
    int k = 0;
    for (std::uint8_t byte : bytes)
        for (int bit = 0; bit < 8; ++bit, ++k)
            state.fuse[static_cast<std::size_t>(k)] = (byte & (1 << bit)) == 0;
    return state;
}

TEST(FuseEncoding, Atmega8FusesRoundTrip)
{
    const FuseLayout& layout = layoutOf("ATmega8");
    const LockFuseState wanted = fromFuseBytes({0xE1, 0xD9});
    EXPECT_EQ(encodeFuseWrite(layout, 0, wanted), (Instruction{0xAC, 0xA0, 0xFF, 0xE1}));
    EXPECT_EQ(encodeFuseWrite(layout, 1, wanted), (Instruction{0xAC, 0xA8, 0xFF, 0xD9}));

    EXPECT_EQ(fuseReadOrder(layout), (std::vector<int>{0, 1}));
    LockFuseState read;
    decodeFuseAnswer(layout, 0, 0xE1, read);
    decodeFuseAnswer(layout, 1, 0xD9, read);
    EXPECT_EQ(read.fuse, wanted.fuse);
}

TEST(FuseEncoding, UnusedChipBitsStayUnprogrammed)
{
    // ATtiny13: 13 bits, so the high byte's bits 5..7 belong to no fuse bit.
    const FuseLayout& layout = layoutOf("ATtiny13");
    LockFuseState all;
    all.fuse.fill(true);
    EXPECT_EQ(encodeFuseWrite(layout, 1, all), (Instruction{0xAC, 0xA8, 0xFF, 0xE0}));
}

TEST(FuseEncoding, DeviatingLayouts)
{
    LockFuseState all;
    all.fuse.fill(true);
    // ATmega162's extended byte carries its four bits at 1..4.
    EXPECT_EQ(encodeFuseWrite(layoutOf("ATmega162"), 2, all), (Instruction{0xAC, 0xA4, 0xFF, 0xE1}));
    EXPECT_EQ(encodeFuseWrite(layoutOf("ATmega88"), 1, all), (Instruction{0xAC, 0xA8, 0x00, 0x00}));
    EXPECT_EQ(encodeFuseWrite(layoutOf("ATmega640"), 2, LockFuseState{}), (Instruction{0xAC, 0xA4, 0x00, 0xFF}));

    // AT89S8253: fuse bit k at bit k of byte 1.
    const FuseLayout& s8253 = layoutOf("AT89S8253");
    LockFuseState serialOnly;
    serialOnly.fuse[0] = true;
    EXPECT_EQ(encodeFuseWrite(s8253, 0, serialOnly), (Instruction{0xAC, 0x1E, 0xFF, 0xFF}));
    LockFuseState read;
    decodeFuseAnswer(s8253, 0, 0xF6, read);   // bits 0 and 3 programmed
    EXPECT_TRUE(read.fuse[0]);
    EXPECT_FALSE(read.fuse[1]);
    EXPECT_FALSE(read.fuse[2]);
    EXPECT_TRUE(read.fuse[3]);
}

TEST(FuseEncoding, Layout38BitsBeyondTheSecondByteAreNeverCarried)
{
    const FuseLayout& layout = layoutOf("AT90PWM216");
    EXPECT_EQ(fuseByteCount(layout), 2);
    EXPECT_EQ(fuseReadOrder(layout), (std::vector<int>{0, 1}));
    LockFuseState read;
    for (int j : fuseReadOrder(layout))
        decodeFuseAnswer(layout, j, 0x00, read);
    for (int k = 0; k < 16; ++k)
        EXPECT_TRUE(read.fuse[static_cast<std::size_t>(k)]) << k;
    for (int k = 16; k < 24; ++k)
        EXPECT_FALSE(read.fuse[static_cast<std::size_t>(k)]) << k;
}

TEST(FuseDecoding, FusesFromTheLockAnswer)
{
    FuseLayout layout = layoutOf("ATmega8");
    EXPECT_FALSE(fusesFromLockAnswer(layout));
    layout.fuseReadPresent = 0;
    EXPECT_TRUE(fusesFromLockAnswer(layout));
    EXPECT_TRUE(fuseReadOrder(layout).empty());
    LockFuseState state;
    decodeFuseAnswer(layout, 0, 0xFE, state);   // the lock answer, first read table
    EXPECT_TRUE(state.fuse[0]);
    EXPECT_FALSE(state.fuse[1]);
    EXPECT_FALSE(state.fuse[8]);
}

TEST(LockEncoding, AvrModesAndBootLockBits)
{
    const FuseLayout& layout = layoutOf("ATmega8");
    LockFuseState state;
    EXPECT_FALSE(avrLockWriteNeeded(state));
    EXPECT_EQ(encodeAvrLockWrite(layout, state), (Instruction{0xAC, 0xFF, 0xFF, 0xFF}));
    state.lockMode = 1;
    EXPECT_EQ(encodeAvrLockWrite(layout, state)[3], 0xFE);
    state.lockMode = 2;
    EXPECT_EQ(encodeAvrLockWrite(layout, state)[3], 0xFC);
    LockFuseState mode3 = state;
    mode3.lockMode = 3;
    EXPECT_EQ(encodeAvrLockWrite(layout, mode3), encodeAvrLockWrite(layout, state));

    LockFuseState bootOnly;
    bootOnly.bootLock[0] = true;   // BLB01, bit 2
    bootOnly.bootLock[3] = true;   // BLB12, bit 5
    EXPECT_TRUE(avrLockWriteNeeded(bootOnly));
    EXPECT_EQ(encodeAvrLockWrite(layout, bootOnly)[3], 0xDB);
    EXPECT_EQ(encodeAvrLockWrite(layoutOf("ATmega640"), bootOnly), (Instruction{0xAC, 0xE0, 0x00, 0xDB}));

    // ATtiny13 has no boot-lock bits: stray entries do not reach the chip.
    EXPECT_EQ(encodeAvrLockWrite(layoutOf("ATtiny13"), bootOnly)[3], 0xFF);
}

TEST(LockEncoding, At89s8253Modes)
{
    const FuseLayout& layout = layoutOf("AT89S8253");
    EXPECT_EQ(encodeAt89s8253LockWrite(layout, 0), (Instruction{0xAC, 0xE7, 0xFF, 0xFF}));
    EXPECT_EQ(encodeAt89s8253LockWrite(layout, 1)[1], 0xE6);
    EXPECT_EQ(encodeAt89s8253LockWrite(layout, 2)[1], 0xE4);
    EXPECT_EQ(encodeAt89s8253LockWrite(layout, 3)[1], 0xE0);
}

TEST(LockEncoding, At89sStepsOneInstructionPerLevel)
{
    const FuseLayout& s51 = layoutOf("AT89S51");
    EXPECT_TRUE(encodeAt89sLockSteps(s51, 0).empty());
    EXPECT_EQ(encodeAt89sLockSteps(s51, 3), (std::vector<Instruction>{{0xAC, 0xE1, 0x00, 0xFF},
                                                                      {0xAC, 0xE2, 0x00, 0xFF},
                                                                      {0xAC, 0xE3, 0x00, 0xFF}}));
    EXPECT_EQ(encodeAt89sLockSteps(layoutOf("AT89S2051"), 1), (std::vector<Instruction>{{0xAC, 0xFF, 0xFF, 0xFF}}));
    // A damaged lock mode must not OR stray bits into the opcode.
    EXPECT_TRUE(encodeAt89sLockSteps(s51, 9).empty());
    EXPECT_TRUE(encodeAt89sLockSteps(s51, -1).empty());
}

TEST(LockDecoding, AvrAnswers)
{
    const FuseLayout& layout = layoutOf("ATmega8");
    LockFuseState state;
    EXPECT_TRUE(decodeAvrLock(layout, 0xFF, state));
    EXPECT_EQ(state.lockMode, 0);
    EXPECT_TRUE(decodeAvrLock(layout, 0xFE, state));
    EXPECT_EQ(state.lockMode, 1);
    EXPECT_TRUE(decodeAvrLock(layout, 0xFC, state));
    EXPECT_EQ(state.lockMode, 2);

    // LB2 without LB1: the caller warns, the setting reads as not locked.
    state.lockMode = 2;
    EXPECT_FALSE(decodeAvrLock(layout, 0xFD, state));
    EXPECT_EQ(state.lockMode, 0);

    EXPECT_TRUE(decodeAvrLock(layout, 0xDB, state));   // BLB01 and BLB12 programmed
    EXPECT_EQ(state.bootLock[0], true);
    EXPECT_EQ(state.bootLock[1], false);
    EXPECT_EQ(state.bootLock[2], false);
    EXPECT_EQ(state.bootLock[3], true);
}

TEST(LockDecoding, At89sAnswers)
{
    EXPECT_EQ(decodeAt89s8253Lock(0xF8), 3);
    EXPECT_EQ(decodeAt89s8253Lock(0xFC), 2);
    EXPECT_EQ(decodeAt89s8253Lock(0xFE), 1);
    EXPECT_EQ(decodeAt89s8253Lock(0xFF), 0);
    EXPECT_EQ(decodeAt89s8253Lock(0x02), 0);   // binary ...010 is no level

    EXPECT_EQ(decodeAt89s5xLock(0x1C), 3);
    EXPECT_EQ(decodeAt89s5xLock(0x10), 3);
    EXPECT_EQ(decodeAt89s5xLock(0x0C), 2);
    EXPECT_EQ(decodeAt89s5xLock(0x04), 1);
    EXPECT_EQ(decodeAt89s5xLock(0xE3), 0);
}

TEST(LockCaptions, ByProtocol)
{
    setRussianUi(false);
    EXPECT_EQ(lockModeCaptionId(ProtocolAvr, 0), 1006);
    EXPECT_EQ(lockModeCaptionId(ProtocolAvr, 3), 1009);
    EXPECT_EQ(lockModeCaptionId(ProtocolAt89s, 0), 1010);
    EXPECT_EQ(lockModeCaptionId(ProtocolAt89s8253, 3), 1013);
    EXPECT_EQ(lockModeCaptionId(ProtocolAvr, 4), 0);
    EXPECT_STREQ(lockModeCaption(ProtocolAvr, 2), "LB1+LB2: R&&W protect");
    EXPECT_STREQ(lockModeCaption(ProtocolAt89s, 3), "LB1+LB2+LB3");
    EXPECT_STREQ(lockModeCaption(ProtocolAvr, -1), "");
}

} // namespace
} // namespace quorva
