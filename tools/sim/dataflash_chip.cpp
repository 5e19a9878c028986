#include "dataflash_chip.h"

#include <algorithm>
#include <bit>

namespace quorva::sim {

namespace {
constexpr std::uint32_t kPageProgramUs = 3000;
constexpr std::uint32_t kPageEraseUs = 15000;
constexpr std::uint32_t kConfigureUs = 20000;
} // namespace

DataFlashChip::DataFlashChip(const PartInfo& part)
    : SpiMemoryChip(part), memory_(std::size_t{part.pageCount} * part.pageBytes, 0xFF),
      buffers_{std::vector<std::uint8_t>(part.pageBytes, 0xFF), std::vector<std::uint8_t>(part.pageBytes, 0xFF)}
{
}

std::uint32_t DataFlashChip::pageSize() const
{
    return binary_ ? part_.pageBytes / 256 * 256 : part_.pageBytes;
}

int DataFlashChip::byteBits() const
{
    // 264-byte pages take 9 address bits, 256-byte pages 8, and so on.
    return static_cast<int>(std::bit_width(pageSize() - 1));
}

std::uint32_t DataFlashChip::pageOf(std::uint32_t address) const
{
    return (address >> byteBits()) % part_.pageCount;
}

std::uint32_t DataFlashChip::offsetOf(std::uint32_t address) const
{
    return (address & ((1u << byteBits()) - 1)) % pageSize();
}

std::uint8_t DataFlashChip::status(std::uint64_t nowUs) const
{
    return static_cast<std::uint8_t>((busy(nowUs) ? 0x00 : 0x80) | (part_.densityBits << 2) | (binary_ ? 0x01 : 0x00));
}

bool DataFlashChip::writes(std::uint8_t opcode)
{
    switch (opcode) {
    case 0x84:
    case 0x87:
    case 0x82:
    case 0x85: // buffer writes
    case 0x88:
    case 0x89:
    case 0x83:
    case 0x86: // buffer to page
    case 0x53:
    case 0x55: // page to buffer
    case 0x81:
    case 0x50:
    case 0xC7:
    case 0x3D: // erases, configuration
        return true;
    default:
        return false;
    }
}

std::uint8_t DataFlashChip::onByte(std::size_t index, std::uint8_t mosi, std::uint64_t nowUs)
{
    const auto& in = instruction();
    if (index == 0) {
        ignored_ = ignoredWhileBusy(busy(nowUs), in[0] == 0xD7, writes(in[0]));
        return 0xFF;
    }
    if (ignored_)
        return 0xFF;
    const std::uint32_t size = pageSize();
    auto stream = [&](std::size_t header) -> std::uint8_t {
        if (index < header)
            return 0xFF;
        // Continuous reads run on into the next page and wrap at the end.
        const std::uint32_t address = this->address(1, 3);
        const std::uint64_t linear = std::uint64_t{pageOf(address)} * size + offsetOf(address) + (index - header);
        const std::uint32_t page = static_cast<std::uint32_t>((linear / size) % part_.pageCount);
        return cell(page, static_cast<std::uint32_t>(linear % size));
    };
    auto bufferByte = [&](int which, std::size_t header) -> std::uint8_t {
        if (index < header)
            return 0xFF;
        return buffers_[which][(offsetOf(address(1, 3)) + (index - header)) % size];
    };
    switch (in[0]) {
    case 0xD7:
        return status(nowUs);
    case 0x9F:
        return index <= 4 ? identity().jedecId[index - 1] : 0x00;
    case 0x03: return stream(4);
    case 0x0B: return stream(5);
    case 0xE8: return stream(8);
    case 0xD2:
        if (index < 8)
            return 0xFF;
        return cell(pageOf(address(1, 3)), (offsetOf(address(1, 3)) + (index - 8)) % size);
    case 0xD4: return bufferByte(0, 5);
    case 0xD1: return bufferByte(0, 4);
    case 0xD6: return bufferByte(1, 5);
    case 0xD3: return bufferByte(1, 4);
    case 0x84:
    case 0x87:
    case 0x82:
    case 0x85:
        if (index >= 4) {
            const int which = (in[0] == 0x84 || in[0] == 0x82) ? 0 : 1;
            buffers_[which][(offsetOf(address(1, 3)) + (index - 4)) % size] = mosi;
        }
        return 0xFF;
    default:
        return 0xFF;
    }
}

void DataFlashChip::program(std::uint32_t page, const std::vector<std::uint8_t>& data, bool erase,
                            std::uint64_t nowUs)
{
    const std::uint32_t size = pageSize();
    written_ = true;
    for (std::uint32_t i = 0; i < size; ++i) {
        std::uint8_t& c = cell(page, i);
        // Without the built-in erase, cells only go from 1 to 0.
        c = erase ? data[i] : static_cast<std::uint8_t>(c & data[i]);
    }
    busyUntilUs_ = nowUs + busyTime(erase ? kPageEraseUs + kPageProgramUs : kPageProgramUs);
}

void DataFlashChip::onDeselect(std::uint64_t nowUs)
{
    const auto& in = instruction();
    if (in.empty() || ignored_)
        return;
    const bool addressed = in.size() >= 4;
    const std::uint32_t page = addressed ? pageOf(address(1, 3)) : 0;
    switch (in[0]) {
    case 0x88:
    case 0x89:
        if (addressed)
            program(page, buffers_[in[0] == 0x88 ? 0 : 1], false, nowUs);
        return;
    case 0x83:
    case 0x86:
    case 0x82:
    case 0x85:
        if (addressed)
            program(page, buffers_[(in[0] == 0x83 || in[0] == 0x82) ? 0 : 1], true, nowUs);
        return;
    case 0x53:
    case 0x55:
        if (addressed) {
            auto& target = buffers_[in[0] == 0x53 ? 0 : 1];
            for (std::uint32_t i = 0; i < pageSize(); ++i)
                target[i] = cell(page, i);
            busyUntilUs_ = nowUs + busyTime(200);
        }
        return;
    case 0x81:
        if (addressed) {
            std::fill_n(memory_.begin() + static_cast<std::ptrdiff_t>(std::size_t{page} * part_.pageBytes),
                        part_.pageBytes, 0xFF);
            busyUntilUs_ = nowUs + busyTime(kPageEraseUs);
        }
        return;
    case 0x50:
        if (addressed) {
            // A block is 8 pages; the low three page bits are ignored.
            const std::uint32_t first = page / 8 * 8;
            const std::uint32_t count = std::min<std::uint32_t>(8, part_.pageCount - first);
            std::fill_n(memory_.begin() + static_cast<std::ptrdiff_t>(std::size_t{first} * part_.pageBytes),
                        std::size_t{count} * part_.pageBytes, 0xFF);
            busyUntilUs_ = nowUs + busyTime(part_.eraseUs);
        }
        return;
    case 0xC7:
        if (in.size() >= 4 && in[1] == 0x94 && in[2] == 0x80 && in[3] == 0x9A) {
            std::fill(memory_.begin(), memory_.end(), 0xFF);
            busyUntilUs_ = nowUs + busyTime(part_.pageCount / 8 * part_.eraseUs);
        }
        return;
    case 0x3D:
        if (in.size() >= 4 && in[1] == 0x2A && in[2] == 0x80 && in[3] == 0xA6) {
            pendingBinary_ = true;
            busyUntilUs_ = nowUs + busyTime(kConfigureUs);
        }
        return;
    default:
        return;
    }
}

void DataFlashChip::restartContents()
{
    restartSelection();
    if (written_)
        std::fill(memory_.begin(), memory_.end(), 0xFF);
    written_ = false;
    for (auto& b : buffers_)
        std::fill(b.begin(), b.end(), 0xFF);
    binary_ = false;
    pendingBinary_ = false;
    ignored_ = false;
    busyUntilUs_ = 0;
}

void DataFlashChip::powerCycle()
{
    select(false, 0);
    binary_ = pendingBinary_;
    busyUntilUs_ = 0;
    for (auto& b : buffers_)
        std::fill(b.begin(), b.end(), 0xFF);
}

ChipState DataFlashChip::state() const
{
    ChipState s;
    s.memories["flash"] = memory_;
    s.values["powerOf2"] = {binary_ ? 1 : 0, pendingBinary_ ? 1 : 0};
    return s;
}

bool DataFlashChip::setState(const ChipState& state, std::string* error)
{
    written_ = true;
    if (!takeMemory(state, "flash", memory_, error))
        return false;
    bool failed = false;
    if (const auto* value = takeValues(state, "powerOf2", 2, error, &failed)) {
        binary_ = (*value)[0] != 0;
        pendingBinary_ = (*value)[1] != 0 || binary_;
    }
    return !failed;
}

} // namespace quorva::sim
