#include "box.h"

#include "firmware_image.h"

#include <cstdio>

namespace quorva::sim {

namespace {

enum Command : std::uint8_t {
    kPing = 0x25,
    kGetFirmwareCode = 0x40,
    kGetVersionText = 0x3F,
    kGetSerialNumber = 0x4E,
    kSelectDevice = 0x26,
    kSetAddress = 0x3A,
    kSetParameters = 0x23,
    kReleaseTarget = 0x2D,
    kEscape = 0x1B,
    kResetPulseLong = 0x2A,
    kResetPulseShort = 0x51,
    kResetHigh = 0x2B,
    kEnterProgramming = 0x3D,
    kSpi3 = 0x33,
    kSpi4 = 0x34,
    kSpi4Read = 0x35,
    kSpiWrite = 0x36,
    kSpiRead = 0x37,
    kSpiDeselect = 0x38,
    kSpiSelect = 0x39,
    kFlashDeselect = 0x55,
    kFlashSelect = 0x4C,
    kFlashDeselectAlt = 0x6B,
    kFlashSelectAlt = 0x6C,
    kSpiWriteBlock = 0x30,
    kSpiReadBlock = 0x31,
    kSetByteDelay = 0x57,
    kWriteFlash = 0x7B,
    kWriteEeprom = 0x3E,
    kReadFlash = 0x7D,
    kReadEeprom = 0x3C,
    kStartFirmwareUpdate = 0x5E,
};

constexpr std::uint8_t kAck = 0x0D;
constexpr std::uint8_t kPollingError = 0x1B;
constexpr std::uint64_t kPollLimitUs = 50000;
constexpr std::uint64_t kPollStepUs = 100;

// Argument bytes after the command byte; -1 for an unknown command.
int argumentCount(std::uint8_t command)
{
    switch (command) {
    case kPing:
    case kGetFirmwareCode:
    case kGetVersionText:
    case kGetSerialNumber:
    case kReleaseTarget:
    case kEscape:
    case kResetPulseLong:
    case kResetPulseShort:
    case kResetHigh:
    case kEnterProgramming:
    case kSpiRead:
    case kSpiDeselect:
    case kSpiSelect:
    case kFlashDeselect:
    case kFlashSelect:
    case kFlashDeselectAlt:
    case kFlashSelectAlt:
    case kStartFirmwareUpdate:
        return 0;
    case kSelectDevice:
    case kSpiWrite:
    case kSetByteDelay:
    case kWriteFlash:
    case kWriteEeprom:
    case kReadFlash:
    case kReadEeprom:
        return 1;
    case kSetAddress:
    case kSpiWriteBlock:
    case kSpiReadBlock:
        return 2;
    case kSetParameters:
    case kSpi3:
    case kSpi4Read:
        return 3;
    case kSpi4:
        return 4;
    default:
        return -1;
    }
}

std::string hex(std::uint8_t b)
{
    char text[4];
    std::snprintf(text, sizeof text, "%02X", b);
    return text;
}

std::uint64_t lineUs(int baud)
{
    return 10'000'000ull / static_cast<std::uint64_t>(baud > 0 ? baud : 19200);
}

int baudOfCode(std::uint8_t code)
{
    return code == 1 ? 115200 : code == 2 ? 921600 : 19200;
}

} // namespace

const char* violationName(ViolationKind kind)
{
    switch (kind) {
    case ViolationKind::CountAbove64: return "count above 64";
    case ViolationKind::AddressNotZero: return "SetAddress not 00 00";
    case ViolationKind::NoByteDelay: return "no SetByteDelay on this connection";
    case ViolationKind::UnknownCommand: return "unknown command";
    case ViolationKind::ReplyNotRead: return "command before the reply was read";
    case ViolationKind::WrongLineSpeed: return "wrong line speed";
    case ViolationKind::LineNotRaw: return "line not raw 8N1";
    case ViolationKind::BadParameter: return "bad parameter";
    }
    return "?";
}

Box::Box(Clock& clock, std::unique_ptr<Chip> chip, BoxOptions options)
    : clock_(clock), chip_(std::move(chip)), options_(std::move(options)),
      firmwareInstalled_(options_.firmwareInstalled), firmwareCode_(options_.firmwareCode),
      versionText_(options_.versionText)
{
    const FaultPlan& f = options_.faults;
    chip_->setInstantWrites(options_.instantWrites);
    chip_->setStaysLocked(f.staysLocked);
    if (f.lockedChip)
        chip_->lockFully();
    if (!f.signatureOf.empty())
        chip_->setIdentityOf(findChip(f.signatureOf));
}

void Box::setTrace(std::function<void(const std::string&)> sink)
{
    std::lock_guard lock(mutex_);
    trace_ = std::move(sink);
}

void Box::trace(const std::string& line)
{
    if (!trace_)
        return;
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%10.3f ", static_cast<double>(nowUs()) / 1000.0);
    trace_(stamp + line);
}

std::uint64_t Box::nowUs() const
{
    return clock_.tickMs() * 1000 + offsetUs_;
}

void Box::spendUs(std::uint64_t us)
{
    offsetUs_ += us;
}

// ---- line -------------------------------------------------------------

void Box::receive(const std::uint8_t* bytes, std::size_t count, int lineBaud)
{
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < count; ++i) {
        if (disconnected_)
            return;
        ++bytesReceived_;
        if (options_.faults.disconnectAfterBytes && bytesReceived_ > *options_.faults.disconnectAfterBytes) {
            disconnected_ = true;
            output_.clear();
            trace("line disconnected");
            return;
        }
        if (options_.lineTime)
            spendUs(lineUs(lineBaud));
        if (lineBaud != baud_) {
            // The box's receiver sees framing errors, not bytes.
            if (!wrongSpeedNoted_)
                violations_.push_back({ViolationKind::WrongLineSpeed, commandIndex_ + 1,
                                       "PC at " + std::to_string(lineBaud) + " baud, box at " +
                                           std::to_string(baud_)});
            wrongSpeedNoted_ = true;
            trace("rx garbled (" + std::to_string(lineBaud) + " baud)");
            continue;
        }
        wrongSpeedNoted_ = false;
        trace("rx " + hex(bytes[i]));
        feed(bytes[i]);
    }
}

