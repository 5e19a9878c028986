#include "chip_operation.h"

#include "base/messages.h"
#include "data/project.h"

#include <algorithm>

namespace quorva {

namespace {
constexpr int kCaptionId = 1025;
constexpr int kDataFlashWaitMs = 15;
constexpr std::uint64_t kPollSpacingUs = 100;
} // namespace

ChipAlgorithm chipAlgorithm(const DeviceInfo& device)
{
    if (device.family == FamilyAt45)
        return ChipAlgorithm::At45;
    if (device.family == FamilyAt26)
        return ChipAlgorithm::At26;
    if (device.protocol == ProtocolAt89s)
        return ChipAlgorithm::At89s;
    if (device.protocol == ProtocolAt25)
        return ChipAlgorithm::At25;
    // Includes the AT89S8253, which the box programs with its composite commands.
    return ChipAlgorithm::Avr;
}

bool answersReadyPoll(const DeviceInfo& device)
{
    // Every ATtiny, ATmega, AT90PWM/CAN/USB and ATA part of the table has
    // Poll RDY/BSY; the AT86RF401, like the AT90S parts it descends from,
    // has none, and neither has the AT89S8253.
    return device.protocol == ProtocolAvr && device.family != FamilyAt86;
}

At45Geometry at45Geometry(const DeviceInfo& device, std::uint8_t status)
{
    At45Geometry geometry;
    geometry.binaryPages = (status & 0x01) != 0;
    geometry.pageBytes = geometry.binaryPages ? device.pageSize / 256 * 256 : device.pageSize;
    // Power-of-2 pages are smaller, not more: the chip keeps its page count.
    const int pages = device.pageSize > 0 ? device.flashSize / device.pageSize : 0;
    geometry.capacity = pages * geometry.pageBytes;
    return geometry;
}

ChipOperation::ChipOperation(const OperationSetup& setup)
    : ui_(setup.ui), link_(setup.link), project_(setup.project), device_(setup.device), delays_(setup.advancedDelays),
      baudCode_(setup.baudCode), fixedWaits_(setup.fixedWaits)
{
}

void ChipOperation::showConnectionError()
{
    ui_.showMessage(BoxIcon::Information, messageText(kCaptionId), messageText(1027));
}

void ChipOperation::wait(int ms)
{
    if (ms > 0)
        link_.wait(ms);
}

std::uint8_t ChipOperation::writeTiming(bool flash) const
{
    if (flash)
        return project_.delayByte ? byteDelayTimer(project_.delayByteValue)
                                  : static_cast<std::uint8_t>(device_.flashWriteTiming);
    return project_.delayByte2 ? byteDelayTimer(project_.delayByteValue2)
                               : static_cast<std::uint8_t>(device_.eepromWriteTiming);
}

std::uint8_t ChipOperation::readTiming(bool flash) const
{
    if (flash)
        return project_.delayByte ? byteDelayTimer(project_.delayByteValue)
                                  : static_cast<std::uint8_t>(device_.flashReadTiming);
    return project_.delayByte2 ? byteDelayTimer(project_.delayByteValue2)
                               : static_cast<std::uint8_t>(device_.eepromReadTiming);
}

int ChipOperation::pageDelayMs(bool flash) const
{
    if (flash)
        return project_.delayPage ? project_.delayPageValue : device_.pageWriteDelay;
    return project_.delayPage2 ? project_.delayPageValue2 : device_.pageWriteDelay;
}

int ChipOperation::byteDelayMs(bool flash, int fallback) const
{
    if (flash)
        return project_.delayByte ? project_.delayByteValue : fallback;
    return project_.delayByte2 ? project_.delayByteValue2 : fallback;
}

bool ChipOperation::pageDelayOverridden(bool flash) const
{
    return flash ? project_.delayPage : project_.delayPage2;
}

bool ChipOperation::byteDelayOverridden(bool flash) const
{
    return flash ? project_.delayByte : project_.delayByte2;
}

int ChipOperation::pollReady(int boundMs, const std::function<int()>& busy)
{
    Clock& clock = link_.clock();
    const std::uint64_t deadline = now() + static_cast<std::uint64_t>(std::max(boundMs, 0));
    const std::uint64_t startUs = clock.tickUs();
    // The writes of one run take about as long as each other: the chip is
    // asked only once most of the last write's time has passed.
    if (expectedBusyUs_ > 0)
        clock.sleepUs(static_cast<int>(expectedBusyUs_));
    std::optional<std::uint64_t> lastBusyUs;
    for (;;) {
        // What counts is when the chip was asked: a slow line may bring its
        // answer late, but "busy" then says nothing of the time after.
        const std::uint64_t asked = now();
        const std::uint64_t askedUs = clock.tickUs();
        const int state = busy();
        if (state < 0)
            return kFailed;
        if (state == 0) {
            // Busy when last asked: the write ended within a pause after
            // that, where the next one is asked about first. Ready at once:
            // it may have ended well before, so ask a little earlier.
            expectedBusyUs_ = lastBusyUs                             ? *lastBusyUs + kPollSpacingUs
                              : expectedBusyUs_ > kPollSpacingUs / 2 ? expectedBusyUs_ - kPollSpacingUs / 2
                                                                     : 0;
            return kDone;
        }
        lastBusyUs = askedUs - startUs;
        if (asked >= deadline)
            return kPollingError;
        // A pause between polls keeps the line and both ends quiet; mostly
        // it only falls between the last busy answer and the first ready one.
        clock.sleepUs(static_cast<int>(kPollSpacingUs));
    }
}

int ChipOperation::avrBusy()
{
    if (!link_.send(Command::Spi4Read, {0xF0, 0x00, 0x00}))
        return -1;
    const int status = link_.receiveByte();
    return status < 0 ? -1 : status & 0x01;
}

bool ChipOperation::loadExtendedAddress(int address)
{
    // Below 128 KB every address fits the instructions' 16-bit word address.
    constexpr int kWordAddressedBytes = 131072;
    const int extended = address >> 17;
    if (device_.flashSize <= kWordAddressedBytes || extendedAddress_ == extended)
        return true;
    if (!link_.send(Command::Spi4, {0x4D, 0x00, static_cast<std::uint8_t>(extended & 0xFF), 0x00}))
        return false;
    link_.receiveByte(); // not judged
    extendedAddress_ = extended;
    return true;
}

bool ChipOperation::sendEach(std::initializer_list<std::uint8_t> bytes)
{
    for (std::uint8_t byte : bytes) {
        if (!link_.port().sendByte(byte))
            return false;
    }
    return true;
}

bool ChipOperation::exchange(Command command)
{
    return link_.send(command) && link_.expectByte();
}

bool ChipOperation::acknowledged(Command command)
{
    return link_.send(command) && link_.expectAck();
}

bool ChipOperation::spiWriteBytewise(std::uint8_t value)
{
    return sendEach({byteOf(Command::SpiWrite), value}) && link_.expectAck();
}

int ChipOperation::receiveStream(std::uint8_t* out, int count)
{
    for (int i = 0; i < count; ++i) {
        const int byte = link_.receiveByte();
        if (byte < 0)
            return i;
        out[i] = static_cast<std::uint8_t>(byte);
    }
    return count;
}

std::optional<At45Geometry> ChipOperation::readAt45Geometry()
{
    if (!acknowledged(Command::FlashDeselect))
        return std::nullopt;
    wait(kDataFlashWaitMs);
    if (!acknowledged(Command::FlashSelect) || !link_.send(Command::SpiWrite, {0xD7}))
        return std::nullopt;
    wait(kDataFlashWaitMs);
    if (!link_.expectAck() || !link_.send(Command::SpiRead))
        return std::nullopt;
    wait(kDataFlashWaitMs);
    const int status = link_.receiveByte();
    if (status < 0)
        return std::nullopt;
    wait(kDataFlashWaitMs);
    if (!link_.send(Command::FlashDeselect))
        return std::nullopt;
    wait(kDataFlashWaitMs);
    if (!link_.expectAck())
        return std::nullopt;
    return at45Geometry(device_, static_cast<std::uint8_t>(status));
}

} // namespace quorva
