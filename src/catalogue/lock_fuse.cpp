#include "catalogue/lock_fuse.h"

#include <algorithm>

#include "base/messages.h"
#include "catalogue/catalogue_messages.h"

namespace quorva {
namespace {

// A programmed bit is 0 in the chip: clear it, set it otherwise.
void place(Instruction& instruction, BitPosition position, bool programmed)
{
    if (position.byte < 0 || position.byte > 3 || position.bit < 0 || position.bit > 7)
        return;
    auto& byte = instruction[static_cast<std::size_t>(position.byte)];
    const auto mask = static_cast<std::uint8_t>(1u << position.bit);
    byte = programmed ? static_cast<std::uint8_t>(byte & ~mask) : static_cast<std::uint8_t>(byte | mask);
}

bool programmedIn(std::uint8_t answer, int bit)
{
    return bit >= 0 && bit <= 7 && (answer & (1u << bit)) == 0;
}

int usableFuseBits(const FuseLayout& layout)
{
    return std::clamp(layout.fuseBitCount, 0, 32);
}

int usableBootLockBits(const FuseLayout& layout)
{
    return std::clamp(layout.bootLockCount, 0, kBootLockBits);
}

} // namespace

Instruction encodeFuseWrite(const FuseLayout& layout, int j, const LockFuseState& state)
{
    if (j < 0 || j >= kFuseBytes)
        return {};
    const auto uj = static_cast<std::size_t>(j);
    Instruction instruction = layout.fuseWrite[uj];
    for (int k = 0; k < usableFuseBits(layout); ++k) {
        const auto uk = static_cast<std::size_t>(k);
        place(instruction, layout.fuseWriteMap[uj][uk], state.fuse[uk]);
    }
    return instruction;
}

Instruction encodeAvrLockWrite(const FuseLayout& layout, const LockFuseState& state)
{
    Instruction instruction = layout.lockWrite;
    // Mode 3 exists for the 8051 parts only; on AVR parts it writes mode 2.
    const bool lb1 = state.lockMode >= 1 && state.lockMode <= 3;
    const bool lb2 = state.lockMode == 2 || state.lockMode == 3;
    place(instruction, layout.lockWriteMap[0], lb1);
    place(instruction, layout.lockWriteMap[1], lb2);
    for (int i = 0; i < usableBootLockBits(layout); ++i) {
        const auto ui = static_cast<std::size_t>(i);
        place(instruction, {3, layout.bootLockBit[ui]}, state.bootLock[ui]);
    }
    return instruction;
}

bool avrLockWriteNeeded(const LockFuseState& state)
{
    return state.lockMode != 0 || std::ranges::any_of(state.bootLock, [](bool set) { return set; });
}

Instruction encodeAt89s8253LockWrite(const FuseLayout& layout, int lockMode)
{
    Instruction instruction = layout.lockWrite;
    const bool valid = lockMode >= 0 && lockMode <= 3;
    // The chip's lock levels are cumulative from the bit mapped as LB3 down.
    place(instruction, layout.lockWriteMap[2], valid && lockMode >= 1);
    place(instruction, layout.lockWriteMap[1], valid && lockMode >= 2);
    place(instruction, layout.lockWriteMap[0], valid && lockMode >= 3);
    return instruction;
}

std::vector<Instruction> encodeAt89sLockSteps(const FuseLayout& layout, int lockMode)
{
    std::vector<Instruction> steps;
    // A mode beyond 3 (a damaged project file) would OR stray bits into the
    // opcode byte; it writes nothing instead.
    if (lockMode < 1 || lockMode > 3)
        return steps;
    for (int c = 1; c <= lockMode; ++c) {
        steps.push_back({layout.lockWrite[0], static_cast<std::uint8_t>(layout.lockWrite[1] | c), layout.lockWrite[2],
                         0xFF});
    }
    return steps;
}

bool decodeAvrLock(const FuseLayout& layout, std::uint8_t answer, LockFuseState& state)
{
    const bool lb1 = programmedIn(answer, layout.lockReadBit[0]);
    const bool lb2 = programmedIn(answer, layout.lockReadBit[1]);
    bool recognised = true;
    if (lb1 && lb2)
        state.lockMode = 2;
    else if (lb1)
        state.lockMode = 1;
    else {
        state.lockMode = 0;
        recognised = !lb2;
    }
    for (int i = 0; i < usableBootLockBits(layout); ++i) {
        const auto ui = static_cast<std::size_t>(i);
        state.bootLock[ui] = programmedIn(answer, layout.bootLockBit[ui]);
    }
    return recognised;
}

int decodeAt89s8253Lock(std::uint8_t answer)
{
    switch (answer & 0x07) {
    case 0x00:
        return 3;
    case 0x04:
        return 2;
    case 0x06:
        return 1;
    default:
        return 0;
    }
}

int decodeAt89s5xLock(std::uint8_t answer)
{
    if (answer & 0x10)
        return 3;
    if (answer & 0x08)
        return 2;
    if (answer & 0x04)
        return 1;
    return 0;
}

void decodeFuseAnswer(const FuseLayout& layout, int j, std::uint8_t answer, LockFuseState& state)
{
    if (j < 0 || j >= kFuseBytes)
        return;
    const auto& table = layout.fuseReadBit[static_cast<std::size_t>(j)];
    for (int k = 0; k < usableFuseBits(layout); ++k) {
        const auto uk = static_cast<std::size_t>(k);
        if (table[uk] >= 0)
            state.fuse[uk] = programmedIn(answer, table[uk]);
    }
}

std::vector<int> fuseReadOrder(const FuseLayout& layout)
{
    std::vector<int> order;
    if (layout.fuseBitCount <= 0 || layout.fuseReadPresent == 0)
        return order;
    order.push_back(0);
    for (int j = 1; j < kFuseBytes; ++j)
        if (layout.fuseWritePresent[static_cast<std::size_t>(j)] != 0)
            order.push_back(j);
    return order;
}

bool fusesFromLockAnswer(const FuseLayout& layout)
{
    return layout.fuseBitCount > 0 && layout.fuseReadPresent == 0 && layout.lockReadPresent != 0;
}

int lockModeCaptionId(int protocol, int lockMode)
{
    if (lockMode < 0 || lockMode > 3)
        return 0;
    const int first = protocol == ProtocolAvr ? catalogue_msg::kAvrLockNone : catalogue_msg::kAt89sLockNone;
    return first + lockMode;
}

const char* lockModeCaption(int protocol, int lockMode)
{
    const int id = lockModeCaptionId(protocol, lockMode);
    return id == 0 ? "" : messageText(id);
}

} // namespace quorva
