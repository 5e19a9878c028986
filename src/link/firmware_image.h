#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace quorva {

inline constexpr std::size_t kFirmwareImageSize = 12288;
inline constexpr std::size_t kFirmwareGroupSize = 4;

// The firmware the program carries for the box (a data unit generated at
// build time from the image file the build names).
std::span<const std::uint8_t, kFirmwareImageSize> builtInFirmwareImage();

// True for the simulated box's image, which a real box must never get:
// streamed into a real boot loader it would leave the box without working
// firmware.
bool isSimulatorImage(std::span<const std::uint8_t> image);

// The version a firmware code reads as: "10c" -> "1.0c"; a code starting with
// 'M' reads "10." and its last two characters.
std::string firmwareVersionText(const char* code);

} // namespace quorva
