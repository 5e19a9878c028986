#pragma once

#include <array>

namespace quorva {

// One wanted or read-back setting of the lock, fuse and boot-lock bits.
// true means programmed (the chip holds 0). A default-constructed value is
// the cleared setting: not valid, no locking, every bit unprogrammed.
struct LockFuseState {
    int valid = 0;       // 1 when it came from, or can be checked against, the chip
    int lockMode = 0;    // 0 none, 1 LB1, 2 LB1+LB2, 3 LB1+LB2+LB3 (AT89S only)
    std::array<bool, 32> fuse{};
    std::array<bool, 16> bootLock{};

    bool operator==(const LockFuseState&) const = default;
};

// Equal as far as the chip is concerned: lock mode, all 32 fuse and all 16
// boot-lock entries; `valid` is not compared.
inline bool sameBits(const LockFuseState& a, const LockFuseState& b)
{
    return a.lockMode == b.lockMode && a.fuse == b.fuse && a.bootLock == b.bootLock;
}

} // namespace quorva