bool Box::hasOutput() const
{
    std::lock_guard lock(mutex_);
    return !output_.empty();
}

std::optional<Box::OutByte> Box::peekOutput() const
{
    std::lock_guard lock(mutex_);
    if (output_.empty())
        return std::nullopt;
    return output_.front();
}

std::optional<Box::OutByte> Box::popOutput()
{
    std::lock_guard lock(mutex_);
    if (output_.empty())
        return std::nullopt;
    OutByte b = output_.front();
    output_.pop_front();
    return b;
}

std::vector<Box::OutByte> Box::takeOutput()
{
    std::lock_guard lock(mutex_);
    std::vector<OutByte> out(output_.begin(), output_.end());
    output_.clear();
    return out;
}

void Box::discardOutput()
{
    std::lock_guard lock(mutex_);
    output_.clear();
}

void Box::pcTimedOut()
{
    std::lock_guard lock(mutex_);
    unreadCheck_ = true;
}

void Box::reply(std::vector<std::uint8_t> bytes)
{
    const FaultPlan& f = options_.faults;
    if (!bytes.empty()) {
        for (const WrongAck& w : f.wrongAcks) {
            if (w.command == command_ && w.occurrence == occurrences_[command_]) {
                trace("fault: reply " + hex(bytes.back()) + " replaced by " + hex(w.reply));
                bytes.back() = w.reply;
            }
        }
    }
    if (f.silentAfter && commandIndex_ > *f.silentAfter) {
        trace("fault: silent");
        return;
    }
    std::uint64_t ready = nowUs();
    for (std::uint8_t b : bytes) {
        ready += std::uint64_t{f.slowReplyMs} * 1000;
        output_.push_back({b, baud_, ready});
        if (options_.lineTime)
            spendUs(lineUs(baud_));
        trace("tx " + hex(b));
    }
}

// ---- decoding ---------------------------------------------------------

