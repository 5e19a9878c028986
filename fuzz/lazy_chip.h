// A target chip that the protocol target builds only when the box first
// drives one of its pins.
#pragma once

#include "chip.h"
#include "part_info.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quorva::fuzz {

// Most inputs end before the box touches the target, and a fresh chip of
// several megabytes costs more page faults than the rest of such an input.
// The settings the box gives the chip before that are handed on at every
// call, so the chip behaves as if it had been there from the start.
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
    void lockFully() override { chip().lockFully(); }

private:
    sim::Chip& chip() const
    {
        if (!chip_)
            chip_ = sim::makeChip(part_);
        chip_->setInstantWrites(instant_);
        chip_->setStaysLocked(staysLocked_);
        chip_->setIdentityOf(identityOf_);
        return *chip_;
    }

    mutable std::unique_ptr<sim::Chip> chip_;
};

} // namespace quorva::fuzz
