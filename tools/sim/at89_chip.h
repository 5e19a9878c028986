#pragma once

#include "chip.h"

namespace quorva::sim {

// An AT89S 8051 in serial programming mode (RST held high): code bytes,
// the AT89S8253's data Eeprom and fuse byte, lock bits and signature.
class At89Chip final : public FramedChip {
public:
    explicit At89Chip(const PartInfo& part);

    std::vector<std::uint8_t>& flash() { return flash_; }
    std::vector<std::uint8_t>& eeprom() { return eeprom_; }
    // Lock bits LB1..LB3 at bits 0..2, 0 = programmed.
    std::uint8_t lockBits() const { return lock_; }
    void setLockBits(std::uint8_t bits) { lock_ = bits & 0x07; }
    // AT89S8253 user fuses at bits 0..3, 0 = programmed.
    std::uint8_t fuses() const { return fuses_; }

    void lockFully() override { lock_ = 0; }
    ChipState state() const override;
    bool setState(const ChipState& state, std::string* error) override;

private:
    std::uint8_t answer(const std::uint8_t* in, std::uint64_t nowUs) override;
    void execute(const std::uint8_t* in, std::uint64_t nowUs) override;

    void restartContents() override;
    // An instruction that only reads, allowed while the part is busy.
    static bool reads(std::uint8_t opcode);
    int programmedLocks() const;
    bool writeProtected() const { return programmedLocks() >= 1; }
    bool readProtected() const { return programmedLocks() >= 2; }
    std::uint8_t readMemory(const std::vector<std::uint8_t>& memory, std::uint32_t address) const;

    std::vector<std::uint8_t> flash_;
    std::vector<std::uint8_t> eeprom_;
    std::uint8_t lock_ = 0x07;
    std::uint8_t fuses_ = 0x0A; // serial programming and user row enabled
};

} // namespace quorva::sim
