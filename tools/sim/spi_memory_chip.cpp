#include "spi_memory_chip.h"

#include "box_commands.h"

namespace quorva::sim {

void SpiMemoryChip::select(bool active, std::uint64_t nowUs)
{
    if (active && !selected_) {
        bytes_.clear();
        count_ = 0;
    }
    const bool wasSelected = selected_;
    selected_ = active;
    if (!active && wasSelected)
        onDeselect(nowUs);
}

void SpiMemoryChip::restartSelection()
{
    selected_ = false;
    bytes_.clear();
    count_ = 0;
}

std::uint8_t SpiMemoryChip::exchange(std::uint8_t mosi, std::uint64_t nowUs)
{
    if (!selected_)
        return 0xFF; // MISO floats high
    // Long streams only need their first bytes kept.
    if (bytes_.size() < 16)
        bytes_.push_back(mosi);
    return onByte(count_++, mosi, nowUs);
}

bool SpiMemoryChip::ignoredWhileBusy(bool busy, bool allowed, bool writes) const
{
    if (!busy || allowed)
        return false;
    if (writes && !bytes_.empty())
        refuse("instruction " + hex(bytes_[0]));
    return true;
}

std::uint32_t SpiMemoryChip::address(std::size_t first, std::size_t count) const
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count && first + i < bytes_.size(); ++i)
        value = (value << 8) | bytes_[first + i];
    return value;
}

} // namespace quorva::sim
