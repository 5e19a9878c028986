#include "program_data.h"

#include "chip_identity.h"

#include "base/messages.h"
#include "data/memory_buffer.h"
#include "data/project.h"

#include <algorithm>
#include <vector>

namespace quorva {

namespace {

constexpr int kChunkBytes = 64;
// The fixed wait after an AT89S byte, and the longest its write may take.
constexpr int kAt89WriteMs = 12;
// What an AT25 write cycle takes at most when the table gives no page delay
// (the AT25128/256/512 data sheets: 5 ms, 10 ms at low supply voltage).
constexpr int kAt25WriteCycleMs = 10;
constexpr int kAt26BlockSend = 256;
// A page whose write enable kept the chip busy is written again, but not
// without end.
constexpr int kAt26MaxRewrites = 3;
constexpr int kAt26SlowEnablePolls = 10;
// The box's answer to a write that failed while it polled the chip (the
// operation's result of the same name is 100).
constexpr int kPollingErrorReply = quorva::kPollingError;

std::uint8_t byte8(int value)
{
    return static_cast<std::uint8_t>(value & 0xFF);
}

// The milliseconds of a byte-delay timer value (T = 255 - 7 x ms), rounded up.
int eepromWriteMs(int timing)
{
    return (255 - (timing & 0xFF) + 6) / 7;
}

} // namespace

KX1ProgramData::KX1ProgramData(const OperationSetup& setup, MemoryBuffer& buffer, bool isFlash)
    : ChipOperation(setup), buffer_(buffer), isFlash_(isFlash),
      writeCommand_(byteOf(isFlash ? Command::WriteFlash : Command::WriteEeprom)),
      memorySize_(isFlash ? setup.device.flashSize : setup.device.eepromSize)
{
}

void KX1ProgramData::markProgrammed(int address, int count)
{
    auto states = buffer_.byteState().subspan(static_cast<std::size_t>(address), static_cast<std::size_t>(count));
    std::fill(states.begin(), states.end(), ByteProgrammed);
}

int KX1ProgramData::run()
{
    buffer_.setAllByteStates(BytePending);
    const ChipAlgorithm kind = algorithm();

    // A DataFlash in power-of-2 mode holds less than its table size, so its
    // pages are known before the buffer is measured against it.
    std::optional<At45Geometry> geometry;
    int memorySize = memorySize_;
    if (kind == ChipAlgorithm::At45) {
        geometry = readAt45Geometry();
        if (!geometry)
            return kFailed;
        memorySize = geometry->capacity;
    }

    if (memorySize < buffer_.length()) {
        const Answer answer =
            ui_.ask(Buttons::OkCancel, BoxIcon::Question, 0, messageText(1025),
                    formatMessage(1028, memorySize, isFlash_ ? "Flash" : "Eeprom"));
        if (answer != Answer::Ok) {
            declined_ = true;
            return kCancelled;
        }
    }
    // Beyond the chip's end the addresses would wrap onto its first bytes.
    const int n = std::min(buffer_.length(), std::max(memorySize, 0));
    processed_ = n;

    switch (kind) {
    case ChipAlgorithm::At45:
        return programAt45(n, *geometry);
    case ChipAlgorithm::At26:
        return programAt26(n);
    case ChipAlgorithm::At89s:
        return programAt89(n);
    case ChipAlgorithm::At25:
        return programAt25(n);
    case ChipAlgorithm::Avr:
        break;
    }
    return programAvr(n);
}

// ---- AVR: the box's composite write commands --------------------------

int KX1ProgramData::programAvr(int n)
{
    // The box's Eeprom writes wait a fixed time after each byte; written one
    // by one, each byte waits only as long as the chip needs.
    if (!isFlash_ && answersReadyPoll(device_) && !fixedWaits_ && !byteDelayOverridden(false))
        return programAvrEepromPolled(n);
    if (!link_.command(Command::SetByteDelay, {writeTiming(isFlash_)})) {
        showConnectionError();
        return kFailed;
    }
    const int pageBytes = device_.pageSize * 2; // the table counts words
    if (device_.pageSize != 0 && isFlash_)
        return programAvrPages(n, pageBytes);
    return programAvrChunks(n);
}

int KX1ProgramData::programAvrPages(int n, int pageBytes)
{
    start(messageText(1071), messageText(1072), n / pageBytes);
    if (!sendEach({byteOf(Command::SetAddress), 0x00, 0x00}) || !link_.expectAck()) {
        showConnectionError();
        return kFailed;
    }
    const auto data = buffer_.data();
    const int quarter = pageBytes / 4;
    const bool polled = answersReadyPoll(device_) && !fixedWaits_ && !pageDelayOverridden(true);
    std::vector<std::uint8_t> page(static_cast<std::size_t>(pageBytes));
    const int pages = (n + pageBytes - 1) / pageBytes;
    for (int p = 0; p < pages; ++p) {
        const int address = p * pageBytes;
        const int copied = std::min(pageBytes, n - address);
        std::copy_n(data.begin() + address, copied, page.begin());
        std::fill(page.begin() + copied, page.end(), 0xFF);

        // An erased page already holds 0xFF: nothing to send.
        const bool blank = std::all_of(page.begin(), page.end(), [](std::uint8_t b) { return b == 0xFF; });
        if (!blank) {
            for (int q = 0; q < 4; ++q) {
                if (!link_.port().sendByte(writeCommand_) || !link_.port().sendByte(byte8(quarter)) ||
                    !link_.port().send(page.data() + q * quarter, static_cast<std::size_t>(quarter))) {
                    showConnectionError();
                    return kFailed;
                }
                const int reply = link_.receiveByte();
                if (reply == kPollingErrorReply) {
                    showConnectionError();
                    return kPollingError;
                }
                if (reply != kAck) {
                    showConnectionError();
                    return kFailed;
                }
            }
            if (!loadExtendedAddress(address)) {
                showConnectionError();
                return kFailed;
            }
            if (!link_.send(Command::Spi4, {0x4C, byte8(address >> 9), byte8(address >> 1), 0x00})) {
                showConnectionError();
                return kFailed;
            }
            const int reply = link_.receiveByte();
            if (!polled)
                wait(pageDelayMs(isFlash_));
            if (reply != kAck) {
                showConnectionError();
                return kFailed;
            }
            // The table's page delay is what the chip may take at most.
            if (const int ready = polled ? pollReady(device_.pageWriteDelay, [this] { return avrBusy(); }) : kDone;
                ready != kDone) {
                if (ready == kFailed)
                    showConnectionError();
                return ready;
            }
        }
        markProgrammed(address, copied);
        if (cancelRequested())
            return kCancelled;
        wait(delays_[2]);
        progress(p);
    }
    return kDone;
}

int KX1ProgramData::programAvrChunks(int n)
{
    start(messageText(1071), messageText(isFlash_ ? 1072 : 1073), n / kChunkBytes);
    const auto data = buffer_.data();
    const int chunks = (n + kChunkBytes - 1) / kChunkBytes;
    for (int j = 0; j < chunks; ++j) {
        const int address = j * kChunkBytes;
        const int len = std::min(kChunkBytes, n - address);
        if (!link_.port().sendByte(writeCommand_) || !link_.port().sendByte(byte8(len)) ||
            !link_.port().send(data.data() + address, static_cast<std::size_t>(len))) {
            showConnectionError();
            return kFailed;
        }
        const int reply = link_.receiveByte();
        if (reply == kPollingErrorReply)
            return kPollingError;
        if (reply != kAck) {
            showConnectionError();
            return kFailed;
        }
        markProgrammed(address, len);
        if (cancelRequested())
            return kCancelled;
        wait(delays_[2]);
        progress(j);
    }
    return kDone;
}

int KX1ProgramData::programAvrEepromPolled(int n)
{
    start(messageText(1071), messageText(1073), n / kChunkBytes);
    const auto data = buffer_.data();
    const int boundMs = eepromWriteMs(device_.eepromWriteTiming);
    const int chunks = (n + kChunkBytes - 1) / kChunkBytes;
    for (int j = 0; j < chunks; ++j) {
        const int first = j * kChunkBytes;
        const int end = std::min(first + kChunkBytes, n);
        for (int a = first; a < end; ++a) {
            // Write EEPROM Memory, then Poll RDY/BSY.
            if (!link_.send(Command::Spi4, {0xC0, byte8(a >> 8), byte8(a), data[static_cast<std::size_t>(a)]}) ||
                !link_.expectAck()) {
                showConnectionError();
                return kFailed;
            }
            const int ready = pollReady(boundMs, [this] { return avrBusy(); });
            if (ready == kFailed)
                showConnectionError();
            if (ready != kDone)
                return ready;
            buffer_.byteState()[static_cast<std::size_t>(a)] = ByteProgrammed;
        }
        if (cancelRequested())
            return kCancelled;
        wait(delays_[2]);
        progress(j);
    }
    return kDone;
}

// ---- AT89S: byte writes -----------------------------------------------

int KX1ProgramData::programAt89(int n)
{
    start(messageText(1071), messageText(isFlash_ ? 1072 : 1073), n);
    const auto data = buffer_.data();
    const std::uint8_t instruction = isFlash_ ? 0x40 : 0xC0;
    const std::uint8_t readBack = isFlash_ ? 0x20 : 0xA0;
    const int delay = byteDelayMs(isFlash_, kAt89WriteMs);
    const bool polled = !fixedWaits_ && !byteDelayOverridden(isFlash_);
    for (int i = 0; i < n; ++i) {
        const std::uint8_t value = data[static_cast<std::size_t>(i)];
        // An erased byte already holds 0xFF, and a write only clears bits: a
        // write of 0xFF changes nothing, and data polling could not see it end.
        const bool write = !polled || value != 0xFF;
        if (write &&
            (!link_.send(Command::Spi4, {instruction, byte8(i >> 8), byte8(i), value}) || !link_.expectByte())) {
            showConnectionError();
            return kNoReply;
        }
        if (write && polled) {
            // Data polling: the byte reads back as written once its write is done.
            const int ready = pollReady(kAt89WriteMs, [&] {
                if (!link_.send(Command::Spi4Read, {readBack, byte8(i >> 8), byte8(i)}))
                    return -1;
                const int got = link_.receiveByte();
                return got < 0 ? -1 : got != value ? 1 : 0;
            });
            if (ready == kFailed) {
                showConnectionError();
                return kNoReply;
            }
            if (ready != kDone)
                return ready;
        }
        buffer_.byteState()[static_cast<std::size_t>(i)] = ByteProgrammed;
        if (cancelRequested())
            return kCancelled;
        if (!polled)
            wait(delay);
        progress(i);
    }
    return kDone;
}

// ---- AT25: serial EEPROM pages ----------------------------------------

int KX1ProgramData::waitAt25Ready()
{
    // The next write enable must not arrive inside the write cycle, where
    // the chip ignores it and the page after it would be lost.
    const int boundMs = fixedWaits_                  ? kBusyLimitMs
                        : device_.pageWriteDelay > 0 ? device_.pageWriteDelay
                                                     : kAt25WriteCycleMs;
    return pollReady(boundMs, [this] {
        if (!acknowledged(Command::SpiSelect) || !spiWriteBytewise(0x05) || !link_.send(Command::SpiRead))
            return -1;
        const int status = link_.receiveByte();
        if (status < 0 || !acknowledged(Command::SpiDeselect))
            return -1;
        return status & 0x01;
    });
}

int KX1ProgramData::programAt25(int n)
{
    const int page = device_.pageSize;
    const int count = page > 0 ? (n + page - 1) / page : 0;
    start(messageText(1071), messageText(1073), count);
    if (!acknowledged(Command::SpiSelect))
        return kFailed;
    wait(5);
    if (!acknowledged(Command::SpiDeselect))
        return kFailed;
    wait(5);
    const auto data = buffer_.data();
    for (int p = 0; p < count; ++p) {
        const int address = p * page;
        const int len = std::min(page, n - address);
        if (!acknowledged(Command::SpiSelect) || !spiWriteBytewise(0x06) || !acknowledged(Command::SpiDeselect))
            return kFailed;
        if (!acknowledged(Command::SpiSelect) || !spiWriteBytewise(0x02) || !spiWriteBytewise(byte8(address >> 8)) ||
            !spiWriteBytewise(byte8(address)))
            return kFailed;
        for (int i = 0; i < len; ++i) {
            const auto at = static_cast<std::size_t>(address + i);
            if (!spiWriteBytewise(data[at]))
                return kFailed;
            buffer_.byteState()[at] = ByteProgrammed;
        }
        if (!acknowledged(Command::SpiDeselect))
            return kFailed;
        if (!acknowledged(Command::SpiSelect) || !spiWriteBytewise(0x04) || !acknowledged(Command::SpiDeselect))
            return kFailed;
        if (const int ready = waitAt25Ready(); ready != kDone)
            return ready;
        if (cancelRequested())
            return kCancelled;
        progress(p);
    }
    wait(150);
    if (!acknowledged(Command::ReleaseTarget)) {
        showConnectionError();
        return kFailed;
    }
    return kDone;
}

// ---- AT26: serial Flash pages -----------------------------------------

int KX1ProgramData::at26Status()
{
    if (!exchange(Command::SpiDeselect) || !exchange(Command::SpiSelect) || !link_.send(Command::SpiWrite, {0x05}) ||
        !link_.expectByte() || !link_.send(Command::SpiRead))
        return -1;
    const int status = link_.receiveByte();
    if (status < 0 || !exchange(Command::SpiDeselect))
        return -1;
    return status;
}

int KX1ProgramData::waitAt26Ready(int* polls, bool waitFirst, int boundMs)
{
    const std::uint64_t deadline = now() + static_cast<std::uint64_t>(boundMs);
    for (;;) {
        if (waitFirst)
            wait(1);
        const std::uint64_t asked = now();
        const int status = at26Status();
        if (status < 0)
            return kNoReply;
        if ((status & 0x01) == 0)
            return kDone;
        if (polls)
            ++*polls;
        if (cancelRequested())
            return kCancelled;
        if (asked > deadline)
            return kPollingError;
        if (!waitFirst)
            wait(1);
    }
}

int KX1ProgramData::programAt26(int n)
{
    const int page = device_.pageSize;
    const int count = page > 0 ? (n + page - 1) / page : 0;
    start(messageText(1071), messageText(1072), count);
    if (!exchange(Command::SpiDeselect))
        return kNoReply;
    wait(100);
    // Without it a chip fresh from power-up ignores every page written.
    if (!unprotectSerialFlash(link_))
        return kNoReply;
    // A chip erase may still be running.
    if (const int ready = waitAt26Ready(nullptr, true, kBusyLimitMs); ready != kDone)
        return ready;
    // A page program takes at most the table's page delay.
    const int programMs = fixedWaits_ || device_.pageWriteDelay <= 0 ? kBusyLimitMs : device_.pageWriteDelay;

    const auto data = buffer_.data();
    const std::vector<std::uint8_t> padding(static_cast<std::size_t>(std::max(page, 0)), 0xFF);
    std::vector<int> rewrites(static_cast<std::size_t>(count), 0);
    int busy = 0;
    int p = 0;
    while (p < count) {
        if (busy > kAt26SlowEnablePolls) {
            // The chip was still busy long after the last write enable, which
            // may then have been lost: write the page before once more.
            p = std::max(p - 1, 0);
            if (++rewrites[static_cast<std::size_t>(p)] > kAt26MaxRewrites)
                return kNoReply;
        }
        busy = 0;
        const int address = p * page;
        const int len = std::min(page, n - address);

        if (!exchange(Command::SpiSelect) || !link_.send(Command::SpiWrite, {0x06}) || !link_.expectByte() ||
            !exchange(Command::SpiDeselect))
            return kNoReply;
        if (const int ready = waitAt26Ready(&busy, false, kBusyLimitMs); ready != kDone)
            return ready;
        if (!exchange(Command::SpiSelect))
            return kNoReply;
        wait(1);

        const int blockLength = page + 4;
        if (!sendEach({byteOf(Command::SpiWriteBlock), byte8(blockLength >> 8), byte8(blockLength), 0x02,
                       byte8(address >> 16), byte8(address >> 8), byte8(address)}))
            return kNoReply;
        for (int sent = 0; sent < len; sent += kAt26BlockSend) {
            const int part = std::min(kAt26BlockSend, len - sent);
            if (!link_.port().send(data.data() + address + sent, static_cast<std::size_t>(part)))
                return kNoReply;
        }
        if (len < page && !link_.port().send(padding.data(), static_cast<std::size_t>(page - len)))
            return kNoReply;
        markProgrammed(address, len);
        if (!link_.expectAck() || !exchange(Command::SpiDeselect))
            return kNoReply;
        if (const int ready = waitAt26Ready(nullptr, true, programMs); ready != kDone)
            return ready;
        if (cancelRequested())
            return kCancelled;
        progress(p);
        ++p;
    }
    return kDone;
}

// ---- AT45: DataFlash buffer writes ------------------------------------

int KX1ProgramData::programAt45(int n, const At45Geometry& geometry)
{
    const int page = geometry.pageBytes;
    const int count = page > 0 ? (n + page - 1) / page : 0;
    const int pageDelay = pageDelayMs(isFlash_);
    const bool polled = !fixedWaits_ && !pageDelayOverridden(isFlash_);
    // Page addresses start above the byte bits: one bit fewer for 2^k pages.
    const int shift = page % 256 != 0 ? device_.eepromSize : device_.eepromSize - 1;
    start(messageText(1071), messageText(1072), count);
    if (!acknowledged(Command::FlashDeselect))
        return kFailed;

    const auto data = buffer_.data();
    const std::vector<std::uint8_t> padding(static_cast<std::size_t>(page), 0xFF);
    for (int p = 0; p < count; ++p) {
        const int address = p * page;
        const int len = std::min(page, n - address);
        if (!acknowledged(Command::FlashSelect))
            return kFailed;
        // Buffer 1 write from its first byte.
        if (!sendEach({byteOf(Command::SpiWriteBlock), 0x00, 0x04, 0x84, 0x00, 0x00, 0x00}) || !link_.expectAck())
            return kFailed;
        if (!sendEach({byteOf(Command::SpiWriteBlock), byte8(page >> 8), byte8(page)}) ||
            !link_.port().send(data.data() + address, static_cast<std::size_t>(len)) ||
            (len < page && !link_.port().send(padding.data(), static_cast<std::size_t>(page - len))) ||
            !link_.expectAck())
            return kFailed;
        markProgrammed(address, len);
        if (!acknowledged(Command::FlashDeselect))
            return kFailed;
        wait(5);
        if (!acknowledged(Command::FlashSelect))
            return kFailed;
        // Buffer 1 to main memory page, without erase.
        const int pageAddress = p << shift;
        if (!sendEach({byteOf(Command::SpiWriteBlock), 0x00, 0x04, 0x88, byte8(pageAddress >> 8), byte8(pageAddress),
                       0x00}) ||
            !link_.expectAck())
            return kFailed;
        if (!acknowledged(Command::FlashDeselect))
            return kFailed;
        if (!polled) {
            wait(pageDelay);
        } else if (const int ready = pollReady(pageDelay, [this] { return at45Busy(); }); ready != kDone) {
            return ready;
        }
        if (cancelRequested())
            return kCancelled;
        progress(p);
    }
    return kDone;
}

int KX1ProgramData::at45Busy()
{
    if (!acknowledged(Command::FlashSelect) || !link_.send(Command::SpiWrite, {0xD7}) || !link_.expectAck() ||
        !link_.send(Command::SpiRead))
        return -1;
    const int status = link_.receiveByte();
    if (status < 0 || !acknowledged(Command::FlashDeselect))
        return -1;
    return (status & 0x80) != 0 ? 0 : 1; // bit 7: ready
}

} // namespace quorva
