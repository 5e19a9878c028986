#include "chip_identity.h"

#include <cstring>

namespace quorva {

namespace {

constexpr int kDataFlashWaitMs = 15;
constexpr int kSerialFlashEraseMs = 10000;
// The data sheets' worst chip-erase time, with margin.
constexpr std::uint64_t kSerialFlashEraseLimitMs = 120000;
constexpr int kSerialFlashPollMs = 100;

// The command's one-byte reply; -1 when it was not sent or nothing came.
int reply(BoxLink& link, Command command)
{
    return link.send(command) ? link.receiveByte() : -1;
}

int spiWrite(BoxLink& link, std::uint8_t value)
{
    return link.send(Command::SpiWrite, {value}) ? link.receiveByte() : -1;
}

SignatureRead readAt89Signature(BoxLink& link, const DeviceInfo& device)
{
    SignatureRead read;
    const bool s8253 = std::strcmp(device.name, "AT89S8253") == 0;
    for (int i = 0; i < 3; ++i) {
        const auto index = static_cast<std::uint8_t>(i);
        const bool sent = s8253 ? link.send(Command::Spi4Read, {0x28, 0x00, static_cast<std::uint8_t>(0x30 + i)})
                                : link.send(Command::Spi4Read, {0x28, index, 0x00});
        const int value = sent ? link.receiveByte() : -1;
        if (value < 0)
            return read;
        read.bytes[static_cast<std::size_t>(i)] = value;
    }
    read.ok = true;
    return read;
}

SignatureRead readDataFlashSignature(BoxLink& link)
{
    SignatureRead read;
    reply(link, Command::FlashDeselect);
    link.wait(kDataFlashWaitMs);
    reply(link, Command::FlashSelect);
    if (!link.send(Command::SpiWrite, {0xD7}))
        return read;
    link.wait(kDataFlashWaitMs);
    link.receiveByte();
    if (!link.send(Command::SpiRead))
        return read;
    link.wait(kDataFlashWaitMs);
    const int status = link.receiveByte();
    if (status < 0)
        return read;
    read.dataFlashStatus = status;

    link.wait(kDataFlashWaitMs);
    if (link.send(Command::FlashDeselect)) {
        link.wait(kDataFlashWaitMs);
        if (link.receiveByte() == 0x9C)
            link.receiveByte(); // dropped
    }
    reply(link, Command::FlashSelect);
    link.send(Command::SpiWrite, {0x9F});
    link.wait(kDataFlashWaitMs);
    link.receiveByte();
    link.wait(kDataFlashWaitMs);
    std::array<int, 4> id{};
    for (int& byte : id)
        byte = reply(link, Command::SpiRead);
    reply(link, Command::FlashDeselect);
    read.ok = id[0] >= 0 && id[1] >= 0 && id[2] >= 0;
    if (read.ok)
        read.bytes = {id[0], id[1], id[2]};
    return read;
}

SignatureRead readSerialFlashSignature(BoxLink& link, bool stopAtMissingReply)
{
    SignatureRead read;
    // The sequence reads past a missing reply; a check that stops there
    // sends nothing more, so a dead line costs it one time-out, not fifteen.
    bool missing = false;
    auto ask = [&](int value) {
        missing = missing || value < 0;
        return value;
    };
    auto next = [&](Command command) { return stopAtMissingReply && missing ? -1 : ask(reply(link, command)); };
    auto write = [&](std::uint8_t value) { return stopAtMissingReply && missing ? -1 : ask(spiWrite(link, value)); };
    // A status read first; its answer is not used.
    next(Command::SpiDeselect);
    next(Command::SpiSelect);
    write(0x05);
    next(Command::SpiRead);
    next(Command::SpiDeselect);

    next(Command::SpiDeselect);
    next(Command::SpiSelect);
    next(Command::SpiDeselect);
    next(Command::SpiSelect);
    write(0x9F);
    std::array<int, 4> id{};
    for (int& byte : id)
        byte = next(Command::SpiRead);
    next(Command::SpiDeselect);
    read.ok = id[0] >= 0 && id[1] >= 0 && id[2] >= 0 && !(stopAtMissingReply && missing);
    if (read.ok)
        read.bytes = {id[0], id[1], id[2]};
    return read;
}

bool eraseSerialFlash(BoxLink& link)
{
    unprotectSerialFlash(link);
    reply(link, Command::SpiSelect);
    // One status read; the value is not used.
    reply(link, Command::SpiDeselect);
    reply(link, Command::SpiSelect);
    spiWrite(link, 0x05);
    reply(link, Command::SpiRead);
    reply(link, Command::SpiDeselect);

    reply(link, Command::SpiDeselect);
    reply(link, Command::SpiSelect);
    if (spiWrite(link, 0x06) != kAck)
        return false;
    reply(link, Command::SpiDeselect);
    reply(link, Command::SpiSelect);
    if (spiWrite(link, 0xC7) != kAck)
        return false;
    // The chip starts erasing when it is deselected, and is done only when
    // its status says so.
    reply(link, Command::SpiDeselect);
    const std::uint64_t started = link.clock().tickMs();
    link.wait(kSerialFlashEraseMs);
    for (;;) {
        reply(link, Command::SpiDeselect);
        reply(link, Command::SpiSelect);
        spiWrite(link, 0x05);
        const int status = reply(link, Command::SpiRead);
        reply(link, Command::SpiDeselect);
        if (status < 0)
            return false;
        if ((status & 0x01) == 0)
            return true;
        if (link.clock().tickMs() - started >= kSerialFlashEraseLimitMs)
            return false;
        link.wait(kSerialFlashPollMs);
    }
}

} // namespace

bool unprotectSerialFlash(BoxLink& link)
{
    // Write enable, then status register 0: every sector unprotected. A
    // missing reply ends it: the line is gone, and each further command
    // would only wait out its time-out.
    return reply(link, Command::SpiDeselect) >= 0 && reply(link, Command::SpiSelect) >= 0 &&
           spiWrite(link, 0x06) >= 0 && reply(link, Command::SpiDeselect) >= 0 &&
           reply(link, Command::SpiSelect) >= 0 && spiWrite(link, 0x01) >= 0 && spiWrite(link, 0x00) >= 0 &&
           reply(link, Command::SpiDeselect) >= 0;
}

bool readAvrSignature(BoxLink& link, std::array<int, 3>& signature)
{
    signature = {255, 255, 255};
    for (int i = 0; i < 3; ++i) {
        if (!link.send(Command::Spi4Read, {0x30, 0x00, static_cast<std::uint8_t>(i)}))
            return false;
        const int value = link.receiveByte();
        if (value < 0)
            return false;
        signature[static_cast<std::size_t>(i)] = value;
    }
    return true;
}

SignatureRead readChipSignature(BoxLink& link, const DeviceInfo& device, bool stopAtMissingReply)
{
    if (device.protocol == ProtocolAt89s || device.protocol == ProtocolAt89s8253)
        return readAt89Signature(link, device);
    if (device.family == FamilyAt45)
        return readDataFlashSignature(link);
    if (device.family == FamilyAt26)
        return readSerialFlashSignature(link, stopAtMissingReply);
    SignatureRead read;
    read.ok = readAvrSignature(link, read.bytes);
    return read;
}

bool eraseChip(BoxLink& link, const DeviceInfo& device)
{
    if (device.family == FamilyAt26)
        return eraseSerialFlash(link);
    if (std::strcmp(device.name, "ATtiny26") == 0) {
        // Erase, load 0xFF into the low byte of word 0, erase again.
        if (!link.command(Command::Spi4, {0xAC, 0x80, 0x04, 0x00}))
            return false;
        link.wait(7);
        if (!link.command(Command::Spi4, {0x40, 0x00, 0x00, 0xFF}))
            return false;
    }
    if (!link.send(Command::Spi4, {0xAC, 0x80, 0x04, 0x00}))
        return false;
    // The erase runs while the reply waits.
    link.wait(10);
    return link.expectAck();
}

} // namespace quorva