void Box::feed(std::uint8_t byte)
{
    switch (rx_) {
    case Rx::Command:
        startCommand(byte);
        return;
    case Rx::Args:
        args_.push_back(byte);
        if (args_.size() == argsNeeded_)
            dispatch();
        return;
    case Rx::BlockData:
        spi(byte);
        if (--blockRemaining_ == 0) {
            rx_ = Rx::Command;
            ack();
        }
        return;
    case Rx::WriteData:
        args_.push_back(byte);
        if (--blockRemaining_ == 0) {
            rx_ = Rx::Command;
            compositeWrite(command_ == kWriteFlash);
        }
        return;
    case Rx::Firmware:
        firmware_.push_back(byte);
        if (firmware_.size() % 4 == 0)
            reply({kAck});
        if (firmware_.size() == kFirmwareImageSize)
            finishFirmware();
        return;
    }
}

void Box::startCommand(std::uint8_t byte)
{
    ++commandIndex_;
    command_ = byte;
    ++occurrences_[byte];
    args_.clear();
    if (!output_.empty() && unreadCheck_)
        violations_.push_back({ViolationKind::ReplyNotRead, commandIndex_,
                               std::to_string(output_.size()) + " reply byte(s) unread before " + hex(byte)});
    if (mode_ == Mode::BootLoader) {
        bootLoaderCommand(byte);
        return;
    }
    const int count = argumentCount(byte);
    if (count < 0) {
        violations_.push_back({ViolationKind::UnknownCommand, commandIndex_, "command byte " + hex(byte)});
        return; // no reply
    }
    argsNeeded_ = static_cast<std::size_t>(count);
    if (count == 0)
        dispatch();
    else
        rx_ = Rx::Args;
}

void Box::bootLoaderCommand(std::uint8_t command)
{
    // The boot loader knows only single-byte commands; anything else is
    // ignored byte by byte.
    switch (command) {
    case kPing:
        if (!firmwareInstalled_) {
            reply({'-'});
            break;
        }
        mode_ = Mode::Firmware;
        trace("firmware started");
        newConnection();
        pingReply();
        break;
    case kGetFirmwareCode:
        replyCode(options_.bootLoaderCode);
        break;
    case kGetVersionText: {
        std::vector<std::uint8_t> r{static_cast<std::uint8_t>(options_.bootLoaderText.size())};
        r.insert(r.end(), options_.bootLoaderText.begin(), options_.bootLoaderText.end());
        r.push_back(kAck);
        reply(std::move(r));
        break;
    }
    case kGetSerialNumber: {
        std::vector<std::uint8_t> r(options_.serialNumber.begin(), options_.serialNumber.end());
        r.push_back(kAck);
        reply(std::move(r));
        break;
    }
    case kStartFirmwareUpdate:
        firmware_.clear();
        firmwareRejection_.clear();
        rx_ = Rx::Firmware;
        reply({'+'});
        break;
    default:
        trace("boot loader ignores " + hex(command));
        break;
    }
}

