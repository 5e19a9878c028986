#include "tracing_port.h"

namespace quorva {

bool TracingPort::open(int portIndex, int baud)
{
    const bool ok = inner_.open(portIndex, baud);
    trace_->line("open COM" + std::to_string(portIndex + 1) + " " + inner_.deviceName(portIndex) + " " +
                 std::to_string(baud) + " baud: " + inner_.status());
    return ok;
}

bool TracingPort::close()
{
    const bool wasConnected = inner_.connected();
    const bool ok = inner_.close();
    if (wasConnected)
        trace_->line("close");
    return ok;
}

bool TracingPort::sendByte(std::uint8_t byte)
{
    const bool ok = inner_.sendByte(byte);
    trace_->bytes(ok ? "send" : "send failed:", &byte, 1);
    return ok;
}

bool TracingPort::send(const std::uint8_t* bytes, std::size_t count)
{
    const bool ok = inner_.send(bytes, count);
    trace_->bytes(ok ? "send" : "send failed:", bytes, count);
    return ok;
}

const std::uint8_t* TracingPort::receive(std::size_t count)
{
    const std::uint8_t* data = inner_.receive(count);
    if (data)
        trace_->bytes("recv", data, count);
    else
        trace_->line("recv " + std::to_string(count) + " bytes: " + inner_.status());
    return data;
}

int TracingPort::receiveByte()
{
    const int value = inner_.receiveByte();
    if (value >= 0 && inner_.connected()) {
        const auto byte = static_cast<std::uint8_t>(value);
        trace_->bytes("recv", &byte, 1);
    } else {
        trace_->line("recv 1 byte: time-out");
    }
    return value;
}

void TracingClock::sleepMs(int ms)
{
    trace_->line("wait " + std::to_string(ms) + " ms");
    inner_.sleepMs(ms);
}

void TracingClock::sleepUs(int us)
{
    trace_->line("wait " + std::to_string(us) + " us");
    inner_.sleepUs(us);
}

} // namespace quorva
