#pragma once

#include "chip.h"
#include "fault_plan.h"

#include "base/clock.h"

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quorva::sim {

// What the box noticed the PC doing wrong.
enum class ViolationKind {
    CountAbove64,   // WriteFlash/WriteEeprom/ReadFlash/ReadEeprom count byte above 64
    AddressNotZero, // SetAddress with anything but 00 00
    NoByteDelay,    // composite write or read before SetByteDelay on this connection
    UnknownCommand, // a command byte the firmware does not know
    ReplyNotRead,   // a command sent while the previous reply was still unread
    WrongLineSpeed, // bytes sent at a speed other than the box's
    LineNotRaw,     // line not raw 8N1 without flow control
    BadParameter,   // a SetParameters baud code other than 0, 1, 2
    WriteWhileBusy, // a write instruction reached the chip while it was still writing
};
const char* violationName(ViolationKind kind);

struct Violation {
    ViolationKind kind;
    std::uint64_t command; // number of the command it concerns, from 1 at power-up
    std::string detail;
};

struct BoxOptions {
    std::string firmwareCode = "10c";    // GetFirmwareCode while the firmware runs
    bool firmwareInstalled = true;       // false: only the boot loader, Ping answers '-'
    std::string bootLoaderCode = "ldr";  // GetFirmwareCode in the boot loader
    std::uint8_t pingAnswer = '+';       // '+' or '*'
    std::string versionText = "QUORVA ISP 1.0c";
    // A simulated box says so, so that the simulator image never goes to a real one.
    std::string bootLoaderText = "QUORVA Bootloader 1.1 (simulated)";
    std::array<std::uint8_t, 5> serialNumber{0x51, 0x56, 0x0A, 0x01, 0x2C};
    bool instantWrites = false;          // chips write and erase in no time
    bool lineTime = true;                // each byte costs its time on the line
    // The box runs on the wall clock: its replies leave at the line rate and
    // its own waits take their time, where otherwise both are only counted.
    bool paced = false;
    FaultPlan faults;
};

// The programmer box: its firmware (command decoder and per-connection
// state), its boot loader with the firmware transfer, and the chip on the
// target. Bytes come in through receive() and replies queue up until the
// transport takes them. Time is the clock's, plus whatever the box spent on
// the line and in its own waits (those take no real time). Paced, time is
// the clock's alone: a reply is due once the box's waits and the reply's
// bytes on the line would have passed, and whoever delivers it waits till
// then.
class Box {
public:
    static constexpr int kCommandLimit = 64;

    struct OutByte {
        std::uint8_t value;
        int baud;              // the box's line speed when it sent the byte
        std::uint64_t readyUs; // when the byte is on the wire (paced: when it has crossed it)
    };

    Box(Clock& clock, std::unique_ptr<Chip> chip, BoxOptions options = {});

    // Bytes arriving at the box's receiver from a line running at lineBaud.
    void receive(const std::uint8_t* bytes, std::size_t count, int lineBaud);
    bool hasOutput() const;
    std::optional<OutByte> peekOutput() const;
    std::optional<OutByte> popOutput();
    std::vector<OutByte> takeOutput();
    // The same, appended to `into`, whose memory the caller keeps.
    void takeOutput(std::vector<OutByte>& into);
    // The PC's side of the line was closed: what it had not read is gone.
    void discardOutput();
    // The PC waited out a receive time-out, so the line is drained.
    void pcTimedOut();

    // Power off and on: boot loader, 19200 baud, pending AT45 page size applied.
    void powerCycle();

    std::uint64_t nowUs() const;
    void spendUs(std::uint64_t us);
    // The clock's own time, without what the box only counted.
    std::uint64_t clockUs() const { return clock_.tickUs(); }
    Clock& clock() { return clock_; }

    int baud() const;
    bool inBootLoader() const;
    bool transferringFirmware() const;
    bool disconnected() const;
    bool firmwareInstalled() const;
    std::string firmwareCode() const;
    std::string versionText() const;
    std::uint8_t connectMode() const;
    std::uint32_t runningAddress() const;
    std::optional<std::uint8_t> byteDelay() const;
    std::uint8_t sckCode() const;
    bool polling() const;
    std::uint64_t commandCount() const;
    std::vector<std::uint8_t> receivedFirmware() const;
    std::string firmwareRejection() const;

    std::vector<Violation> violations() const;
    std::string violationReport() const;
    void clearViolations();
    void addViolation(ViolationKind kind, std::string detail);

    Chip& chip() { return *chip_; }
    const BoxOptions& options() const { return options_; }
    void setTrace(std::function<void(const std::string&)> sink);

private:
    enum class Mode { BootLoader, Firmware };
    enum class Rx { Command, Args, BlockData, WriteData, Firmware };

    // Decoding and the line (box.cpp).
    void feed(std::uint8_t byte);
    void startCommand(std::uint8_t byte);
    void dispatch();
    void reply(std::span<const std::uint8_t> bytes);
    // The short replies most commands give, without a heap block each.
    void reply(std::initializer_list<std::uint8_t> bytes) { reply(std::span(bytes.begin(), bytes.size())); }
    void ack() { reply({0x0D}); }
    void trace(const std::string& line);
    bool outputEmpty() const { return outputHead_ == output_.size(); }
    void clearOutput();

    // Each command group answers the commands it knows and says whether it
    // knew this one.
    // Connection and parameters (box_connection.cpp).
    bool connectionCommand();
    void newConnection();
    void pingReply();
    void replyCode(const std::string& code);
    void replyText(const std::string& text);
    void replySerialNumber();
    bool synchronise();
    // Composite memory commands (box_composite.cpp).
    bool compositeCommand();
    void compositeByte(std::uint8_t byte);
    bool avrAlgorithm() const;
    void compositeWrite(bool flash);
    void compositeRead(bool flash, int count);
    bool checkComposite(int count);
    std::uint64_t byteDelayUs() const;
    // SPI pass-through (box_spi.cpp).
    bool spiCommand();
    void blockByte(std::uint8_t byte);
    std::uint8_t spi(std::uint8_t mosi);
    std::array<std::uint8_t, 4> spi4(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d);
    // DataFlash framing (box_dataflash.cpp).
    bool dataFlashCommand();
    // Boot loader and firmware update (box_firmware.cpp).
    void bootLoaderCommand(std::uint8_t command);
    void firmwareCommand();
    void firmwareByte(std::uint8_t byte);
    void finishFirmware();

    mutable std::mutex mutex_;
    Clock& clock_;
    std::unique_ptr<Chip> chip_;
    BoxOptions options_;
    std::uint64_t offsetUs_ = 0; // counted time the clock does not show
    std::uint64_t paceUs_ = 0;   // paced: when the box's own waits end
    std::function<void(const std::string&)> trace_;

    Mode mode_ = Mode::BootLoader;
    bool firmwareInstalled_;
    std::string firmwareCode_;
    std::string versionText_;
    int baud_ = 19200;
    bool disconnected_ = false;
    std::uint64_t bytesReceived_ = 0;
    bool wrongSpeedNoted_ = false;

    // Per-connection state.
    std::uint8_t connectMode_ = 0;
    std::uint32_t runningAddress_ = 0;
    std::optional<std::uint8_t> byteDelay_;
    bool byteDelaySet_ = false; // on this connection
    std::uint8_t sck_ = 0x82;
    bool polling_ = false;
    std::vector<std::uint8_t> spiWrites_; // SpiWrite bytes since the DataFlash was selected
    bool flashSelected_ = false;

    // Command decoding.
    Rx rx_ = Rx::Command;
    std::uint8_t command_ = 0;
    std::vector<std::uint8_t> args_;
    std::size_t argsNeeded_ = 0;
    std::size_t blockRemaining_ = 0;
    std::uint64_t commandIndex_ = 0;
    std::array<unsigned, 256> occurrences_{}; // per command byte
    unsigned compositeWrites_ = 0;

    // The reply bytes from outputHead_ on are unread. Read ones are dropped
    // once all are read, so that a long exchange reuses the memory instead
    // of taking a block for every few dozen bytes.
    std::vector<OutByte> output_;
    std::size_t outputHead_ = 0;
    bool firstPingAnswered_ = false;
    bool unreadCheck_ = true;

    std::vector<std::uint8_t> firmware_;
    std::string firmwareRejection_;

    std::vector<Violation> violations_;
};

} // namespace quorva::sim
