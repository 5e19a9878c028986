#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace quorva {

// The SHA-256 of bytes as 64 lower-case hex digits: how a record names the
// exact image a chip received.
std::string sha256Hex(std::span<const std::uint8_t> bytes);

} // namespace quorva
