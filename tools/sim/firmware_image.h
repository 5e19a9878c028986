#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorva::sim {

// The firmware image the simulated boot loader accepts, 12288 bytes:
//
//   0..15       "QUORVA SIM IMAGE" (ASCII, no terminator)
//   16..18      firmware code the box reports afterwards, e.g. "10c"
//   19          layout version, 1
//   20..51      version text, ASCII, padded with 0 bytes
//   52..12283   filler, any content
//   12284..     CRC-32 (as zlib computes it) of bytes 0..12283, MSB first
//
// Anything else is refused and the box stays in its boot loader.
constexpr std::size_t kFirmwareImageSize = 12288;
constexpr std::string_view kFirmwareMagic = "QUORVA SIM IMAGE";

struct FirmwareInfo {
    std::string code;
    std::string versionText;
};

std::uint32_t crc32(const std::uint8_t* bytes, std::size_t count);
std::vector<std::uint8_t> makeFirmwareImage(std::string_view code, std::string_view versionText);
// The image's code and text, or nothing with the reason it was refused.
std::optional<FirmwareInfo> checkFirmwareImage(const std::vector<std::uint8_t>& image, std::string* reason);

} // namespace quorva::sim
