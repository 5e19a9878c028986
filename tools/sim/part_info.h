#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorva::sim {

// How a chip is programmed; each family has its own model.
enum class ChipFamily {
    Avr,         // AVR serial programming, 4-byte instructions
    At89,        // AT89S serial programming, 4-byte instructions
    At25,        // serial EEPROM, 2 address bytes
    SerialFlash, // AT26 / AT25DF serial Flash, 3 address bytes
    DataFlash,   // AT45 DataFlash with SRAM buffers
};

// The three AT89S instruction variants.
enum class At89Kind { S51, S2051, S8253 };

// Where an AVR keeps its lock bits in the write instruction.
enum class LockPlace {
    Byte3, // AC E0-FF xx LL
    Byte1, // AC F8|LL xx xx (ATtiny26, 261, 461, 861)
};

struct AvrTiming {
    std::uint32_t flashUs = 4500;  // page write, or byte write without pages
    std::uint32_t eepromUs = 9000; // one Eeprom byte
    std::uint32_t eraseUs = 9000;  // chip erase
    std::uint32_t fuseUs = 4500;   // fuse or lock write
};

// One part from its data sheet. Sizes in bytes.
struct PartInfo {
    const char* name = "";    // as marked on the package
    const char* aliases = ""; // further names it answers to, '|'-separated
    ChipFamily family = ChipFamily::Avr;

    std::uint32_t flashBytes = 0;  // program memory; AT26 and AT45 array
    std::uint32_t eepromBytes = 0; // data Eeprom; AT25 array
    std::uint32_t pageBytes = 0;   // AVR Flash page (0: byte writes); AT25/AT26 write page; AT45 standard page
    std::array<std::uint8_t, 3> signature{};  // AVR/AT89 signature bytes
    std::array<std::uint8_t, 4> jedecId{};    // AT26/AT45 answer to 9F

    // AVR
    std::uint8_t calibrationCount = 0;
    std::uint8_t fuseCount = 0;                 // low, high, extended
    std::array<std::uint8_t, 3> fuseMask{};     // implemented bits; the rest read 1
    std::array<std::uint8_t, 3> fuseDefault{0xFF, 0xFF, 0xFF};
    LockPlace lockPlace = LockPlace::Byte3;
    bool readyPoll = false;                     // Poll RDY/BSY (F0) is in its instruction set
    std::uint8_t lockMask = 0x3F;               // implemented lock and boot-lock bits
    std::int8_t eesaveFuse = -1;                // fuse byte holding EESAVE, -1 none
    std::uint8_t eesaveBit = 0;
    AvrTiming timing{};

    // AT89S
    At89Kind at89 = At89Kind::S51;
    std::uint32_t byteWriteUs = 1000;
    std::uint32_t eraseUs = 500000;

    // AT45
    std::uint32_t pageCount = 0;
    std::uint8_t densityBits = 0; // status register bits 5..2

    bool hasExtendedAddress() const { return family == ChipFamily::Avr && flashBytes > 131072; }
};

// The parts the simulator knows, in no particular order.
const std::vector<PartInfo>& chipDatabase();

// The part answering to a name, case-insensitive: the marking, or one of its
// aliases (device-table names such as "ATmega8/8A" are aliases). Null when
// unknown.
const PartInfo* findChip(std::string_view name);

} // namespace quorva::sim
