// A target chip that the protocol target builds only when the box first
// drives one of its pins.
#pragma once

#include "chip.h"
#include "part_info.h"

#include <cstdint>
#include <string>

namespace quorva::fuzz {

// Most inputs end before the box touches the target, and a chip of several
// megabytes costs more than the rest of such an input: each part's chip is
// built once for the run and restarted for the next input that drives it.
// The settings the box gives before that are handed on then, and a locking
// waits for it too, so the chip behaves as if it had been there from the
// start.
class LazyChip final : public sim::Chip {
public:
    explicit LazyChip(const sim::PartInfo& part) : Chip(part) {}

    void resetLine(bool high, std::uint64_t nowUs) override { chip().resetLine(high, nowUs); }
    void releaseReset(std::uint64_t nowUs) override { chip().releaseReset(nowUs); }
    void flashSelect(bool active, std::uint64_t nowUs) override { chip().flashSelect(active, nowUs); }
    std::uint8_t exchange(std::uint8_t mosi, std::uint64_t nowUs) override { return chip().exchange(mosi, nowUs); }
    void powerCycle() override { chip().powerCycle(); }
    sim::ChipState state() const override { return chip().state(); }
    bool setState(const sim::ChipState& state, std::string* error) override { return chip().setState(state, error); }
    void lockFully() override;
    // A chip not built yet has written nothing, so it is never busy.
    bool busyAt(std::uint64_t nowUs) const override { return chip_ && chip_->busyAt(nowUs); }

private:
    // Called for every byte the box clocks: the chip is taken only once.
    sim::Chip& chip() const { return chip_ ? *chip_ : take(); }
    sim::Chip& take() const;

    mutable sim::Chip* chip_ = nullptr;
    bool lockWhenBuilt_ = false;
};

} // namespace quorva::fuzz
