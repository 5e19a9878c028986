// Connection and parameters: the Ping that starts a connection, what the
// box says about itself, the line speed and timing, the target's reset line
// and entering programming mode.

#include "box.h"
#include "box_commands.h"

namespace quorva::sim {

namespace {

int baudOfCode(std::uint8_t code)
{
    return code == 1 ? 115200 : code == 2 ? 921600 : 19200;
}

} // namespace

bool Box::connectionCommand()
{
    const auto& a = args_;
    const std::uint64_t now = nowUs();
    switch (command_) {
    case kPing:
        newConnection();
        pingReply();
        return true;
    case kGetFirmwareCode:
        replyCode(firmwareCode_);
        return true;
    case kGetVersionText:
        replyText(versionText_);
        return true;
    case kGetSerialNumber:
        replySerialNumber();
        return true;
    case kSelectDevice:
        connectMode_ = a[0];
        ack();
        return true;
    case kSetAddress:
        if (a[0] != 0 || a[1] != 0)
            violations_.push_back({ViolationKind::AddressNotZero, commandIndex_, hex(a[0]) + " " + hex(a[1])});
        runningAddress_ = (std::uint32_t{a[0]} << 8) | a[1];
        ack();
        return true;
    case kSetParameters:
        if (a[0] > 2)
            violations_.push_back({ViolationKind::BadParameter, commandIndex_, "baud code " + hex(a[0])});
        sck_ = a[1];
        polling_ = a[2] != 0;
        ack();
        // The new speed applies after the acknowledgement has gone out.
        baud_ = baudOfCode(a[0]);
        return true;
    case kSetByteDelay:
        byteDelay_ = a[0];
        byteDelaySet_ = true;
        ack();
        return true;
    case kReleaseTarget:
        chip_->releaseReset(now);
        chip_->flashSelect(false, now);
        flashSelected_ = false;
        ack();
        return true;
    case kEscape:
        return true;
    case kResetPulseLong:
    case kResetPulseShort:
        chip_->resetLine(true, now);
        chip_->resetLine(false, now);
        ack();
        return true;
    case kResetHigh:
        chip_->resetLine(true, now);
        ack();
        return true;
    case kEnterProgramming:
        reply({static_cast<std::uint8_t>(synchronise() ? kAck : 0x00)});
        return true;
    default:
        return false;
    }
}

void Box::newConnection()
{
    byteDelaySet_ = false;
}

void Box::pingReply()
{
    if (!firstPingAnswered_ && options_.faults.staleByte) {
        // The PC reads the stale byte, pings again and drains the line; until
        // its drain times out, unread bytes are expected.
        unreadCheck_ = false;
        reply({*options_.faults.staleByte, options_.pingAnswer});
    } else {
        reply({options_.pingAnswer});
    }
    firstPingAnswered_ = true;
}

void Box::replyCode(const std::string& code)
{
    const std::string padded = code + "   ";
    reply({static_cast<std::uint8_t>(padded[0]), static_cast<std::uint8_t>(padded[1]),
           static_cast<std::uint8_t>(padded[2])});
}

// A length byte, the text, and the acknowledgement.
void Box::replyText(const std::string& text)
{
    std::vector<std::uint8_t> r{static_cast<std::uint8_t>(text.size())};
    r.insert(r.end(), text.begin(), text.end());
    r.push_back(kAck);
    reply(std::move(r));
}

void Box::replySerialNumber()
{
    std::vector<std::uint8_t> r(options_.serialNumber.begin(), options_.serialNumber.end());
    r.push_back(kAck);
    reply(std::move(r));
}

bool Box::synchronise()
{
    // Programming enable until the part echoes 53; after a miss one more
    // byte shifts the frame.
    for (int attempt = 0; attempt < 32; ++attempt) {
        if (spi4(0xAC, 0x53, 0x00, 0x00)[2] == 0x53)
            return true;
        spi(0x00);
    }
    return false;
}

} // namespace quorva::sim
