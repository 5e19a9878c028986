#pragma once

#include "base/byte_port.h"
#include "base/clock.h"
#include "trace.h"

#include <memory>

namespace quorva {

// Logs every open, close and byte of another port.
class TracingPort final : public BytePort {
public:
    TracingPort(BytePort& inner, std::shared_ptr<Trace> trace) : inner_(inner), trace_(std::move(trace)) {}

    bool open(int portIndex, int baud) override;
    bool close() override;
    bool sendByte(std::uint8_t byte) override;
    bool send(const std::uint8_t* bytes, std::size_t count) override;
    const std::uint8_t* receive(std::size_t count) override;
    int receiveByte() override;
    const char* status() const override { return inner_.status(); }
    bool connected() const override { return inner_.connected(); }
    std::string deviceName(int portIndex) const override { return inner_.deviceName(portIndex); }
    int lastOpenError() const override { return inner_.lastOpenError(); }

private:
    BytePort& inner_;
    std::shared_ptr<Trace> trace_;
};

// Logs every wait of another clock.
class TracingClock final : public Clock {
public:
    TracingClock(Clock& inner, std::shared_ptr<Trace> trace) : inner_(inner), trace_(std::move(trace)) {}
    void sleepMs(int ms) override;
    void sleepUs(int us) override;
    std::uint64_t tickMs() override { return inner_.tickMs(); }
    std::uint64_t tickUs() override { return inner_.tickUs(); }

private:
    Clock& inner_;
    std::shared_ptr<Trace> trace_;
};

} // namespace quorva
