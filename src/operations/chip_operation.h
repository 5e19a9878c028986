#pragma once

#include "base/operation.h"
#include "base/ui.h"
#include "catalogue/device_info.h"
#include "link/box_link.h"

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>

namespace quorva {

class Project;

// What an operation needs from the command that runs it: the open link, the
// device of the connection, the project's timing choices and the board delays.
struct OperationSetup {
    Ui& ui;
    BoxLink& link;
    const Project& project;
    const DeviceInfo& device;
    std::array<int, 4> advancedDelays{};
    int baudCode = 0; // the line speed the connection runs at
    // Wait the table's fixed delay after each write instead of asking the
    // chip when it is done: for a box or a part that answers wrongly.
    bool fixedWaits = false;
};

// How a device's memories are programmed and read.
enum class ChipAlgorithm { Avr, At89s, At25, At26, At45 };
ChipAlgorithm chipAlgorithm(const DeviceInfo& device);
// Whether the AVR device answers Poll RDY/BSY (F0) during serial programming.
bool answersReadyPoll(const DeviceInfo& device);

// An AT45 DataFlash as its status register shows it: standard pages
// (264/528/1056 bytes) or power-of-2 pages, and the bytes those pages hold.
struct At45Geometry {
    int pageBytes = 0;
    int capacity = 0;
    bool binaryPages = false;
};
At45Geometry at45Geometry(const DeviceInfo& device, std::uint8_t status);

// The memory operations' common ground: the link, the timing values and the
// exchanges every algorithm repeats.
class ChipOperation : public Operation {
public:
    // A run that failed on a missing reply (AT89S, AT26, AT45).
    static constexpr int kNoReply = 255;
    // Blank check: a byte other than 0xFF was found.
    static constexpr int kNotBlank = 100;
    // An AT26 or AT25 that stays busy longer than this fails the run when
    // the chip may still be erasing, or when fixed waits are asked for.
    static constexpr int kBusyLimitMs = 2000;

protected:
    explicit ChipOperation(const OperationSetup& setup);

    ChipAlgorithm algorithm() const { return chipAlgorithm(device_); }

    // Message 1027 in a box owned by the main window.
    void showConnectionError();
    void wait(int ms);
    std::uint64_t now() { return link_.clock().tickMs(); }

    // Byte-delay timer values and delays of the memory, with the project's
    // overrides.
    std::uint8_t writeTiming(bool flash) const;
    std::uint8_t readTiming(bool flash) const;
    int pageDelayMs(bool flash) const;
    // The overridden byte delay in ms, or fallback.
    int byteDelayMs(bool flash, int fallback) const;
    bool pageDelayOverridden(bool flash) const;
    bool byteDelayOverridden(bool flash) const;

    // Asks busy() until the chip has finished its write: kDone, or
    // kPollingError once boundMs have passed with it still busy, or kFailed
    // when busy() got no answer (-1; 1 is busy, 0 ready). The bound is the
    // longest wait the device table allows for, so a chip that needs more
    // is an error, not a pass. One operation polls one kind of write.
    int pollReady(int boundMs, const std::function<int()>& busy);
    // Poll RDY/BSY of an AVR: -1, 1 or 0 as pollReady wants them.
    int avrBusy();
    // Load Extended Address (4D) for the byte address, when the device has
    // more than 128 KB and the chip does not hold that byte already; false
    // when the send failed.
    bool loadExtendedAddress(int address);

    // Each byte in a send of its own, as the box's block commands are fed.
    bool sendEach(std::initializer_list<std::uint8_t> bytes);
    // A command and its one-byte reply, whatever its value.
    bool exchange(Command command);
    // A command and its acknowledgement.
    bool acknowledged(Command command);
    // SpiWrite as two single-byte sends, acknowledged.
    bool spiWriteBytewise(std::uint8_t value);
    // Reads count single bytes into out; the number that arrived before a
    // time-out.
    int receiveStream(std::uint8_t* out, int count);

    // The DataFlash status read that precedes every AT45 algorithm; none
    // when a reply is missing or wrong.
    std::optional<At45Geometry> readAt45Geometry();

    Ui& ui_;
    BoxLink& link_;
    const Project& project_;
    const DeviceInfo& device_;
    const std::array<int, 4> delays_;
    const int baudCode_;
    const bool fixedWaits_;

private:
    // How long the last write polled kept the chip busy, at least.
    std::uint64_t expectedBusyUs_ = 0;
    // The extended address byte sent on this connection; none yet.
    std::optional<int> extendedAddress_;
};

} // namespace quorva
