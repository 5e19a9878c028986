#pragma once

#include <cstdint>
#include <string_view>

namespace quorva {

// The programmer box's command bytes. Arguments follow the command byte;
// multi-byte counts and addresses go most significant byte first.
enum class Command : std::uint8_t {
    Ping = 0x25,                // -> '+' or '*' firmware running, '-' boot loader only
    GetFirmwareCode = 0x40,     // -> 3 ASCII bytes ("10c", "err", "ldr", "ld2")
    GetVersionText = 0x3F,      // -> length L, L text bytes, 0x0D
    GetSerialNumber = 0x4E,     // -> 5 bytes, 0x0D
    SelectDevice = 0x26,        // connectMode -> 0x0D
    SetAddress = 0x3A,          // 2 bytes (always 00 00) -> 0x0D
    SetParameters = 0x23,       // baud code, SCK code, polling flag -> 0x0D, then the new speed
    ReleaseTarget = 0x2D,       // -> 0x0D
    Escape = 0x1B,              // no reply
    ResetPulseLong = 0x2A,      // -> 1 byte
    ResetPulseShort = 0x51,     // -> 1 byte
    ResetHigh = 0x2B,           // -> 1 byte
    EnterProgramming = 0x3D,    // -> 1 byte
    Spi3 = 0x33,                // 3 bytes -> 0x0D
    Spi4 = 0x34,                // 4 bytes -> 0x0D
    Spi4Read = 0x35,            // 3 bytes -> the byte read during the 4th
    SpiWrite = 0x36,            // 1 byte -> 0x0D
    SpiRead = 0x37,             // -> 1 byte
    SpiDeselect = 0x38,         // -> 0x0D (AT25, AT26)
    SpiSelect = 0x39,           // -> 0x0D (AT25, AT26)
    FlashDeselect = 0x55,       // -> 0x0D (AT45)
    FlashSelect = 0x4C,         // -> 0x0D (AT45)
    FlashDeselectAlt = 0x6B,    // -> 0x0D (AT45)
    FlashSelectAlt = 0x6C,      // -> 0x0D (AT45)
    SpiWriteBlock = 0x30,       // count (2 bytes), count bytes -> 0x0D after the last
    SpiReadBlock = 0x31,        // count (2 bytes) -> count bytes, 0x0D
    SetByteDelay = 0x57,        // timer value T -> 0x0D
    WriteFlash = 0x7B,          // count N (<= 64), N bytes -> 0x0D, or 0x1B on a polling error
    WriteEeprom = 0x3E,         // count N, N bytes -> 0x0D or 0x1B
    ReadFlash = 0x7D,           // count N -> N bytes
    ReadEeprom = 0x3C,          // count N -> N bytes
    StartFirmwareUpdate = 0x5E, // -> '+' when ready
};

constexpr std::uint8_t byteOf(Command command)
{
    return static_cast<std::uint8_t>(command);
}

inline constexpr std::uint8_t kAck = 0x0D;
inline constexpr std::uint8_t kPollingError = 0x1B;

// Line speeds by baud code (the `highSpeed` setting).
inline constexpr int kBaudRates[] = {19200, 115200, 921600};
// 19200 for a code outside 0..2.
int baudRateOf(int baudCode);

// The SCK code byte for the project's SPI period (0..7); the AT89S8253 wants
// bit 2 set. 4 (250 kHz) stands in for a period outside the table.
std::uint8_t sckCode(int spiPeriod, std::string_view deviceName);
// The captions of the eight SPI periods, for the period list.
extern const char* const kSpiPeriodCaptions[8];
inline constexpr int kDefaultSpiPeriod = 4;

// The byte-delay timer value for a delay override in milliseconds:
// 255 - 7 x ms, truncated to 8 bits.
std::uint8_t byteDelayTimer(int milliseconds);

} // namespace quorva
