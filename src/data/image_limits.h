#pragma once

#include <cstddef>
#include <cstdint>

namespace quorva {

// Largest image a file can load. The biggest device (AT45DB642D) holds
// 8,650,752 bytes, so anything smaller would cut its image short on reload.
inline constexpr std::int64_t kImageLimit = 0x1000000;

// Most HEX text read from one file: the text of a full-size image (about 2.8
// characters a byte) with room to spare.
inline constexpr std::size_t kHexTextLimit = std::size_t{64} << 20;

// The program-wide marker wherever no file is named, in memory and in files.
inline constexpr const char* kUnspecifiedFile = "[Unspecified]";

} // namespace quorva
