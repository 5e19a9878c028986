#include "serial_flash_chip.h"

#include <algorithm>

namespace quorva::sim {

SerialFlashChip::SerialFlashChip(const PartInfo& part) : SpiMemoryChip(part), memory_(part.flashBytes, 0xFF) {}

bool SerialFlashChip::busy(std::uint64_t nowUs) const
{
    if (nowUs < programUntilUs_)
        return true;
    if (busyPolls_ <= 0)
        return false;
    return !(timedBusy_ && nowUs >= busyUntilUs_);
}

std::uint8_t SerialFlashChip::status(std::uint64_t nowUs) const
{
    std::uint8_t value = 0x10; // WP pin high
    if (busy(nowUs))
        value |= 0x01;
    if (wel_)
        value |= 0x02;
    if (protected_)
        value |= 0x0C;
    if (programError_)
        value |= 0x20;
    if (sprl_)
        value |= 0x80;
    return value;
}

std::uint8_t SerialFlashChip::onByte(std::size_t index, std::uint8_t mosi, std::uint64_t nowUs)
{
    const auto& in = instruction();
    if (index == 0) {
        const std::uint8_t op = in[0];
        const bool writes = op == 0x06 || op == 0x01 || op == 0x02 || op == 0x20 || op == 0x52 || op == 0xD8 ||
                            op == 0x60 || op == 0xC7;
        ignored_ = ignoredWhileBusy(busy(nowUs), op == 0x05, writes);
        if (in[0] == 0x02)
            pending_.clear();
        return 0xFF;
    }
    if (ignored_)
        return 0xFF;
    const std::uint32_t size = static_cast<std::uint32_t>(memory_.size());
    switch (in[0]) {
    case 0x05: {
        const std::uint8_t value = status(nowUs);
        if (value & 0x01)
            --busyPolls_;
        return value;
    }
    case 0x9F:
        return index <= 4 ? identity().jedecId[index - 1] : 0x00;
    case 0x03:
        return index >= 4 ? memory_[(address(1, 3) + (index - 4)) % size] : 0xFF;
    case 0x0B:
        return index >= 5 ? memory_[(address(1, 3) + (index - 5)) % size] : 0xFF;
    case 0x02:
        if (index >= 4) {
            const std::uint32_t start = address(1, 3) % size;
            const std::uint32_t page = part_.pageBytes;
            const std::uint32_t offset = (start + static_cast<std::uint32_t>(index - 4)) % page;
            pending_.emplace_back(start / page * page + offset, mosi);
        }
        return 0xFF;
    default:
        return 0xFF;
    }
}

void SerialFlashChip::erase(std::uint32_t start, std::uint32_t length, std::uint64_t nowUs, std::uint32_t us)
{
    start = start / length * length;
    std::fill_n(memory_.begin() + start, std::min<std::size_t>(length, memory_.size() - start), 0xFF);
    busyPolls_ = busyPollsSet_.value_or(2);
    timedBusy_ = true;
    busyUntilUs_ = nowUs + busyTime(us);
}

void SerialFlashChip::onDeselect(std::uint64_t nowUs)
{
    const auto& in = instruction();
    if (in.empty() || ignored_)
        return;
    const std::uint32_t size = static_cast<std::uint32_t>(memory_.size());
    const bool enabled = wel_;
    switch (in[0]) {
    case 0x06: wel_ = true; return;
    case 0x04: wel_ = false; return;
    case 0x01:
        if (enabled && in.size() >= 2) {
            if ((in[1] & 0x3C) == 0x00)
                protected_ = false;
            else if ((in[1] & 0x3C) == 0x3C)
                protected_ = true;
            sprl_ = (in[1] & 0x80) != 0;
            wel_ = false;
        }
        return;
    case 0x02:
        if (!enabled)
            return;
        wel_ = false;
        programError_ = protected_;
        if (protected_ || pending_.empty())
            return;
        written_ = true;
        for (const auto& [where, value] : pending_)
            memory_[where] &= value;
        pending_.clear();
        busyPolls_ = busyPollsSet_.value_or(0);
        timedBusy_ = false;
        programUntilUs_ = nowUs + busyTime(part_.byteWriteUs);
        return;
    case 0x20:
    case 0x52:
    case 0xD8:
        if (!enabled || in.size() < 4)
            return;
        wel_ = false;
        if (!protected_) {
            const std::uint32_t length = in[0] == 0x20 ? 4096 : in[0] == 0x52 ? 32768 : 65536;
            erase(address(1, 3) % size, std::min(length, size), nowUs, 50000);
        }
        return;
    case 0x60:
    case 0xC7:
        if (!enabled)
            return;
        wel_ = false;
        if (!protected_)
            erase(0, size, nowUs, part_.eraseUs);
        return;
    default:
        return;
    }
}

void SerialFlashChip::restartContents()
{
    restartSelection();
    if (written_)
        std::fill(memory_.begin(), memory_.end(), 0xFF);
    written_ = false;
    wel_ = false;
    protected_ = true;
    sprl_ = false;
    programError_ = false;
    ignored_ = false;
    busyPollsSet_.reset();
    busyPolls_ = 0;
    busyUntilUs_ = 0;
    programUntilUs_ = 0;
    timedBusy_ = false;
    pending_.clear();
}

void SerialFlashChip::powerCycle()
{
    select(false, 0);
    wel_ = false;
    protected_ = true;
    busyPolls_ = 0;
    programUntilUs_ = 0;
    programError_ = false;
}

ChipState SerialFlashChip::state() const
{
    ChipState s;
    s.memories["flash"] = memory_;
    s.values["protected"] = {protected_ ? 1 : 0};
    return s;
}

bool SerialFlashChip::setState(const ChipState& state, std::string* error)
{
    written_ = true;
    if (!takeMemory(state, "flash", memory_, error))
        return false;
    bool failed = false;
    if (const auto* value = takeValues(state, "protected", 1, error, &failed))
        protected_ = (*value)[0] != 0;
    return !failed;
}

} // namespace quorva::sim
