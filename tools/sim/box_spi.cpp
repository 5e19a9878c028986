// SPI pass-through: instructions of three or four bytes, the target's chip
// select, and blocks of bytes shifted through unread or read.

#include "box.h"
#include "box_commands.h"

namespace quorva::sim {

bool Box::spiCommand()
{
    const auto& a = args_;
    const std::uint64_t now = nowUs();
    switch (command_) {
    case kSpi3:
        spi(a[0]);
        spi(a[1]);
        spi(a[2]);
        ack();
        return true;
    case kSpi4:
        spi4(a[0], a[1], a[2], a[3]);
        ack();
        return true;
    case kSpi4Read:
        reply({spi4(a[0], a[1], a[2], 0x00)[3]});
        return true;
    case kSpiDeselect:
        chip_->resetLine(true, now);
        ack();
        return true;
    case kSpiSelect:
        chip_->resetLine(false, now);
        ack();
        return true;
    case kSpiWriteBlock:
        spiWrites_.clear();
        blockRemaining_ = (std::size_t{a[0]} << 8) | a[1];
        if (blockRemaining_ == 0)
            ack();
        else
            rx_ = Rx::BlockData;
        return true;
    case kSpiReadBlock: {
        spiWrites_.clear();
        const std::size_t count = (std::size_t{a[0]} << 8) | a[1];
        std::vector<std::uint8_t> r;
        r.reserve(count + 1);
        for (std::size_t i = 0; i < count; ++i)
            r.push_back(spi(0x00));
        r.push_back(kAck);
        reply(std::move(r));
        return true;
    }
    default:
        return false;
    }
}

// A byte of SpiWriteBlock; the last one is acknowledged.
void Box::blockByte(std::uint8_t byte)
{
    spi(byte);
    if (--blockRemaining_ == 0) {
        rx_ = Rx::Command;
        ack();
    }
}

std::uint8_t Box::spi(std::uint8_t mosi)
{
    return chip_->exchange(mosi, nowUs());
}

std::array<std::uint8_t, 4> Box::spi4(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d)
{
    return {spi(a), spi(b), spi(c), spi(d)};
}

} // namespace quorva::sim
