#include "box.h"

#include "box_commands.h"

#include <algorithm>
#include <cstdio>

namespace quorva::sim {

namespace {

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

std::uint64_t lineUs(int baud)
{
    return 10'000'000ull / static_cast<std::uint64_t>(baud > 0 ? baud : 19200);
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
    case ViolationKind::WriteWhileBusy:
        return "write while the chip was busy";
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
    chip_->setSlowdown(f.slowChip);
    chip_->setNeverReady(f.neverReady);
    // The chip only ever runs inside receive(), under the box's lock. One
    // report per command: a page load refused is 64 refused instructions.
    chip_->setRefusalSink([this](const std::string& what) {
        const bool told = !violations_.empty() && violations_.back().kind == ViolationKind::WriteWhileBusy &&
                          violations_.back().command == commandIndex_;
        if (!told)
            violations_.push_back({ViolationKind::WriteWhileBusy, commandIndex_, what});
    });
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
    const std::uint64_t clock = clock_.tickUs();
    if (options_.paced)
        return std::max(clock, paceUs_);
    return clock + offsetUs_;
}

void Box::spendUs(std::uint64_t us)
{
    if (options_.paced)
        paceUs_ = nowUs() + us;
    else
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
            clearOutput();
            trace("line disconnected");
            return;
        }
        // Paced, the PC's bytes arrive when the line hands them over.
        if (options_.lineTime && !options_.paced)
            spendUs(lineUs(lineBaud));
        if (lineBaud != baud_) {
            // The box's receiver sees framing errors, not bytes.
            if (!wrongSpeedNoted_)
                violations_.push_back({ViolationKind::WrongLineSpeed, commandIndex_ + 1,
                                       "PC at " + std::to_string(lineBaud) + " baud, box at " +
                                           std::to_string(baud_)});
            wrongSpeedNoted_ = true;
            if (trace_)
                trace("rx garbled (" + std::to_string(lineBaud) + " baud)");
            continue;
        }
        wrongSpeedNoted_ = false;
        // Each byte's text costs more than the byte itself: only with a sink.
        if (trace_)
            trace("rx " + hex(bytes[i]));
        feed(bytes[i]);
    }
}

bool Box::hasOutput() const
{
    std::lock_guard lock(mutex_);
    return !outputEmpty();
}

std::optional<Box::OutByte> Box::peekOutput() const
{
    std::lock_guard lock(mutex_);
    if (outputEmpty())
        return std::nullopt;
    return output_[outputHead_];
}

std::optional<Box::OutByte> Box::popOutput()
{
    std::lock_guard lock(mutex_);
    if (outputEmpty())
        return std::nullopt;
    const OutByte b = output_[outputHead_++];
    if (outputEmpty()) {
        clearOutput();
    } else if (outputHead_ >= 4096 && outputHead_ * 2 >= output_.size()) {
        // A reader that never catches up must not keep every byte it read.
        output_.erase(output_.begin(), output_.begin() + static_cast<std::ptrdiff_t>(outputHead_));
        outputHead_ = 0;
    }
    return b;
}

std::vector<Box::OutByte> Box::takeOutput()
{
    std::vector<OutByte> out;
    takeOutput(out);
    return out;
}

void Box::takeOutput(std::vector<OutByte>& into)
{
    std::lock_guard lock(mutex_);
    into.insert(into.end(), output_.begin() + static_cast<std::ptrdiff_t>(outputHead_), output_.end());
    clearOutput();
}

void Box::discardOutput()
{
    std::lock_guard lock(mutex_);
    clearOutput();
}

void Box::pcTimedOut()
{
    std::lock_guard lock(mutex_);
    unreadCheck_ = true;
}

void Box::clearOutput()
{
    output_.clear();
    outputHead_ = 0;
}

void Box::reply(std::span<const std::uint8_t> bytes)
{
    const FaultPlan& f = options_.faults;
    // A wrong acknowledgement replaces the last byte.
    std::uint8_t last = bytes.empty() ? 0 : bytes.back();
    if (!bytes.empty()) {
        for (const WrongAck& w : f.wrongAcks) {
            if (w.command == command_ && w.occurrence == occurrences_[command_]) {
                trace("fault: reply " + hex(last) + " replaced by " + hex(w.reply));
                last = w.reply;
            }
        }
    }
    if (f.silentAfter && commandIndex_ > *f.silentAfter) {
        trace("fault: silent");
        return;
    }
    std::uint64_t ready = nowUs();
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::uint8_t b = i + 1 == bytes.size() ? last : bytes[i];
        ready += std::uint64_t{f.slowReplyMs} * 1000;
        if (options_.paced)
            ready += lineUs(baud_);
        output_.push_back({b, baud_, ready});
        if (options_.lineTime && !options_.paced)
            spendUs(lineUs(baud_));
        if (trace_)
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
        blockByte(byte);
        return;
    case Rx::WriteData:
        compositeByte(byte);
        return;
    case Rx::Firmware:
        firmwareByte(byte);
        return;
    }
}

void Box::startCommand(std::uint8_t byte)
{
    ++commandIndex_;
    command_ = byte;
    ++occurrences_[byte];
    args_.clear();
    if (!outputEmpty() && unreadCheck_)
        violations_.push_back(
            {ViolationKind::ReplyNotRead, commandIndex_,
             std::to_string(output_.size() - outputHead_) + " reply byte(s) unread before " + hex(byte)});
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

void Box::dispatch()
{
    rx_ = Rx::Command;
    // startCommand lets only known commands through, and the last group
    // takes what the others leave.
    if (connectionCommand() || spiCommand() || dataFlashCommand() || compositeCommand())
        return;
    firmwareCommand();
}

// ---- control and inspection -------------------------------------------

void Box::powerCycle()
{
    std::lock_guard lock(mutex_);
    chip_->powerCycle();
    mode_ = Mode::BootLoader;
    baud_ = 19200;
    rx_ = Rx::Command;
    clearOutput();
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
