// The composite memory commands: the box walks its running address through
// the chip's own read and write instructions, polling what it wrote.

#include "box.h"
#include "box_commands.h"

#include <algorithm>
#include <array>

namespace quorva::sim {

namespace {

constexpr std::uint64_t kPollLimitUs = 50000;
constexpr std::uint64_t kPollStepUs = 100;

} // namespace

bool Box::compositeCommand()
{
    const auto& a = args_;
    switch (command_) {
    case kWriteFlash:
    case kWriteEeprom:
        checkComposite(a[0]);
        blockRemaining_ = a[0];
        args_.clear();
        if (blockRemaining_ == 0)
            compositeWrite(command_ == kWriteFlash);
        else
            rx_ = Rx::WriteData;
        return true;
    case kReadFlash:
    case kReadEeprom:
        checkComposite(a[0]);
        compositeRead(command_ == kReadFlash, a[0]);
        return true;
    default:
        return false;
    }
}

// A data byte of WriteFlash or WriteEeprom; the last one starts the write.
void Box::compositeByte(std::uint8_t byte)
{
    args_.push_back(byte);
    if (--blockRemaining_ == 0) {
        rx_ = Rx::Command;
        compositeWrite(command_ == kWriteFlash);
    }
}

bool Box::avrAlgorithm() const
{
    // SelectDevice modes 1, 3 and 12 are the AT89S algorithms.
    return connectMode_ != 1 && connectMode_ != 3 && connectMode_ != 12;
}

std::uint64_t Box::byteDelayUs() const
{
    const int t = byteDelay_.value_or(255);
    return static_cast<std::uint64_t>(255 - t) * 1000 / 7;
}

bool Box::checkComposite(int count)
{
    bool fine = true;
    if (count > kCommandLimit) {
        violations_.push_back({ViolationKind::CountAbove64, commandIndex_, "count " + std::to_string(count)});
        fine = false;
    }
    if (!byteDelaySet_) {
        violations_.push_back({ViolationKind::NoByteDelay, commandIndex_, "command " + hex(command_)});
        fine = false;
    }
    return fine;
}

void Box::compositeWrite(bool flash)
{
    ++compositeWrites_;
    const bool avr = avrAlgorithm();
    bool failed = false;
    for (std::uint8_t data : args_) {
        const std::uint32_t address = runningAddress_++;
        if (failed)
            continue;
        const auto high = static_cast<std::uint8_t>(address >> 8);
        const auto low = static_cast<std::uint8_t>(address);
        if (avr && flash) {
            const std::uint32_t word = address >> 1;
            spi4((address & 1) ? 0x48 : 0x40, static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word),
                 data);
        } else {
            spi4(flash ? 0x40 : 0xC0, high, low, data);
        }
        // An AVR Flash byte is a page load (or a timed byte write) and cannot
        // be polled; Eeprom and AT89S bytes are read back until they match.
        // A page load only fills the chip's page buffer: there is no write
        // to wait for.
        const bool pageLoad = avr && flash && chip_->part().pageBytes != 0;
        const bool poll = polling_ && data != 0xFF && !(avr && flash);
        if (!poll) {
            if (!pageLoad)
                spendUs(byteDelayUs());
            continue;
        }
        const std::uint8_t readOp = flash ? 0x20 : 0xA0;
        std::uint64_t waited = 0;
        while (spi4(readOp, high, low, 0x00)[3] != data) {
            if (waited >= kPollLimitUs) {
                failed = true;
                break;
            }
            spendUs(kPollStepUs);
            waited += kPollStepUs;
        }
    }
    const auto& at = options_.faults.pollingErrorAt;
    if (at && *at == compositeWrites_) {
        trace("fault: polling error");
        failed = true;
    }
    reply({failed ? kPollingError : kAck});
}

void Box::compositeRead(bool flash, int count)
{
    const bool avr = avrAlgorithm();
    // The count is one byte of the command.
    std::array<std::uint8_t, 256> r{};
    const auto n = static_cast<std::size_t>(std::clamp(count, 0, 255));
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t address = runningAddress_++;
        if (avr && flash) {
            const std::uint32_t word = address >> 1;
            r[i] = spi4((address & 1) ? 0x28 : 0x20, static_cast<std::uint8_t>(word >> 8),
                        static_cast<std::uint8_t>(word), 0x00)[3];
        } else {
            r[i] = spi4(flash ? 0x20 : 0xA0, static_cast<std::uint8_t>(address >> 8),
                        static_cast<std::uint8_t>(address), 0x00)[3];
        }
    }
    reply(std::span<const std::uint8_t>(r.data(), n));
}

} // namespace quorva::sim
