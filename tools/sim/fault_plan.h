#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorva::sim {

// One command whose acknowledgement comes back wrong: the last byte of the
// reply to the occurrence-th such command (counted from power-up, from 1).
struct WrongAck {
    std::uint8_t command = 0;
    unsigned occurrence = 1;
    std::uint8_t reply = 0x00;
};

// Faults a run of the box can suffer. Commands and bytes are counted from
// power-up, the first being 1.
struct FaultPlan {
    std::optional<unsigned> silentAfter;         // commands answered before silence; 0 = never answers
    std::optional<std::uint8_t> staleByte;       // sent ahead of the first Ping answer
    std::vector<WrongAck> wrongAcks;
    std::optional<unsigned> pollingErrorAt;      // that composite write (WriteFlash/WriteEeprom) answers 0x1B
    bool lockedChip = false;                     // the chip starts locked
    bool staysLocked = false;                    // chip erase leaves the lock bits set
    std::string signatureOf;                     // the chip answers this part's signature
    std::optional<std::uint64_t> disconnectAfterBytes; // the line goes dead after so many received bytes
    unsigned slowReplyMs = 0;                    // delay before each reply byte
    unsigned slowChip = 1;                       // the chip's write and erase times this many times the data sheet's
    bool neverReady = false;                     // the chip's first write never ends
};

// Adds one fault given as text:
//   silence | silence=N | stale=0xHH | ack=0xCC:N:0xRR | polling=K | locked |
//   stays-locked | signature=NAME | disconnect=N | slow=MS | slow-chip=N |
//   never-ready
bool parseFault(std::string_view text, FaultPlan& plan, std::string* error);

} // namespace quorva::sim
