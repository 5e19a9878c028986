#pragma once

#include <cstdint>
#include <vector>

#include "catalogue/fuse_layout.h"
#include "catalogue/lock_fuse_state.h"

namespace quorva {

// ---- Encoding ---------------------------------------------------------------

// Fuse-write instruction for fuse byte j (0..2): the template with every
// mapped bit cleared when programmed, set otherwise.
Instruction encodeFuseWrite(const FuseLayout& layout, int j, const LockFuseState& state);

// AVR lock-write instruction: LB1/LB2 by lockMode (mode 3 writes what mode 2
// writes) and the boot-lock bits in byte 3.
Instruction encodeAvrLockWrite(const FuseLayout& layout, const LockFuseState& state);

// Whether the AVR lock instruction is sent at all: only when some locking or
// some boot-lock bit is asked for.
bool avrLockWriteNeeded(const LockFuseState& state);

// AT89S8253 lock-write instruction; byte 1 is E7, E6, E4, E0 for modes 0..3
// with the standard template.
Instruction encodeAt89s8253LockWrite(const FuseLayout& layout, int lockMode);

// AT89S51/52/2051/4051: lock mode m is written as m successive instructions
// (byte 1 of the template OR 1, 2, .. m); mode 0 writes nothing.
std::vector<Instruction> encodeAt89sLockSteps(const FuseLayout& layout, int lockMode);

// ---- Decoding ---------------------------------------------------------------

// Applies an AVR lock answer: lockMode and the boot-lock bits. Returns false
// for the combination LB2 programmed without LB1; lockMode is then 0 and the
// caller tells the user (message 1158) that it was assumed not locked.
bool decodeAvrLock(const FuseLayout& layout, std::uint8_t answer, LockFuseState& state);

// Lock mode from an AT89S8253 lock answer (low three bits).
int decodeAt89s8253Lock(std::uint8_t answer);

// Lock mode from an AT89S51/52 lock answer (bits 2..4).
int decodeAt89s5xLock(std::uint8_t answer);

// Applies the answer of fuse read j (0..2) by its read table: each covered
// fuse bit is programmed when its answer bit is 0. Bits the table does not
// cover keep their value.
void decodeFuseAnswer(const FuseLayout& layout, int j, std::uint8_t answer, LockFuseState& state);

// The fuse reads to send, in order (indexes into fuseRead); empty when the
// layout has no fuse bits or takes them from the lock answer.
std::vector<int> fuseReadOrder(const FuseLayout& layout);

// True when the fuse bits are decoded from the lock-read answer
// (decodeFuseAnswer with j = 0 over that answer) instead of a read of their own.
bool fusesFromLockAnswer(const FuseLayout& layout);

// ---- Captions ---------------------------------------------------------------

// Catalogue number of a lock-mode caption (mode 0..3) by the device's
// protocol: AVR parts 1006..1009, AT89S parts 1010..1013; 0 for a mode
// outside 0..3.
int lockModeCaptionId(int protocol, int lockMode);

// The caption text in the current language, "" for a mode outside 0..3.
const char* lockModeCaption(int protocol, int lockMode);

} // namespace quorva
