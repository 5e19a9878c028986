#include "at25_chip.h"

#include <algorithm>

namespace quorva::sim {

namespace {
constexpr std::uint8_t kWel = 0x02;
}

At25Chip::At25Chip(const PartInfo& part) : SpiMemoryChip(part), memory_(part.eepromBytes, 0xFF) {}

std::uint8_t At25Chip::status(std::uint64_t nowUs) const
{
    return static_cast<std::uint8_t>(status_ | (busy(nowUs) ? 0x01 : 0x00));
}

bool At25Chip::protectedAddress(std::uint32_t address) const
{
    const std::uint32_t size = static_cast<std::uint32_t>(memory_.size());
    switch ((status_ >> 2) & 0x03) {
    case 1: return address >= size - size / 4;
    case 2: return address >= size / 2;
    case 3: return true;
    default: return false;
    }
}

std::uint8_t At25Chip::onByte(std::size_t index, std::uint8_t mosi, std::uint64_t nowUs)
{
    const auto& in = instruction();
    if (index == 0) {
        // During the internal write cycle only the status can be read.
        // Write disable only clears a latch the write cycle clears anyway.
        const bool writes = in[0] == 0x06 || in[0] == 0x02 || in[0] == 0x01;
        ignored_ = ignoredWhileBusy(busy(nowUs), in[0] == 0x05, writes);
        if (in[0] == 0x02)
            pending_.clear();
        return 0xFF;
    }
    if (ignored_)
        return 0xFF;
    const std::uint32_t size = static_cast<std::uint32_t>(memory_.size());
    switch (in[0]) {
    case 0x05:
        return status(nowUs);
    case 0x03:
        if (index < 3)
            return 0xFF;
        // Address bits above the array are ignored: reads wrap at its end.
        return memory_[(address(1, 2) + (index - 3)) % size];
    case 0x02:
        if (index >= 3) {
            const std::uint32_t start = address(1, 2) % size;
            const std::uint32_t page = part_.pageBytes;
            const std::uint32_t offset = (start + static_cast<std::uint32_t>(index - 3)) % page;
            // Data beyond the page wraps to its start.
            pending_.emplace_back(start / page * page + offset, mosi);
        }
        return 0xFF;
    default:
        return 0xFF;
    }
}

void At25Chip::onDeselect(std::uint64_t nowUs)
{
    const auto& in = instruction();
    if (in.empty() || ignored_)
        return;
    switch (in[0]) {
    case 0x06: status_ |= kWel; return;
    case 0x04: status_ &= static_cast<std::uint8_t>(~kWel); return;
    case 0x01:
        if ((status_ & kWel) && in.size() >= 2) {
            status_ = static_cast<std::uint8_t>(in[1] & 0x8C);
            busyUntilUs_ = nowUs + busyTime(part_.byteWriteUs);
        }
        return;
    case 0x02:
        if ((status_ & kWel) && !pending_.empty()) {
            for (const auto& [where, value] : pending_) {
                if (!protectedAddress(where))
                    memory_[where] = value;
            }
            busyUntilUs_ = nowUs + busyTime(part_.byteWriteUs);
        }
        pending_.clear();
        status_ &= static_cast<std::uint8_t>(~kWel);
        return;
    default:
        return;
    }
}

void At25Chip::restartContents()
{
    restartSelection();
    std::fill(memory_.begin(), memory_.end(), 0xFF);
    status_ = 0;
    busyUntilUs_ = 0;
    ignored_ = false;
    pending_.clear();
}

void At25Chip::powerCycle()
{
    select(false, 0);
    status_ &= 0x8C; // the write enable latch is cleared at power-up
    busyUntilUs_ = 0;
}

ChipState At25Chip::state() const
{
    ChipState s;
    s.memories["eeprom"] = memory_;
    s.values["status"] = {status_};
    return s;
}

bool At25Chip::setState(const ChipState& state, std::string* error)
{
    if (!takeMemory(state, "eeprom", memory_, error))
        return false;
    bool failed = false;
    if (const auto* status = takeValues(state, "status", 1, error, &failed))
        status_ = static_cast<std::uint8_t>((*status)[0]) & 0x8E;
    return !failed;
}

} // namespace quorva::sim
