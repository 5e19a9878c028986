#pragma once

#include "base/byte_port.h"
#include "base/clock.h"
#include "commands.h"

#include <cstdint>
#include <initializer_list>
#include <span>

namespace quorva {

// The exchanges with the box that every user of the link repeats: a command
// with its arguments in one send, then its reply.
class BoxLink {
public:
    BoxLink(BytePort& port, Clock& clock) : port_(port), clock_(clock) {}

    BytePort& port() { return port_; }
    Clock& clock() { return clock_; }
    void wait(int ms) { clock_.sleepMs(ms); }

    bool send(Command command);
    bool send(Command command, std::initializer_list<std::uint8_t> arguments);
    bool send(Command command, std::span<const std::uint8_t> arguments);
    bool sendBytes(std::span<const std::uint8_t> bytes) { return port_.send(bytes.data(), bytes.size()); }

    // The next byte is the acknowledgement 0x0D.
    bool expectAck();
    // Some byte arrives within the time-out.
    bool expectByte() { return port_.receiveByte() >= 0; }
    int receiveByte() { return port_.receiveByte(); }
    const std::uint8_t* receive(std::size_t count) { return port_.receive(count); }

    // send, then expectAck.
    bool command(Command command, std::initializer_list<std::uint8_t> arguments = {});

private:
    BytePort& port_;
    Clock& clock_;
};

} // namespace quorva
