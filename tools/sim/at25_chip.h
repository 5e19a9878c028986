#pragma once

#include "spi_memory_chip.h"

#include <utility>

namespace quorva::sim {

// An AT25 serial EEPROM: 06/04 write enable latch, 05/01 status, 03 read and
// 02 page write with two address bytes. Its chip select is the RESET pin.
class At25Chip final : public SpiMemoryChip {
public:
    explicit At25Chip(const PartInfo& part);

    std::vector<std::uint8_t>& memory() { return memory_; }
    std::uint8_t status(std::uint64_t nowUs) const;

    void resetLine(bool high, std::uint64_t nowUs) override { select(!high, nowUs); }
    bool busyAt(std::uint64_t nowUs) const override { return busy(nowUs); }
    void powerCycle() override;
    ChipState state() const override;
    bool setState(const ChipState& state, std::string* error) override;

private:
    std::uint8_t onByte(std::size_t index, std::uint8_t mosi, std::uint64_t nowUs) override;
    void onDeselect(std::uint64_t nowUs) override;
    void restartContents() override;
    bool busy(std::uint64_t nowUs) const { return nowUs < busyUntilUs_; }
    bool protectedAddress(std::uint32_t address) const;

    std::vector<std::uint8_t> memory_;
    std::uint8_t status_ = 0; // WPEN, BP1, BP0, WEL; bit 0 comes from the write cycle
    std::uint64_t busyUntilUs_ = 0;
    bool ignored_ = false;    // instruction started during a write cycle
    std::vector<std::pair<std::uint32_t, std::uint8_t>> pending_;
};

} // namespace quorva::sim
