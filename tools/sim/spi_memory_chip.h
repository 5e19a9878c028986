#pragma once

#include "chip.h"

namespace quorva::sim {

// A serial memory framed by its chip select: an instruction starts when the
// chip is selected and takes effect when it is deselected.
class SpiMemoryChip : public Chip {
public:
    using Chip::Chip;

    std::uint8_t exchange(std::uint8_t mosi, std::uint64_t nowUs) override;
    bool selected() const { return selected_; }

protected:
    void select(bool active, std::uint64_t nowUs);
    // Not selected, no instruction begun, as at power-up.
    void restartSelection();
    // MISO for byte index of the instruction (0 = opcode).
    virtual std::uint8_t onByte(std::size_t index, std::uint8_t mosi, std::uint64_t nowUs) = 0;
    virtual void onDeselect(std::uint64_t nowUs) = 0;
    // An instruction begun while busy is ignored; refuse() tells of those
    // among them that would write.
    bool ignoredWhileBusy(bool busy, bool allowed, bool writes) const;

    const std::vector<std::uint8_t>& instruction() const { return bytes_; }
    // Address from instruction bytes [first, first + count), most significant first.
    std::uint32_t address(std::size_t first, std::size_t count) const;

private:
    bool selected_ = false;
    std::vector<std::uint8_t> bytes_;
    std::size_t count_ = 0;
};

} // namespace quorva::sim
