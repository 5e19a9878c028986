#include "avr_chip.h"

#include <algorithm>

namespace quorva::sim {

AvrChip::AvrChip(const PartInfo& part)
    : FramedChip(part, false), flash_(part.flashBytes, 0xFF), eeprom_(part.eepromBytes, 0xFF),
      pageBuffer_(part.pageBytes, 0xFF)
{
    for (int i = 0; i < part.fuseCount; ++i)
        setFuse(i, part.fuseDefault[i]);
    setLockByte(0xFF);
}

void AvrChip::setFuse(int index, std::uint8_t value)
{
    // Bits the part does not implement read back as 1.
    fuses_[index] = value | static_cast<std::uint8_t>(~part_.fuseMask[index]);
}

std::uint8_t AvrChip::calibration(int index) const
{
    if (index >= part_.calibrationCount)
        return 0xFF;
    return static_cast<std::uint8_t>(0x9A + 5 * index + (part_.signature[2] & 0x0F));
}

void AvrChip::enteredReset()
{
    extended_ = 0;
    std::fill(pageBuffer_.begin(), pageBuffer_.end(), 0xFF);
}

void AvrChip::restartContents()
{
    restartFrame();
    std::fill(flash_.begin(), flash_.end(), 0xFF);
    std::fill(eeprom_.begin(), eeprom_.end(), 0xFF);
    std::fill(pageBuffer_.begin(), pageBuffer_.end(), 0xFF);
    std::fill(std::begin(fuses_), std::end(fuses_), 0xFF);
    for (int i = 0; i < part_.fuseCount; ++i)
        setFuse(i, part_.fuseDefault[i]);
    setLockByte(0xFF);
    extended_ = 0;
}

void AvrChip::powerCycle()
{
    FramedChip::powerCycle();
    enteredReset();
}

std::uint32_t AvrChip::flashIndex(std::uint8_t high, std::uint8_t low, bool odd) const
{
    const std::uint32_t word = (std::uint32_t{extended_} << 16) | (std::uint32_t{high} << 8) | low;
    const std::uint32_t words = part_.flashBytes / 2;
    return ((word % words) * 2) + (odd ? 1 : 0);
}

bool AvrChip::reads(std::uint8_t opcode)
{
    switch (opcode) {
    case 0x20:
    case 0x28:
    case 0xA0:
    case 0x30:
    case 0x38:
    case 0x50:
    case 0x58:
    case 0xF0:
        return true;
    default:
        return false;
    }
}

std::uint8_t AvrChip::answer(const std::uint8_t* in, std::uint64_t nowUs)
{
    const std::uint8_t echo = in[2];
    if (in[0] == 0xAC && in[1] == 0x53)
        return echo;
    if (!enabled_)
        return echo;
    // Poll RDY/BSY: bit 0 set while a write is in progress. A part without
    // the instruction echoes, which reads as ready even then.
    if (in[0] == 0xF0)
        return !part_.readyPoll ? echo : busy(nowUs) ? 0xFF : 0xFE;
    if (busy(nowUs))
        return 0xFF; // what data polling sees while a write is in progress
    switch (in[0]) {
    case 0x20:
    case 0x28:
        if (readProtected())
            return echo;
        return flash_[flashIndex(in[1], in[2], in[0] == 0x28)];
    case 0xA0:
        if (readProtected() || eeprom_.empty())
            return echo;
        return eeprom_[((std::uint32_t{in[1]} << 8) | in[2]) % eeprom_.size()];
    case 0x30: {
        if (readProtected())
            return echo;
        const int index = in[2] & 0x03;
        return index < 3 ? identity().signature[index] : 0xFF;
    }
    case 0x38:
        if (readProtected())
            return echo;
        return calibration(in[2] & 0x03);
    case 0x58:
        if (in[1] == 0x00)
            return lock_;
        if (in[1] == 0x08)
            return part_.fuseCount >= 2 ? fuses_[1] : 0xFF;
        return echo;
    case 0x50:
        if (in[1] == 0x00)
            return part_.fuseCount >= 1 ? fuses_[0] : 0xFF;
        if (in[1] == 0x08)
            return part_.fuseCount >= 3 ? fuses_[2] : 0xFF;
        return echo;
    default:
        return echo;
    }
}

void AvrChip::chipErase(std::uint64_t nowUs)
{
    std::fill(flash_.begin(), flash_.end(), 0xFF);
    const bool eesave = part_.eesaveFuse >= 0 && (fuses_[part_.eesaveFuse] & (1u << part_.eesaveBit)) == 0;
    if (!eesave)
        std::fill(eeprom_.begin(), eeprom_.end(), 0xFF);
    if (!staysLocked_)
        setLockByte(0xFF);
    startBusy(nowUs, part_.timing.eraseUs);
}

void AvrChip::execute(const std::uint8_t* in, std::uint64_t nowUs)
{
    if (in[0] == 0xAC && in[1] == 0x53) {
        enabled_ = true;
        return;
    }
    if (!enabled_ || refusedWhileBusy(in, nowUs, !reads(in[0])))
        return; // lost, as on the real part
    switch (in[0]) {
    case 0xAC:
        if ((in[1] & 0xE0) == 0x80) {
            chipErase(nowUs);
        } else if (in[1] == 0xA0 || in[1] == 0xA8 || in[1] == 0xA4) {
            const int index = in[1] == 0xA0 ? 0 : in[1] == 0xA8 ? 1 : 2;
            if (index >= part_.fuseCount || writeProtected())
                return;
            setFuse(index, in[3]);
            startBusy(nowUs, part_.timing.fuseUs);
        } else if (part_.lockPlace == LockPlace::Byte3 && (in[1] & 0xE0) == 0xE0) {
            // Lock bits can only be programmed; erasing clears them.
            setLockByte(lock_ & in[3]);
            startBusy(nowUs, part_.timing.fuseUs);
        } else if (part_.lockPlace == LockPlace::Byte1 && (in[1] & 0xFC) == 0xFC) {
            setLockByte(lock_ & static_cast<std::uint8_t>(in[1] | 0xFC));
            startBusy(nowUs, part_.timing.fuseUs);
        }
        return;
    case 0x40:
    case 0x48: {
        if (part_.pageBytes == 0) {
            if (writeProtected())
                return;
            flash_[flashIndex(in[1], in[2], in[0] == 0x48)] &= in[3];
            startBusy(nowUs, part_.timing.flashUs);
            return;
        }
        // Page load: only the word's place within the page counts.
        const std::uint32_t pageWords = part_.pageBytes / 2;
        const std::uint32_t word = ((std::uint32_t{in[1]} << 8) | in[2]) % pageWords;
        pageBuffer_[word * 2 + (in[0] == 0x48 ? 1 : 0)] = in[3];
        return;
    }
    case 0x4C: {
        if (part_.pageBytes == 0)
            return;
        if (!writeProtected()) {
            const std::uint32_t start = flashIndex(in[1], in[2], false) / part_.pageBytes * part_.pageBytes;
            // Flash cells only go from 1 to 0 until the next erase.
            for (std::uint32_t i = 0; i < part_.pageBytes; ++i)
                flash_[start + i] &= pageBuffer_[i];
            startBusy(nowUs, part_.timing.flashUs);
        }
        std::fill(pageBuffer_.begin(), pageBuffer_.end(), 0xFF);
        return;
    }
    case 0x4D:
        if (part_.hasExtendedAddress())
            extended_ = in[2];
        return;
    case 0xC0:
        if (eeprom_.empty() || writeProtected())
            return;
        eeprom_[((std::uint32_t{in[1]} << 8) | in[2]) % eeprom_.size()] = in[3];
        startBusy(nowUs, part_.timing.eepromUs);
        return;
    default:
        return; // not an instruction of this part
    }
}

ChipState AvrChip::state() const
{
    ChipState s;
    s.memories["flash"] = flash_;
    if (!eeprom_.empty())
        s.memories["eeprom"] = eeprom_;
    s.values["fuses"] = {fuses_[0], fuses_[1], fuses_[2]};
    s.values["lock"] = {lock_};
    return s;
}

bool AvrChip::setState(const ChipState& state, std::string* error)
{
    if (!takeMemory(state, "flash", flash_, error) || !takeMemory(state, "eeprom", eeprom_, error))
        return false;
    bool failed = false;
    if (const auto* fuses = takeValues(state, "fuses", 3, error, &failed)) {
        for (int i = 0; i < 3; ++i)
            setFuse(i, static_cast<std::uint8_t>((*fuses)[i]));
    }
    if (const auto* lock = takeValues(state, "lock", 1, error, &failed))
        setLockByte(static_cast<std::uint8_t>((*lock)[0]));
    return !failed;
}

} // namespace quorva::sim
