#pragma once

#include <array>
#include <cstdint>

#include "catalogue/device_info.h"

namespace quorva {

// Where an instruction carries a bit: byte 0..3 counted from the first
// instruction byte, bit 0..7. {-1, -1} means the instruction does not carry it.
struct BitPosition {
    int byte = -1;
    int bit = -1;
    constexpr bool present() const { return byte >= 0 && bit >= 0; }
    bool operator==(const BitPosition&) const = default;
};

using Instruction = std::array<std::uint8_t, 4>;      // sent with Spi4
using ReadInstruction = std::array<std::uint8_t, 3>;  // sent with Spi4Read
using WriteMap = std::array<BitPosition, 32>;
using ReadTable = std::array<int, 32>;                // answer bit, -1 none

inline constexpr int kMaxFuseBits = 24;
inline constexpr int kFuseBytes = 3;
inline constexpr int kBootLockBits = 4;
inline constexpr int kFuseLayoutCount = 43;

constexpr ReadTable noReadBits()
{
    ReadTable table{};
    table.fill(-1);
    return table;
}

constexpr WriteMap noWriteMap()
{
    WriteMap map{};
    for (BitPosition& position : map)
        position = BitPosition{-1, -1};
    return map;
}

// Marks a fuse bit that is shown but cannot be edited.
inline constexpr const char* kEmptyFuseName = "_EMPTY_";

// Which lock, fuse and boot-lock bits a device has, their names, and where
// each sits in the programming instructions and in the chip's answers.
// Fuse byte j (0..2) is written by fuseWrite[j] and read by fuseRead[j].
struct FuseLayout {
    Instruction lockWrite{};
    WriteMap lockWriteMap = noWriteMap();                       // 0 LB1, 1 LB2, 2 LB3
    int fuseBitCount = 0;
    std::array<Instruction, kFuseBytes> fuseWrite{};
    std::array<WriteMap, kFuseBytes> fuseWriteMap{noWriteMap(), noWriteMap(), noWriteMap()};
    std::uint8_t lockReadPresent = 0;
    ReadInstruction lockRead{};
    std::array<int, 3> lockReadBit{-1, -1, -1};    // LB1, LB2, LB3
    // Zero means the fuse bits are decoded from the lock-read answer with
    // fuseReadBit[0] and no fuse read is sent.
    std::uint8_t fuseReadPresent = 0;
    std::array<ReadInstruction, kFuseBytes> fuseRead{};
    std::array<ReadTable, kFuseBytes> fuseReadBit{noReadBits(), noReadBits(), noReadBits()};
    std::array<const char*, 32> fuseBitName{};      // nullptr from fuseBitCount on
    std::array<int, 32> fuseWarning{};             // 0, +1 keep programmed, -1 keep unprogrammed
    // [0] is set whenever fuseBitCount > 0; [1] and [2] tell whether the
    // second and third fuse bytes exist (write and read).
    std::array<std::uint8_t, kFuseBytes> fuseWritePresent{};
    int bootLockCount = 0;
    std::array<int, kBootLockBits> bootLockBit{-1, -1, -1, -1};   // bit of byte 3 / answer bit
    std::array<const char*, kBootLockBits> bootLockName{};
};

// Indexed by DeviceInfo::fuseLayout; slots no device uses are empty layouts.
extern const std::array<FuseLayout, kFuseLayoutCount> fuseLayoutTable;

// The layout of a device; an empty layout for an index outside the table.
const FuseLayout& fuseLayoutOf(const DeviceInfo& device);
const FuseLayout& fuseLayoutAt(int index);

// Number of fuse bytes the layout writes (0..3).
int fuseByteCount(const FuseLayout& layout);

// Whether fuse byte j (0..2) exists.
bool fuseBytePresent(const FuseLayout& layout, int j);

} // namespace quorva
