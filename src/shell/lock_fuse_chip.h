#pragma once

#include "catalogue/lock_fuse_state.h"

namespace quorva {

// The chip commands the Lock/Fuse Bits dialog runs while it is open on a
// chip. Each opens and closes its own connection and reports as the main
// window's commands do (status line, boxes, progress).
class LockFuseChip {
public:
    virtual ~LockFuseChip() = default;

    // Writes the whole setting, fuses included; true when the chip took it.
    virtual bool programBits(const LockFuseState& setting) = 0;
    // Fills out from the chip; false after a failure was reported.
    virtual bool readBits(LockFuseState& out) = 0;
    // Reports in one box how the chip differs from wanted.
    virtual void verifyBits(const LockFuseState& wanted) = 0;
    // True when the chip was erased.
    virtual bool eraseChip() = 0;
};

} // namespace quorva
