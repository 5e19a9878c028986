#pragma once

#include <array>
#include <string>

namespace quorva {

// The answer a locked chip gives to the signature read.
bool isLockedSignature(const std::array<int, 3>& signature);

enum class IdentifyRule {
    Signature,   // Read Signature: 0x1E or 0x1F first gives "Unknown ATMEL device"
    AfterErase,  // chip-erase re-check: only 0x1E first does; 0x1F gives "Unknown device"
};

struct Identification {
    int deviceIndex = -1;   // -1 when no entry matched
    int outcomeId = 0;      // catalogue number when no entry matched (1079, 1080, 1081)
    bool locked = false;    // the chip answered 00 01 02

    bool found() const { return deviceIndex >= 0; }
    // The device name, or the outcome text in the current language.
    std::string text() const;
};

// Identifies the three bytes of the last signature read. Never fails: the
// unknown and locked cases carry their outcome.
Identification identify(const std::array<int, 3>& signature, IdentifyRule rule = IdentifyRule::Signature);

// The line a question about a chip that is not the chosen one adds, so the
// person sees what is there: "Chip found: 1E 97 02 - ATmega128/128A".
std::string chipFoundLine(const std::array<int, 3>& signature);

} // namespace quorva
