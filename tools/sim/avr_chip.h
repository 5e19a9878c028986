#pragma once

#include "chip.h"

namespace quorva::sim {

// An AVR in serial programming mode: Flash with its page buffer (or byte
// writes), Eeprom, fuses, lock and boot-lock bits, signature and calibration.
class AvrChip final : public FramedChip {
public:
    explicit AvrChip(const PartInfo& part);

    std::vector<std::uint8_t>& flash() { return flash_; }
    std::vector<std::uint8_t>& eeprom() { return eeprom_; }
    std::uint8_t fuse(int index) const { return fuses_[index]; }
    void setFuse(int index, std::uint8_t value);
    std::uint8_t lockByte() const { return lock_; }
    void setLockByte(std::uint8_t value) { lock_ = value | static_cast<std::uint8_t>(~part_.lockMask); }
    std::uint8_t extendedAddress() const { return extended_; }
    std::uint8_t calibration(int index) const;

    void lockFully() override { setLockByte(lock_ & 0xFC); }
    void powerCycle() override;
    ChipState state() const override;
    bool setState(const ChipState& state, std::string* error) override;

private:
    std::uint8_t answer(const std::uint8_t* in, std::uint64_t nowUs) override;
    void execute(const std::uint8_t* in, std::uint64_t nowUs) override;
    void enteredReset() override;
    void restartContents() override;

    // An instruction that only reads, allowed while the part is busy.
    static bool reads(std::uint8_t opcode);
    bool writeProtected() const { return (lock_ & 0x03) != 0x03; }
    bool readProtected() const { return (lock_ & 0x03) == 0x00; }
    std::uint32_t flashIndex(std::uint8_t high, std::uint8_t low, bool odd) const;
    void chipErase(std::uint64_t nowUs);

    std::vector<std::uint8_t> flash_;
    std::vector<std::uint8_t> eeprom_;
    std::vector<std::uint8_t> pageBuffer_;
    std::uint8_t fuses_[3]{0xFF, 0xFF, 0xFF};
    std::uint8_t lock_ = 0xFF;
    std::uint8_t extended_ = 0;
};

} // namespace quorva::sim