void Box::finishFirmware()
{
    rx_ = Rx::Command;
    std::string reason;
    const auto info = checkFirmwareImage(firmware_, &reason);
    if (info) {
        firmwareInstalled_ = true;
        firmwareCode_ = info->code;
        versionText_ = info->versionText;
        trace("firmware image accepted: " + info->code);
    } else {
        // The old firmware was overwritten while the image came in.
        firmwareInstalled_ = false;
        firmwareRejection_ = reason;
        trace("firmware image refused: " + reason);
    }
    // Restart: the boot loader runs again and says so on the line.
    mode_ = Mode::BootLoader;
    baud_ = 19200;
    reply({0x00});
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

void Box::newConnection()
{
    byteDelaySet_ = false;
}

void Box::dispatch()
{
    rx_ = Rx::Command;
    const auto& a = args_;
    const std::uint64_t now = nowUs();
    switch (command_) {
    case kPing:
        newConnection();
        pingReply();
        return;
    case kGetFirmwareCode:
        replyCode(firmwareCode_);
        return;
    case kGetVersionText: {
        std::vector<std::uint8_t> r{static_cast<std::uint8_t>(versionText_.size())};
        r.insert(r.end(), versionText_.begin(), versionText_.end());
        r.push_back(kAck);
        reply(std::move(r));
        return;
    }
    case kGetSerialNumber: {
        std::vector<std::uint8_t> r(options_.serialNumber.begin(), options_.serialNumber.end());
        r.push_back(kAck);
        reply(std::move(r));
        return;
    }
    case kStartFirmwareUpdate:
        reply({'-'}); // only the boot loader takes an image
        return;
    case kSelectDevice:
        connectMode_ = a[0];
        ack();
        return;
    case kSetAddress:
        if (a[0] != 0 || a[1] != 0)
            violations_.push_back({ViolationKind::AddressNotZero, commandIndex_, hex(a[0]) + " " + hex(a[1])});
        runningAddress_ = (std::uint32_t{a[0]} << 8) | a[1];
        ack();
        return;
    case kSetParameters:
        if (a[0] > 2)
            violations_.push_back({ViolationKind::BadParameter, commandIndex_, "baud code " + hex(a[0])});
        sck_ = a[1];
        polling_ = a[2] != 0;
        ack();
        // The new speed applies after the acknowledgement has gone out.
        baud_ = baudOfCode(a[0]);
        return;
    case kReleaseTarget:
        chip_->releaseReset(now);
        chip_->flashSelect(false, now);
        flashSelected_ = false;
        ack();
        return;
    case kEscape:
        return;
    case kResetPulseLong:
    case kResetPulseShort:
        chip_->resetLine(true, now);
        chip_->resetLine(false, now);
        ack();
        return;
    case kResetHigh:
        chip_->resetLine(true, now);
        ack();
        return;
    case kEnterProgramming:
        reply({static_cast<std::uint8_t>(synchronise() ? kAck : 0x00)});
        return;
    case kSpi3:
        spi(a[0]);
        spi(a[1]);
        spi(a[2]);
        ack();
        return;
    case kSpi4:
        spi4(a[0], a[1], a[2], a[3]);
        ack();
        return;
    case kSpi4Read:
        reply({spi4(a[0], a[1], a[2], 0x00)[3]});
        return;
    case kSpiWrite: {
        spi(a[0]);
        if (flashSelected_)
            spiWrites_.push_back(a[0]);
        // At 921600 baud the box answers a byte-wise continuous read set-up
        // (03 and three address bytes) with a second 0x0D once it is ready
        // to stream.
        if (baud_ == 921600 && spiWrites_.size() == 4 && spiWrites_[0] == 0x03)
            reply({kAck, kAck});
        else
            ack();
        return;
    }
    case kSpiRead:
        spiWrites_.clear();
        reply({spi(0x00)});
        return;
    case kSpiDeselect:
        chip_->resetLine(true, now);
        ack();
        return;
    case kSpiSelect:
        chip_->resetLine(false, now);
        ack();
        return;
    case kFlashDeselect:
    case kFlashDeselectAlt:
        chip_->flashSelect(false, now);
        flashSelected_ = false;
        ack();
        return;
    case kFlashSelect:
    case kFlashSelectAlt:
        chip_->flashSelect(true, now);
        flashSelected_ = true;
        spiWrites_.clear();
        ack();
        return;
    case kSpiWriteBlock:
        spiWrites_.clear();
        blockRemaining_ = (std::size_t{a[0]} << 8) | a[1];
        if (blockRemaining_ == 0)
            ack();
        else
            rx_ = Rx::BlockData;
        return;
    case kSpiReadBlock: {
        spiWrites_.clear();
        const std::size_t count = (std::size_t{a[0]} << 8) | a[1];
        std::vector<std::uint8_t> r;
        r.reserve(count + 1);
        for (std::size_t i = 0; i < count; ++i)
            r.push_back(spi(0x00));
        r.push_back(kAck);
        reply(std::move(r));
        return;
    }
    case kSetByteDelay:
        byteDelay_ = a[0];
        byteDelaySet_ = true;
        ack();
        return;
    case kWriteFlash:
    case kWriteEeprom:
        checkComposite(a[0]);
        blockRemaining_ = a[0];
        args_.clear();
        if (blockRemaining_ == 0)
            compositeWrite(command_ == kWriteFlash);
        else
            rx_ = Rx::WriteData;
        return;
    case kReadFlash:
    case kReadEeprom:
        checkComposite(a[0]);
        compositeRead(command_ == kReadFlash, a[0]);
        return;
    default:
        return;
    }
}

// ---- target -----------------------------------------------------------

std::uint8_t Box::spi(std::uint8_t mosi)
{
    return chip_->exchange(mosi, nowUs());
}

std::array<std::uint8_t, 4> Box::spi4(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d)
{
    return {spi(a), spi(b), spi(c), spi(d)};
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
        const bool poll = polling_ && data != 0xFF && !(avr && flash);
        if (!poll) {
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
    std::vector<std::uint8_t> r;
    for (int i = 0; i < count; ++i) {
        const std::uint32_t address = runningAddress_++;
        if (avr && flash) {
            const std::uint32_t word = address >> 1;
            r.push_back(spi4((address & 1) ? 0x28 : 0x20, static_cast<std::uint8_t>(word >> 8),
                             static_cast<std::uint8_t>(word), 0x00)[3]);
        } else {
            r.push_back(spi4(flash ? 0x20 : 0xA0, static_cast<std::uint8_t>(address >> 8),
                             static_cast<std::uint8_t>(address), 0x00)[3]);
        }
    }
    reply(std::move(r));
}

// ---- control and inspection -------------------------------------------

void Box::powerCycle()
{
    std::lock_guard lock(mutex_);
    chip_->powerCycle();
    mode_ = Mode::BootLoader;
    baud_ = 19200;
    rx_ = Rx::Command;
    output_.clear();
    connectMode_ = 0;
    runningAddress_ = 0;
    byteDelay_.reset();
    byteDelaySet_ = false;
    polling_ = false;
    sck_ = 0x82;
    flashSelected_ = false;
    spiWrites_.clear();
    firstPingAnswered_ = false;
    if (disconnected_) {
        // Plugged in again; the fault has had its turn.
        disconnected_ = false;
        options_.faults.disconnectAfterBytes.reset();
    }
    trace("power cycle");
}

int Box::baud() const
{
    std::lock_guard lock(mutex_);
    return baud_;
}

bool Box::inBootLoader() const
{
    std::lock_guard lock(mutex_);
    return mode_ == Mode::BootLoader;
}

bool Box::transferringFirmware() const
{
    std::lock_guard lock(mutex_);
    return rx_ == Rx::Firmware;
}

bool Box::disconnected() const
{
    std::lock_guard lock(mutex_);
    return disconnected_;
}

bool Box::firmwareInstalled() const
{
    std::lock_guard lock(mutex_);
    return firmwareInstalled_;
}

std::string Box::firmwareCode() const
{
    std::lock_guard lock(mutex_);
    return firmwareCode_;
}

std::string Box::versionText() const
{
    std::lock_guard lock(mutex_);
    return versionText_;
}

std::uint8_t Box::connectMode() const
{
    std::lock_guard lock(mutex_);
    return connectMode_;
}

std::uint32_t Box::runningAddress() const
{
    std::lock_guard lock(mutex_);
    return runningAddress_;
}

std::optional<std::uint8_t> Box::byteDelay() const
{
    std::lock_guard lock(mutex_);
    return byteDelay_;
}

std::uint8_t Box::sckCode() const
{
    std::lock_guard lock(mutex_);
    return sck_;
}

bool Box::polling() const
{
    std::lock_guard lock(mutex_);
    return polling_;
}

std::uint64_t Box::commandCount() const
{
    std::lock_guard lock(mutex_);
    return commandIndex_;
}

std::vector<std::uint8_t> Box::receivedFirmware() const
{
    std::lock_guard lock(mutex_);
    return firmware_;
}

std::string Box::firmwareRejection() const
{
    std::lock_guard lock(mutex_);
    return firmwareRejection_;
}

std::vector<Violation> Box::violations() const
{
    std::lock_guard lock(mutex_);
    return violations_;
}

std::string Box::violationReport() const
{
    std::lock_guard lock(mutex_);
    std::string text;
    for (const Violation& v : violations_)
        text += "command " + std::to_string(v.command) + ": " + violationName(v.kind) + " (" + v.detail + ")\n";
    return text;
}

void Box::clearViolations()
{
    std::lock_guard lock(mutex_);
    violations_.clear();
}

void Box::addViolation(ViolationKind kind, std::string detail)
{
    std::lock_guard lock(mutex_);
    violations_.push_back({kind, commandIndex_, std::move(detail)});
}

} // namespace quorva::sim
