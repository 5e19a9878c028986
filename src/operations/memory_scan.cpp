#include "memory_scan.h"

#include <algorithm>
#include <vector>

namespace quorva {

namespace {

constexpr int kAvrBlockBytes = 64;
constexpr int kAt26BlockBytes = 512;

std::uint8_t byte8(int value)
{
    return static_cast<std::uint8_t>(value & 0xFF);
}

} // namespace

MemoryScan::MemoryScan(const OperationSetup& setup, bool isFlash) : ChipOperation(setup), isFlash_(isFlash) {}

int MemoryScan::scanAvr(int n)
{
    if (!link_.command(Command::SetByteDelay, {readTiming(isFlash_)})) {
        showConnectionError();
        return kFailed;
    }
    const Command read = isFlash_ ? Command::ReadFlash : Command::ReadEeprom;
    const int blocks = (n + kAvrBlockBytes - 1) / kAvrBlockBytes;
    for (int i = 0; i < blocks; ++i) {
        const int address = i * kAvrBlockBytes;
        const int len = std::min(kAvrBlockBytes, n - address);
        if (!loadExtendedAddress(address)) {
            showConnectionError();
            return kFailed;
        }
        const std::uint8_t* bytes = link_.send(read, {byte8(len)}) ? link_.receive(static_cast<std::size_t>(len))
                                                                   : nullptr;
        if (!bytes) {
            showConnectionError();
            return kFailed;
        }
        if (!take(address, bytes, len))
            return stopResult();
        if (cancelRequested())
            return kCancelled;
        wait(delays_[1]);
        progress(i);
    }
    return kDone;
}

int MemoryScan::scanAt89(int n, int byteDelayMs)
{
    const std::uint8_t instruction = isFlash_ ? 0x20 : 0xA0;
    for (int i = 0; i < n; ++i) {
        if (!link_.send(Command::Spi4Read, {instruction, byte8(i >> 8), byte8(i)})) {
            showConnectionError();
            return kNoReply;
        }
        const int value = link_.receiveByte();
        if (value < 0) {
            showConnectionError();
            return kNoReply;
        }
        const auto byte = static_cast<std::uint8_t>(value);
        if (!take(i, &byte, 1))
            return stopResult();
        if (cancelRequested())
            return kCancelled;
        wait(byteDelayMs);
        progress(i / 64);
    }
    return kDone;
}

int MemoryScan::scanAt25(int n)
{
    const int page = device_.pageSize;
    const int count = page > 0 ? (n + page - 1) / page : 0;
    startPages(ChipAlgorithm::At25, count);
    if (!acknowledged(Command::SpiSelect))
        return kFailed;
    wait(5);
    if (!acknowledged(Command::SpiDeselect))
        return kFailed;
    wait(5);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max(page, 0)));
    for (int p = 0; p < count; ++p) {
        const int address = p * page;
        const int len = std::min(page, n - address);
        if (!acknowledged(Command::SpiSelect) || !spiWriteBytewise(0x03) || !spiWriteBytewise(byte8(address >> 8)) ||
            !spiWriteBytewise(byte8(address)))
            return kFailed;
        for (int i = 0; i < len; ++i) {
            const int value = link_.send(Command::SpiRead) ? link_.receiveByte() : -1;
            // A byte that never came is a failing link, not a short page.
            if (value < 0)
                return kFailed;
            bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value);
        }
        if (!take(address, bytes.data(), len))
            return stopResult();
        if (!acknowledged(Command::SpiDeselect))
            return kFailed;
        if (cancelRequested())
            return kCancelled;
        progress(p);
    }
    wait(150);
    if (!acknowledged(Command::ReleaseTarget))
        return kFailed;
    return kDone;
}

int MemoryScan::streamBlocks(int n, int blockBytes)
{
    const int count = blockBytes > 0 ? (n + blockBytes - 1) / blockBytes : 0;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::max(blockBytes, 0)));
    for (int i = 0; i < count; ++i) {
        const int address = i * blockBytes;
        const int len = std::min(blockBytes, n - address);
        if (!sendEach({byteOf(Command::SpiReadBlock), byte8(len >> 8), byte8(len)}))
            return kNoReply;
        const int got = receiveStream(bytes.data(), len);
        const bool goOn = take(address, bytes.data(), got);
        // The block's closing reply is read even when the run stops here, so
        // nothing is left unread when the connection is closed.
        const bool closed = got == len && link_.expectAck();
        if (!goOn)
            return stopResult();
        if (!closed)
            return kNoReply;
        if (cancelRequested())
            return kCancelled;
        progress(i);
    }
    return kDone;
}

int MemoryScan::scanAt26(int n)
{
    const int count = (n + kAt26BlockBytes - 1) / kAt26BlockBytes;
    startPages(ChipAlgorithm::At26, count);
    if (!exchange(Command::SpiDeselect) || !exchange(Command::SpiSelect))
        return kNoReply;
    // Read array from address 0 with its dummy byte.
    if (!sendEach({byteOf(Command::SpiWriteBlock), 0x00, 0x05, 0x0B, 0x00, 0x00, 0x00, 0x00}) || !link_.expectAck())
        return kNoReply;
    if (const int result = streamBlocks(n, kAt26BlockBytes); result != kDone)
        return result;
    if (!exchange(Command::SpiDeselect))
        return kNoReply;
    return kDone;
}

int MemoryScan::scanAt45(int n, const At45Geometry& geometry, At45Start how)
{
    const int page = geometry.pageBytes;
    const int count = page > 0 ? (n + page - 1) / page : 0;
    startPages(ChipAlgorithm::At45, count);
    switch (how) {
    case At45Start::SpiWrites:
        if (!acknowledged(Command::FlashDeselect) || !acknowledged(Command::FlashSelect) ||
            !spiWriteBytewise(0x03) || !spiWriteBytewise(0x00) || !spiWriteBytewise(0x00) ||
            !spiWriteBytewise(0x00))
            return kNoReply;
        // At 921600 baud the box confirms once more that it is ready to stream.
        if (baudCode_ == 2 && !link_.expectAck())
            return kNoReply;
        break;
    case At45Start::WriteBlock:
        if (!acknowledged(Command::FlashDeselect) || !acknowledged(Command::FlashSelect) ||
            !sendEach({byteOf(Command::SpiWriteBlock), 0x00, 0x04, 0x03, 0x00, 0x00, 0x00}) || !link_.expectAck())
            return kNoReply;
        break;
    case At45Start::Legacy:
        if (!acknowledged(Command::FlashDeselectAlt) || !acknowledged(Command::FlashSelectAlt) ||
            !sendEach({byteOf(Command::SpiWriteBlock), 0x00, 0x08, 0xE8, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}) ||
            !link_.expectAck())
            return kNoReply;
        break;
    }
    if (const int result = streamBlocks(n, page); result != kDone)
        return result;
    if (how == At45Start::SpiWrites && !acknowledged(Command::FlashDeselect))
        return kNoReply;
    return kDone;
}

int MemoryScan::scanChip(int n, const At45Geometry* geometry, At45Start how)
{
    switch (algorithm()) {
    case ChipAlgorithm::At45:
        return geometry ? scanAt45(n, *geometry, how) : kFailed;
    case ChipAlgorithm::At26:
        return scanAt26(n);
    case ChipAlgorithm::At89s:
        return scanAt89(n, byteDelayMs(isFlash_, 5));
    case ChipAlgorithm::At25:
        return scanAt25(n);
    case ChipAlgorithm::Avr:
        break;
    }
    return scanAvr(n);
}

} // namespace quorva
