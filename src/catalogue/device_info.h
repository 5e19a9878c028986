#pragma once

#include <array>
#include <cstdint>

namespace quorva {

// Three identification bytes, first byte first.
using SignatureBytes = std::array<std::uint8_t, 3>;

// Device groups; the value is the `family` field and the position of the
// group's caption in the group selector.
enum Family : int {
    FamilyAt25 = 0,
    FamilyAt26 = 1,
    FamilyAt45 = 2,
    FamilyAt86 = 3,
    FamilyAt89s = 4,
    FamilyAt90 = 5,
    FamilyAttiny = 6,
    FamilyAtmega = 7,
    FamilyAta = 8,
};
inline constexpr int kFamilyCount = 9;

// Programming algorithms (`protocol`).
enum Protocol : int {
    ProtocolAvr = 0,
    ProtocolAt89s = 4,      // AT89S2051/4051/51/52
    ProtocolAt25 = 10,
    ProtocolAt89s8253 = 12,
};

// One catalogue entry. Timing bytes and connectMode are passed to the
// programmer box as they are; only their low byte is used.
struct DeviceInfo {
    int family;
    const char* name;
    int pageSize;          // 16-bit words for AVR groups, bytes for AT25/26/45
    int flashSize;         // bytes
    int eepromSize;        // bytes; page-shift code for AT45, 3 for AT26
    SignatureBytes signature;
    SignatureBytes altSignature;
    int protocol;
    int flashWriteTiming;
    int flashReadTiming;
    int eepromWriteTiming;
    int eepromReadTiming;
    int pageWriteDelay;    // ms
    int connectMode;
    int fuseLayout;        // index into fuseLayoutTable
    int skipSync;
    int calibrationCount;  // 0, 1 or 4
    int deviceNo;          // stable number stored in project files
};

inline constexpr int kDeviceCount = 97;

// The built-in catalogue; the row number is the device index.
extern const std::array<DeviceInfo, kDeviceCount> deviceTable;

} // namespace quorva
