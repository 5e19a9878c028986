#include "connection.h"

#include "base/messages.h"
#include "catalogue/device_lookup.h"
#include "data/project.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace quorva {

namespace {

constexpr int kCaptionId = 1025; // "Programmer QUORVA"
// Bytes a box may send before a drain gives up on it: a line that never
// falls silent must not hang the program.
constexpr int kMaxDrainedBytes = 4096;

bool containsNoCase(const std::string& text, std::string_view word)
{
    const auto found = std::search(text.begin(), text.end(), word.begin(), word.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
    return found != text.end();
}

} // namespace

char printable(char c)
{
    return std::isprint(static_cast<unsigned char>(c)) ? c : '?';
}

Connection::Connection(BytePort& port, Clock& clock, Ui& ui) : port_(port), clock_(clock), ui_(ui), link_(port, clock)
{
}

void Connection::box(const std::string& text)
{
    ui_.showMessage(BoxIcon::Information, messageText(kCaptionId), text);
}

void Connection::status(int messageId)
{
    ui_.setStatus(messageText(messageId));
}

void Connection::boxAndStatus(int messageId)
{
    box(messageText(messageId));
    status(messageId);
}

bool Connection::checkFirmwareCode(const std::array<char, 3>& code, bool quiet)
{
    bootLoaderSeen_ = false;
    versionConflict_ = false;
    const std::string_view text(code.data(), code.size());
    if (text == "err") {
        if (!quiet) {
            box(messageText(1168));
            status(1027);
        }
        return false;
    }
    if (text == "ldr" || text == "ld2") {
        bootLoaderSeen_ = true;
        if (!quiet) {
            box(messageText(1179));
            status(1174);
        }
        return false;
    }
    if (text == kRequiredFirmware)
        return true;
    if (!quiet) {
        box(formatMessage(1038, printable(code[0]), printable(code[1]), printable(code[2]), kRequiredFirmware[0],
                          kRequiredFirmware[1], kRequiredFirmware[2]));
        status(1174);
    }
    versionConflict_ = true;
    return false;
}

Connection::PingAnswer Connection::pingExchange()
{
    clock_.sleepMs(50);
    if (!link_.send(Command::Ping))
        return PingAnswer::SendFailed;
    int answer = link_.receiveByte();
    if (answer >= 0 && answer != '+' && answer != '*' && answer != '-') {
        // A stale byte: ask once more, then drain the line until it is silent.
        clock_.sleepMs(150);
        if (!link_.send(Command::Ping))
            return PingAnswer::SendFailed;
        answer = link_.receiveByte();
        for (int drained = 0; drained < kMaxDrainedBytes && link_.receiveByte() >= 0; ++drained) {
        }
    }
    if (answer < 0)
        return PingAnswer::NoAnswer;
    return answer == '+' || answer == '*' ? PingAnswer::Firmware : PingAnswer::NoFirmware;
}

bool Connection::boxAnswersPing(bool (Connection::*close)())
{
    switch (pingExchange()) {
    case PingAnswer::SendFailed:
        (this->*close)();
        boxAndStatus(1027);
        return false;
    case PingAnswer::NoAnswer:
        // Nothing goes to a box that did not answer, but the port is given
        // back: it is held exclusively until closed.
        port_.close();
        boxAndStatus(1027);
        return false;
    case PingAnswer::NoFirmware:
        port_.close();
        box(messageText(1197));
        status(1027);
        return false;
    case PingAnswer::Firmware:
        break;
    }
    return true;
}

bool Connection::openFailed(int comPort)
{
    std::string text = messageText(1173);
    // The Windows text alone does not tell a Linux user what to do.
    const std::string path = port_.deviceName(comPort - 1);
    if (port_.lastOpenError() == EACCES)
        text += "\n" + formatMessage(2001, path.c_str());
    else if (port_.lastOpenError() == ENOENT)
        text += "\n" + formatMessage(2002, path.c_str());
    status(1027);
    box(text);
    return false;
}

bool Connection::failConnection()
{
    closeConnection();
    boxAndStatus(1027);
    return false;
}

bool Connection::connect(const Project& project, int deviceIndex, int comPort, int baudCode)
{
    bootLoaderSeen_ = false;
    versionConflict_ = false;
    const DeviceInfo* device = deviceAt(deviceIndex);
    if (!device)
        device = deviceAt(project.deviceIndex);
    if (!device)
        device = &deviceTable[0];
    connectionDevice_ = device;
    closingSpiPeriod_ = project.spiPeriod;
    closingPolling_ = project.polling;
    const std::uint8_t polling = project.polling ? 1 : 0;

    if (!port_.open(comPort - 1, baudRateOf(0)))
        return openFailed(comPort);

    if (!boxAnswersPing(&Connection::closeConnection))
        return false;

    clock_.sleepMs(50);
    const std::uint8_t* code = link_.send(Command::GetFirmwareCode) ? link_.receive(3) : nullptr;
    if (!code)
        return failConnection();
    if (!checkFirmwareCode({static_cast<char>(code[0]), static_cast<char>(code[1]), static_cast<char>(code[2])},
                           false)) {
        closeConnection();
        return false;
    }

    if (!link_.command(Command::SelectDevice, {static_cast<std::uint8_t>(device->connectMode)}))
        return failConnection();
    if (!link_.command(Command::SetAddress, {0x00, 0x00}))
        return failConnection();

    const bool dataFlash = device->family == FamilyAt45;
    const std::uint8_t sck = dataFlash ? 0x04 : sckCode(project.spiPeriod, device->name);
    if (!link_.send(Command::SetParameters, {static_cast<std::uint8_t>(baudCode), sck, polling}))
        return failConnection();
    clock_.sleepMs(50);
    if (!link_.expectAck())
        return failConnection();
    clock_.sleepMs(50);

    if (baudCode != 0) {
        if (!port_.close()) {
            boxAndStatus(1027);
            return false;
        }
        clock_.sleepMs(45);
        if (!port_.open(comPort - 1, baudRateOf(baudCode)))
            return openFailed(comPort);
        clock_.sleepMs(45);
    }
    return enterTarget(project, *device, baudCode);
}

bool Connection::enterTarget(const Project& project, const DeviceInfo& device, int baudCode)
{
    if (device.family == FamilyAt45) {
        clock_.sleepMs(150);
        const std::uint8_t parameters[] = {byteOf(Command::SetParameters), static_cast<std::uint8_t>(baudCode),
                                           sckCode(project.spiPeriod, ""), 0};
        for (std::size_t i = 0; i < sizeof parameters; ++i) {
            if (i > 0)
                clock_.sleepMs(1);
            if (!port_.sendByte(parameters[i])) {
                port_.close();
                return false;
            }
        }
        clock_.sleepMs(25);
        if (!link_.expectAck()) {
            port_.close();
            return false;
        }
        clock_.sleepMs(25);
        // One status read; the PC only needs each of the four replies.
        if (!link_.send(Command::FlashSelectAlt))
            return failConnection();
        clock_.sleepMs(15);
        if (!link_.expectByte() || !link_.send(Command::SpiWrite) || !port_.sendByte(0xD7) || !link_.expectByte())
            return failConnection();
        clock_.sleepMs(15);
        if (!link_.send(Command::SpiRead) || !link_.expectByte() || !link_.send(Command::FlashDeselectAlt) ||
            !link_.expectByte())
            return failConnection();
        return true;
    }

    if (device.protocol == ProtocolAvr) {
        const int strobe = project.resetStrobeLength;
        if (!link_.send(strobe >= 100 ? Command::ResetPulseLong : Command::ResetPulseShort) || !link_.expectByte())
            return failConnection();
        ui_.setStatus(formatMessage(1039, strobe));
        clock_.sleepMs(strobe);
        const bool entered = device.skipSync != 0 || project.noSynchronization
                                 ? link_.send(Command::Spi4, {0xAC, 0x53, 0x00, 0x00}) && link_.expectByte()
                                 : link_.send(Command::EnterProgramming) && link_.expectByte();
        if (!entered)
            return failConnection();
    } else {
        if (!link_.send(Command::ResetHigh) || !link_.expectByte())
            return failConnection();
        bool sent = false;
        if (device.protocol == 2)
            sent = link_.send(Command::Spi4Read, {0xAC, 0x53, 0x00});
        else if (device.protocol == ProtocolAt89s || device.protocol == ProtocolAt89s8253)
            sent = link_.send(Command::Spi4, {0xAC, 0x53, 0x00, 0x00});
        else
            sent = link_.send(Command::Spi3, {0xAC, 0x53, 0x00});
        if (!sent)
            return failConnection();
        link_.receiveByte(); // read, not judged
    }
    status(1040);
    return true;
}

bool Connection::closeConnection()
{
    const char* name = connectionDevice_ ? connectionDevice_->name : "";
    const std::uint8_t polling = closingPolling_ ? 1 : 0;
    clock_.sleepMs(150);
    bool ok = link_.command(Command::ReleaseTarget);
    if (ok) {
        clock_.sleepMs(150);
        ok = link_.command(Command::SetParameters, {0x00, sckCode(closingSpiPeriod_, name), polling});
    }
    port_.close();
    return ok;
}

bool Connection::connectForVersion(int comPort, bool bootLoaderMode, bool checkVersion, bool quiet,
                                   bool quietVersionCheck)
{
    bootLoaderSeen_ = false;
    versionConflict_ = false;
    if (!port_.open(comPort - 1, baudRateOf(0))) {
        if (!quiet)
            openFailed(comPort);
        return false;
    }
    clock_.sleepMs(50);
    if (bootLoaderMode)
        return true;

    if (!boxAnswersPing(&Connection::closeVersionConnection))
        return false;

    clock_.sleepMs(50);
    if (!link_.send(Command::GetFirmwareCode)) {
        closeVersionConnection();
        if (!quiet)
            boxAndStatus(1027);
        return false;
    }
    clock_.sleepMs(50);
    const std::uint8_t* code = link_.receive(3);
    if (!code) {
        firmwareCode_ = {0, 0, 0};
        closeVersionConnection();
        if (!quiet)
            boxAndStatus(1027);
        return false;
    }
    firmwareCode_ = {static_cast<char>(code[0]), static_cast<char>(code[1]), static_cast<char>(code[2])};
    if (checkVersion && !checkFirmwareCode(firmwareCode_, quietVersionCheck)) {
        closeVersionConnection();
        return false;
    }
    return true;
}

bool Connection::closeVersionConnection()
{
    const bool sent = link_.send(Command::Escape);
    port_.close();
    return sent;
}

bool Connection::readVersion(int comPort, Version& version, bool bootLoaderMode)
{
    version.text = messageText(1029);
    status(1030);
    if (comPort <= 0) {
        status(1031);
        box(messageText(1032));
        return false;
    }
    if (!connectForVersion(comPort, bootLoaderMode, true, false, bootLoaderMode))
        return false;

    if (!link_.send(Command::GetVersionText)) {
        port_.close();
        boxAndStatus(1027);
        return false;
    }
    clock_.sleepMs(50);
    const int length = link_.receiveByte();
    if (length <= 0) {
        port_.close();
        boxAndStatus(1033);
        return false;
    }
    clock_.sleepMs(50);
    const std::uint8_t* reply = link_.receive(static_cast<std::size_t>(length) + 1);
    if (!reply || reply[length] != kAck) {
        boxAndStatus(1033);
        closeVersionConnection();
        return false;
    }
    std::string text(reinterpret_cast<const char*>(reply), static_cast<std::size_t>(length));
    if (!bootLoaderMode && containsNoCase(text, "bootloader")) {
        box(messageText(1197));
        closeVersionConnection();
        return false;
    }

    std::string serialText;
    if (!link_.send(Command::GetSerialNumber)) {
        box(messageText(1035));
    } else {
        const std::uint8_t* serial = link_.receive(6);
        if (!serial || serial[5] != kAck) {
            box(messageText(1035));
            closeVersionConnection();
            return false;
        }
        for (std::size_t i = 0; i < 5; ++i)
            version.serial[i] = serial[i];
        serialText = formatMessage(1036, serial[0], serial[1], serial[2], serial[3], serial[4]);
    }
    if (!closeVersionConnection())
        box(messageText(1026));
    ui_.setStatus(text + serialText);
    version.text = std::move(text);
    return true;
}

bool Connection::showProgrammerInfo(int comPort)
{
    Version version;
    if (!readVersion(comPort, version, false))
        return false;
    ui_.showMessage(BoxIcon::None, messageText(kCaptionId),
                    formatMessage(1069, version.text.c_str(), version.serial[0], version.serial[1], version.serial[2],
                                  version.serial[3], version.serial[4]));
    return true;
}

int Connection::searchProgrammer()
{
    status(1134);
    ui_.setWaitCursor(true);
    int found = 0;
    std::string list;
    for (int n = 1; n <= 8; ++n) {
        ui_.setStatus(formatMessage(1136, n));
        if (!connectForVersion(n, false, true, true, false))
            continue;
        std::string text = messageText(1138);
        if (link_.send(Command::GetVersionText)) {
            clock_.sleepMs(20);
            const int length = link_.receiveByte();
            if (length >= 0) {
                const std::uint8_t* reply = link_.receive(static_cast<std::size_t>(length) + 1);
                if (reply && reply[length] == kAck)
                    text.assign(reinterpret_cast<const char*>(reply), static_cast<std::size_t>(length));
            }
        }
        closeVersionConnection();
        if (!list.empty())
            list += ",  ";
        list += formatMessage(1068, text.c_str(), n);
        if (found == 0)
            found = n;
    }
    ui_.setStatus(list.empty() ? std::string(messageText(1139)) : list);
    ui_.setWaitCursor(false);
    return found;
}

} // namespace quorva
