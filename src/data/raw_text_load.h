#pragma once

#include "hex_codec.h"

#include <string>

namespace quorva {

// A .hex or .eep file that did not decode, kept in a buffer as its text so
// that a person can look at what it holds.
struct RawTextLoad {
    std::string path;
    HexRejection why;
};

// Why the file is not Intel HEX, as a clause for the messages below.
std::string hexRejectionText(const HexRejection& why);

// Message 2101 (the warning at load), 2102 (a run refuses to program it) or
// 2103 (the question before programming it all the same), naming the file.
std::string rawTextMessage(int messageId, const RawTextLoad& load);

} // namespace quorva
