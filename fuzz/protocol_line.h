// The serial line of the protocol target: the simulated box wired straight
// to the PC's port, with the fuzz input deciding what each receive gets.
#pragma once

#include "box.h"

#include "base/byte_port.h"
#include "base/clock.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace quorva::fuzz {

// Time that moves only when the program waits: a sleep or a receive that
// times out passes at once. One thread drives the whole run, so it keeps no
// lock, no record of the sleeps and never yields the processor, which on a
// busy machine would hand it away at every one of an input's many waits.
class InstantClock final : public Clock {
public:
    void sleepMs(int ms) override { now_ += ms > 0 ? static_cast<std::uint64_t>(ms) : 0; }
    std::uint64_t tickMs() override { return now_; }
    // The simulator asks for microseconds at every SPI exchange: one call.
    std::uint64_t tickUs() override { return now_ * 1000; }
    void advance(std::uint64_t ms) { now_ += ms; }

private:
    std::uint64_t now_ = 0;
};

// The reply stream: one byte read at a time; past its end it reads as
// silence.
class ReplyStream {
public:
    ReplyStream(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    std::uint8_t next() { return empty() ? 0 : data_[at_++]; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// Port indices that open: the box's, and with silentPorts every other of
// COM1..COM8, where nothing answers.
struct LineWiring {
    int boxPort = 0;
    bool silentPorts = false;
};

// The PC's port with the box behind it and the input between them: sends
// reach the box unchanged, at the speed the port was opened with; each
// receive takes a control byte that decides what the PC gets instead of (or
// as) the box's reply. A control byte 0x80..0x9F answers the following
// receives properly too, up to 4096 of them, so that a short input can carry
// a whole memory. Receives that time out cost no real time: the clock jumps
// over them.
//
// One thread drives the box, so the line asks it as little as it can: one
// call for all the bytes the box has to say, none to ask whether it was
// disconnected (the target plans no such fault, a pulled cable is the line's
// own, and it never powers the box down).
class LinePort final : public BytePort {
public:
    static constexpr std::uint64_t kTimeoutMs = 2800;
    // The bytes the box takes in and gives out for one input; then it falls
    // silent for good, as past the end of the input. A whole memory moves
    // byte by byte through the simulator, so this bounds an input's cost:
    // enough for every loop to run past the counts that coverage tells
    // apart, and for a whole program and verify of the chips up to 4 KB.
    // Twice as much cost a fifth of the speed and reached no more.
    static constexpr std::uint64_t kBoxTraffic = std::uint64_t{1} << 14;
    // The longest chatter: beyond any loop that ends by itself on a line
    // that never stops sending, such as a connection's drains, and beyond a
    // connection's call budget. The control byte picks a length from 2^7 up
    // to this, so that the long ones, which cost most of the time of the
    // inputs that chatter, come only where they are wanted.
    static constexpr std::uint64_t kChatterReceives = std::uint64_t{1} << 14;

    LinePort(ReplyStream& stream, InstantClock& clock, sim::Box& box, LineWiring wiring);

    bool open(int portIndex, int baud) override;
    bool close() override;
    bool sendByte(std::uint8_t byte) override { return send(&byte, 1); }
    bool send(const std::uint8_t* bytes, std::size_t count) override;
    const std::uint8_t* receive(std::size_t count) override;
    int receiveByte() override;
    const char* status() const override { return status_; }
    bool connected() const override { return connected_; }
    int lastOpenError() const override;

    // Every call of the six operations.
    std::uint64_t calls() const { return calls_; }
    // Time-outs waited out once the input had run dry.
    std::uint64_t deadLineTimeouts() const { return deadLineTimeouts_; }

private:
    bool fill(std::size_t count);
    bool fillFromStream(std::size_t got, std::size_t count);
    bool proper(std::size_t at, std::size_t count);
    bool boxByte(std::uint8_t& byte);
    bool silence(bool dead);
    void discardBoxOutput();
    void dropStale();

    ReplyStream& stream_;
    InstantClock& clock_;
    sim::Box& box_;
    LineWiring wiring_;
    // The box behind the open port; null on a silent one.
    sim::Box* answering_ = nullptr;
    // The box's bytes from pendingAt_ on, taken from it but not yet on the
    // wire: taken all at once, as the box's lock per byte cost a tenth of
    // the time.
    std::vector<sim::Box::OutByte> pending_;
    std::size_t pendingAt_ = 0;
    bool connected_ = false;
    int baud_ = 0;
    const char* status_ = "Not initialized";
    std::uint64_t calls_ = 0;
    // Raw bytes beyond a request, from staleAt_ on; a vector, as a deque
    // takes memory even while empty.
    std::vector<std::uint8_t> stale_;
    std::size_t staleAt_ = 0;
    std::optional<std::uint8_t> chatter_;
    std::uint64_t chattered_ = 0;
    std::uint64_t chatterLength_ = 0;
    std::uint64_t boxTraffic_ = 0;
    unsigned credits_ = 0;
    bool unplugged_ = false;
    std::uint64_t deadLineTimeouts_ = 0;
};

} // namespace quorva::fuzz
