#pragma once

#include "base/byte_port.h"
#include "base/clock.h"
#include "trace.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quorva {

// The serial line to the programmer box over POSIX termios: exclusive, raw
// 8N1, no flow control, DTR and RTS off, and a 2.8 s limit on every read or
// write call.
class SerialPort final : public BytePort {
public:
    static constexpr int kTimeoutMs = 2800;

    // Maps a COM number (1-based) to a device path.
    using PathResolver = std::function<std::string(int comNumber)>;

    explicit SerialPort(PathResolver resolver = defaultPath, Clock& clock = realClock());
    ~SerialPort() override;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // /dev/ttyUSB(n-1).
    static std::string defaultPath(int comNumber);

    // Notes that only a trace wants (low-latency mode).
    void setTrace(std::shared_ptr<Trace> trace) { trace_ = std::move(trace); }

    bool open(int portIndex, int baud) override;
    bool close() override;
    bool sendByte(std::uint8_t byte) override;
    bool send(const std::uint8_t* bytes, std::size_t count) override;
    const std::uint8_t* receive(std::size_t count) override;
    int receiveByte() override;
    const char* status() const override { return status_; }
    bool connected() const override { return connected_; }
    std::string deviceName(int portIndex) const override { return resolver_(portIndex + 1); }

    // errno of the last failed open (EACCES, ENOENT, EBUSY ...), 0 after a good one.
    int lastOpenError() const override { return openError_; }
    const std::string& lastPath() const { return path_; }
    int portIndex() const { return portIndex_; }
    int baud() const { return baud_; }

private:
    enum class Wait { Ready, TimedOut, Broken };
    Wait waitFor(short events, std::uint64_t deadline);
    bool drain();
    // Writes from bytes[written] on, counting what went out in written.
    bool writeAll(const std::uint8_t* bytes, std::size_t count, std::size_t& written);
    bool configure(int baud);
    void note(const std::string& text);

    PathResolver resolver_;
    Clock& clock_;
    std::shared_ptr<Trace> trace_;
    const char* status_ = "Not initialized";
    int fd_ = -1;
    int portIndex_ = -1;
    bool connected_ = false;
    int baud_ = 0;
    int openError_ = 0;
    std::string path_;
    std::vector<std::uint8_t> buffer_;
};

} // namespace quorva
