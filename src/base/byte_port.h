#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorva {

// The six serial operations every byte to and from the programmer box passes
// through. Implemented by the termios port, the in-process simulator and test
// doubles. A port is used by one thread at a time.
class BytePort {
public:
    // Size of the receive buffer; no single receive may ask for more.
    static constexpr std::size_t kReceiveBufferSize = 32768;

    virtual ~BytePort() = default;

    // portIndex is zero-based (COM1 is 0); baud is 19200, 115200 or 921600.
    // Every open closes first, so re-opening at another speed is another open.
    virtual bool open(int portIndex, int baud) = 0;
    // Always true.
    virtual bool close() = 0;
    virtual bool sendByte(std::uint8_t byte) = 0;
    virtual bool send(const std::uint8_t* bytes, std::size_t count) = 0;
    // count bytes at the start of the port's receive buffer, valid until the
    // next receive; null on time-out, when not connected, or when count
    // exceeds kReceiveBufferSize.
    virtual const std::uint8_t* receive(std::size_t count) = 0;
    // 0..255, -1 on time-out; 0 when not connected.
    virtual int receiveByte() = 0;
    // Text of the last step ("Connect: OK", "Receive: I/O error", ...);
    // diagnostic only.
    virtual const char* status() const = 0;
    virtual bool connected() const = 0;
    // What open(portIndex) opens, for traces and messages ("/dev/ttyUSB0").
    virtual std::string deviceName(int portIndex) const { return "COM" + std::to_string(portIndex + 1); }
    // errno of the last failed open (EACCES, ENOENT, EBUSY ...); 0 when unknown.
    virtual int lastOpenError() const { return 0; }
};

} // namespace quorva
