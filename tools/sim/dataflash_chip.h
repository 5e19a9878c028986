#pragma once

#include "spi_memory_chip.h"

#include <array>

namespace quorva::sim {

// An AT45 DataFlash on the box's DataFlash select: two SRAM buffers, buffer
// to page programming with and without built-in erase, page and 8-page block
// erase, continuous and page reads, status (ready bit, density, bit 0 =
// power-of-2 pages) and identification. The one-time "power of 2" setting
// takes effect at the next power cycle.
class DataFlashChip final : public SpiMemoryChip {
public:
    explicit DataFlashChip(const PartInfo& part);

    // Physical pages of part().pageBytes each, page p at p * pageBytes.
    std::vector<std::uint8_t>& memory()
    {
        written_ = true;
        return memory_;
    }
    const std::vector<std::uint8_t>& buffer(int which) const { return buffers_[which]; }
    bool powerOfTwo() const { return binary_; }
    bool powerOfTwoPending() const { return pendingBinary_; }
    void setPowerOfTwo(bool value) { binary_ = pendingBinary_ = value; }
    // Bytes per page as addressed now: 264/528/1056, or 256/512/1024.
    std::uint32_t pageSize() const;
    std::uint8_t status(std::uint64_t nowUs) const;

    void flashSelect(bool active, std::uint64_t nowUs) override { select(active, nowUs); }
    bool busyAt(std::uint64_t nowUs) const override { return busy(nowUs); }
    void resetLine(bool, std::uint64_t) override {}
    void powerCycle() override;
    ChipState state() const override;
    bool setState(const ChipState& state, std::string* error) override;

private:
    std::uint8_t onByte(std::size_t index, std::uint8_t mosi, std::uint64_t nowUs) override;
    void onDeselect(std::uint64_t nowUs) override;
    void restartContents() override;
    bool busy(std::uint64_t nowUs) const { return nowUs < busyUntilUs_; }
    static bool writes(std::uint8_t opcode);
    int byteBits() const;
    std::uint32_t pageOf(std::uint32_t address) const;
    std::uint32_t offsetOf(std::uint32_t address) const;
    std::uint8_t& cell(std::uint32_t page, std::uint32_t offset) { return memory_[page * part_.pageBytes + offset]; }
    void program(std::uint32_t page, const std::vector<std::uint8_t>& data, bool erase, std::uint64_t nowUs);

    std::vector<std::uint8_t> memory_;
    // Some byte may hold other than 0xFF: only then does a restart refill
    // the megabytes.
    bool written_ = false;
    std::array<std::vector<std::uint8_t>, 2> buffers_;
    bool binary_ = false;
    bool pendingBinary_ = false;
    bool ignored_ = false;
    std::uint64_t busyUntilUs_ = 0;
};

} // namespace quorva::sim
