#pragma once

// The box firmware's command bytes and the few facts every command group of
// the Box shares (box.cpp decodes, the box_*.cpp files answer).

#include <cstdint>
#include <cstdio>
#include <string>

namespace quorva::sim {

enum BoxCommand : std::uint8_t {
    kPing = 0x25,
    kGetFirmwareCode = 0x40,
    kGetVersionText = 0x3F,
    kGetSerialNumber = 0x4E,
    kSelectDevice = 0x26,
    kSetAddress = 0x3A,
    kSetParameters = 0x23,
    kReleaseTarget = 0x2D,
    kEscape = 0x1B,
    kResetPulseLong = 0x2A,
    kResetPulseShort = 0x51,
    kResetHigh = 0x2B,
    kEnterProgramming = 0x3D,
    kSpi3 = 0x33,
    kSpi4 = 0x34,
    kSpi4Read = 0x35,
    kSpiWrite = 0x36,
    kSpiRead = 0x37,
    kSpiDeselect = 0x38,
    kSpiSelect = 0x39,
    kFlashDeselect = 0x55,
    kFlashSelect = 0x4C,
    kFlashDeselectAlt = 0x6B,
    kFlashSelectAlt = 0x6C,
    kSpiWriteBlock = 0x30,
    kSpiReadBlock = 0x31,
    kSetByteDelay = 0x57,
    kWriteFlash = 0x7B,
    kWriteEeprom = 0x3E,
    kReadFlash = 0x7D,
    kReadEeprom = 0x3C,
    kStartFirmwareUpdate = 0x5E,
};

constexpr std::uint8_t kAck = 0x0D;
constexpr std::uint8_t kPollingError = 0x1B;

// A byte as the trace and the violation reports show it.
inline std::string hex(std::uint8_t b)
{
    char text[4];
    std::snprintf(text, sizeof text, "%02X", b);
    return text;
}

} // namespace quorva::sim
