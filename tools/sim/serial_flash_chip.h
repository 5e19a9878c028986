#pragma once

#include "spi_memory_chip.h"

#include <optional>
#include <utility>

namespace quorva::sim {

// An AT26 or AT25DF serial Flash: write enable, status with its busy bit,
// page program, read array, block and chip erase, identification. All sectors
// are protected at power-up until a global unprotect (01 00). Its chip select
// is the RESET pin.
class SerialFlashChip final : public SpiMemoryChip {
public:
    explicit SerialFlashChip(const PartInfo& part);

    std::vector<std::uint8_t>& memory()
    {
        written_ = true;
        return memory_;
    }
    bool sectorsProtected() const { return protected_; }
    void setSectorsProtected(bool value) { protected_ = value; }
    bool writeEnabled() const { return wel_; }
    // Status reads that still see the busy bit after a program or erase;
    // unless set, none after a page program (busy for its time) and two
    // after an erase (which would otherwise take seconds).
    void setBusyPolls(int polls) { busyPollsSet_ = polls; }
    bool busy(std::uint64_t nowUs) const;
    bool busyAt(std::uint64_t nowUs) const override { return busy(nowUs); }

    void resetLine(bool high, std::uint64_t nowUs) override { select(!high, nowUs); }
    void powerCycle() override;
    ChipState state() const override;
    bool setState(const ChipState& state, std::string* error) override;

private:
    std::uint8_t onByte(std::size_t index, std::uint8_t mosi, std::uint64_t nowUs) override;
    void onDeselect(std::uint64_t nowUs) override;
    void restartContents() override;
    std::uint8_t status(std::uint64_t nowUs) const;
    void erase(std::uint32_t start, std::uint32_t length, std::uint64_t nowUs, std::uint32_t us);

    std::vector<std::uint8_t> memory_;
    // Some byte may hold other than 0xFF: only then does a restart refill
    // the megabytes.
    bool written_ = false;
    bool wel_ = false;
    bool protected_ = true;
    bool sprl_ = false;
    bool programError_ = false;
    bool ignored_ = false;
    std::optional<int> busyPollsSet_;
    int busyPolls_ = 0;
    std::uint64_t busyUntilUs_ = 0; // an erase also ends by itself after its time
    bool timedBusy_ = false;
    std::uint64_t programUntilUs_ = 0; // a page program takes its time whatever the polls
    std::vector<std::pair<std::uint32_t, std::uint8_t>> pending_;
};

} // namespace quorva::sim
