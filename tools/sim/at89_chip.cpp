#include "at89_chip.h"

#include <algorithm>
#include <bit>

namespace quorva::sim {

At89Chip::At89Chip(const PartInfo& part)
    : FramedChip(part, true), flash_(part.flashBytes, 0xFF), eeprom_(part.eepromBytes, 0xFF)
{
}

void At89Chip::restartContents()
{
    restartFrame();
    std::fill(flash_.begin(), flash_.end(), 0xFF);
    std::fill(eeprom_.begin(), eeprom_.end(), 0xFF);
    lock_ = 0x07;
    fuses_ = 0x0A;
}

int At89Chip::programmedLocks() const
{
    return 3 - std::popcount(static_cast<unsigned>(lock_ & 0x07));
}

std::uint8_t At89Chip::readMemory(const std::vector<std::uint8_t>& memory, std::uint32_t address) const
{
    if (memory.empty())
        return 0xFF;
    // Address lines above the array are not decoded on the power-of-two
    // parts; the AT89S8253's 12 KB ends at 2FFFh.
    if (std::has_single_bit(memory.size()))
        return memory[address & (memory.size() - 1)];
    return address < memory.size() ? memory[address] : 0xFF;
}

bool At89Chip::reads(std::uint8_t opcode)
{
    return opcode == 0x20 || opcode == 0xA0 || opcode == 0x28 || opcode == 0x24 || opcode == 0x21;
}

std::uint8_t At89Chip::answer(const std::uint8_t* in, std::uint64_t nowUs)
{
    const std::uint32_t address = (std::uint32_t{in[1]} << 8) | in[2];
    if (in[0] == 0xAC && in[1] == 0x53)
        return 0x69;
    if (!enabled_ || busy(nowUs))
        return 0xFF;
    switch (in[0]) {
    case 0x20:
        return readProtected() ? 0xFF : readMemory(flash_, address);
    case 0xA0:
        if (part_.at89 != At89Kind::S8253)
            return 0xFF;
        return readProtected() ? 0xFF : readMemory(eeprom_, address);
    case 0x28: {
        // Signature rows: 000h, 100h, 200h; the AT89S8253 keeps them at 30h-32h.
        const auto& sig = identity().signature;
        if (part_.at89 == At89Kind::S8253)
            return in[1] == 0 && in[2] >= 0x30 && in[2] <= 0x32 ? sig[in[2] - 0x30] : 0xFF;
        return in[2] == 0 && in[1] < 3 ? sig[in[1]] : 0xFF;
    }
    case 0x24:
        if (part_.at89 == At89Kind::S8253)
            return static_cast<std::uint8_t>(0xF8 | lock_);
        // xx LB3 LB2 LB1 xx, a programmed bit reads 1.
        return static_cast<std::uint8_t>(0xE3 | ((~lock_ & 0x07) << 2));
    case 0x21:
        return part_.at89 == At89Kind::S8253 ? static_cast<std::uint8_t>(0xF0 | fuses_) : 0xFF;
    default:
        return 0xFF;
    }
}

void At89Chip::execute(const std::uint8_t* in, std::uint64_t nowUs)
{
    if (in[0] == 0xAC && in[1] == 0x53) {
        enabled_ = true;
        return;
    }
    if (!enabled_ || refusedWhileBusy(in, nowUs, !reads(in[0])))
        return;
    const std::uint32_t address = (std::uint32_t{in[1]} << 8) | in[2];
    switch (in[0]) {
    case 0xAC:
        if ((in[1] & 0xE0) == 0x80) {
            std::fill(flash_.begin(), flash_.end(), 0xFF);
            std::fill(eeprom_.begin(), eeprom_.end(), 0xFF);
            if (!staysLocked_)
                lock_ = 0x07;
            startBusy(nowUs, part_.eraseUs);
        } else if (part_.at89 == At89Kind::S8253 && (in[1] & 0xF8) == 0xE0) {
            lock_ &= in[1] & 0x07;
            startBusy(nowUs, part_.byteWriteUs);
        } else if (part_.at89 == At89Kind::S8253 && (in[1] & 0xF0) == 0x10) {
            fuses_ = in[1] & 0x0F;
            startBusy(nowUs, part_.byteWriteUs);
        } else if (part_.at89 != At89Kind::S8253 && (in[1] & 0xFC) == 0xE0) {
            // 1110 00B1B2: 01 programs LB1, 10 LB2, 11 LB3; 00 programs nothing.
            const int bit = in[1] & 0x03;
            if (bit != 0)
                lock_ &= static_cast<std::uint8_t>(~(1u << (bit - 1)));
            startBusy(nowUs, part_.byteWriteUs);
        }
        return;
    case 0x40:
        if (writeProtected() || address >= flash_.size())
            return;
        flash_[address] &= in[3];
        startBusy(nowUs, part_.byteWriteUs);
        return;
    case 0xC0:
        if (part_.at89 != At89Kind::S8253 || writeProtected() || address >= eeprom_.size())
            return;
        eeprom_[address] = in[3];
        startBusy(nowUs, part_.byteWriteUs);
        return;
    default:
        return;
    }
}

ChipState At89Chip::state() const
{
    ChipState s;
    s.memories["flash"] = flash_;
    if (!eeprom_.empty())
        s.memories["eeprom"] = eeprom_;
    s.values["lock"] = {lock_};
    if (part_.at89 == At89Kind::S8253)
        s.values["fuses"] = {fuses_};
    return s;
}

bool At89Chip::setState(const ChipState& state, std::string* error)
{
    if (!takeMemory(state, "flash", flash_, error) || !takeMemory(state, "eeprom", eeprom_, error))
        return false;
    bool failed = false;
    if (const auto* lock = takeValues(state, "lock", 1, error, &failed))
        setLockBits(static_cast<std::uint8_t>((*lock)[0]));
    if (const auto* fuses = takeValues(state, "fuses", 1, error, &failed))
        fuses_ = static_cast<std::uint8_t>((*fuses)[0]) & 0x0F;
    return !failed;
}

} // namespace quorva::sim
