#include "chip.h"

#include "at25_chip.h"
#include "at89_chip.h"
#include "avr_chip.h"
#include "dataflash_chip.h"
#include "serial_flash_chip.h"

#include "box_commands.h"

#include <algorithm>

namespace quorva::sim {

namespace {
// Far beyond any run: the write of a part that never gets ready.
constexpr std::uint64_t kNeverUs = std::uint64_t{1} << 60;
} // namespace

std::uint64_t Chip::busyTime(std::uint32_t us) const
{
    if (neverReady_)
        return kNeverUs;
    return instant_ ? 0 : std::uint64_t{us} * slowdown_;
}

void Chip::refuse(const std::string& instruction) const
{
    if (refusals_)
        refusals_(instruction + " while " + part_.name + " was busy");
}

bool FramedChip::refusedWhileBusy(const std::uint8_t* in, std::uint64_t nowUs, bool writes) const
{
    if (!busy(nowUs))
        return false;
    // Reads go on, as data polling needs; the part ignores the rest.
    if (writes)
        refuse("instruction " + hex(in[0]) + " " + hex(in[1]) + " " + hex(in[2]) + " " + hex(in[3]));
    return true;
}

FramedChip::FramedChip(const PartInfo& part, bool resetActiveHigh) : Chip(part), resetActiveHigh_(resetActiveHigh) {}

void FramedChip::resetLine(bool high, std::uint64_t /*nowUs*/)
{
    const bool reset = high == resetActiveHigh_;
    if (reset && !inReset_) {
        // A fresh reset starts programming over: not enabled, frame at byte 0.
        enabled_ = false;
        position_ = 0;
        enteredReset();
    }
    inReset_ = reset;
}

void FramedChip::releaseReset(std::uint64_t nowUs)
{
    // AVR RESET has a pull-up, AT89S RST a pull-down: either way the part runs.
    resetLine(!resetActiveHigh_, nowUs);
}

std::uint8_t FramedChip::exchange(std::uint8_t mosi, std::uint64_t nowUs)
{
    if (!inReset_)
        return 0xFF; // running: MISO is the application's, read as idle
    in_[position_] = mosi;
    std::uint8_t out;
    switch (position_) {
    case 0: out = previous_; break;
    case 1: out = in_[0]; break;
    case 2: out = in_[1]; break;
    default: out = answer(in_, nowUs); break;
    }
    if (++position_ == 4) {
        position_ = 0;
        execute(in_, nowUs);
    }
    previous_ = mosi;
    return out;
}

void Chip::restart()
{
    instant_ = false;
    slowdown_ = 1;
    neverReady_ = false;
    staysLocked_ = false;
    identityOf_ = nullptr;
    restartContents();
}

void FramedChip::restartFrame()
{
    FramedChip::powerCycle();
    std::fill(std::begin(in_), std::end(in_), 0);
    previous_ = 0xFF;
}

void FramedChip::powerCycle()
{
    inReset_ = false;
    enabled_ = false;
    position_ = 0;
    busyUntilUs_ = 0;
}

std::unique_ptr<Chip> makeChip(const PartInfo& part)
{
    switch (part.family) {
    case ChipFamily::Avr: return std::make_unique<AvrChip>(part);
    case ChipFamily::At89: return std::make_unique<At89Chip>(part);
    case ChipFamily::At25: return std::make_unique<At25Chip>(part);
    case ChipFamily::SerialFlash: return std::make_unique<SerialFlashChip>(part);
    case ChipFamily::DataFlash: return std::make_unique<DataFlashChip>(part);
    }
    return nullptr;
}

} // namespace quorva::sim

namespace quorva::sim {

bool takeMemory(const ChipState& state, const std::string& name, std::vector<std::uint8_t>& memory,
                std::string* error)
{
    const auto it = state.memories.find(name);
    if (it == state.memories.end())
        return true;
    if (it->second.size() != memory.size()) {
        if (error)
            *error = name + " holds " + std::to_string(it->second.size()) + " bytes, the chip has " +
                     std::to_string(memory.size());
        return false;
    }
    memory = it->second;
    return true;
}

const std::vector<int>* takeValues(const ChipState& state, const std::string& name, std::size_t count,
                                   std::string* error, bool* failed)
{
    const auto it = state.values.find(name);
    if (it == state.values.end())
        return nullptr;
    if (it->second.size() != count) {
        if (error)
            *error = name + " needs " + std::to_string(count) + " values";
        *failed = true;
        return nullptr;
    }
    return &it->second;
}

} // namespace quorva::sim
