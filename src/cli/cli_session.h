#pragma once

#include "cli_commands.h"
#include "link/connection.h"
#include "link/serial_port.h"
#include "link/tracing_port.h"

#include <memory>
#include <optional>

namespace quorva::cli {

// The line to the box for one command: the serial port (with the trace when
// one is asked for), the port number and speed from the options or the
// settings, and the connection on top.
class CliSession {
public:
    explicit CliSession(CliContext& context);
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    // COM number: --com, else the settings; --port alone means COM1.
    int comPort() const { return comPort_; }
    // Line speed code: --baud, else the settings' HighSpeed.
    int baudCode() const { return baudCode_; }
    BytePort& port();
    Clock& clock();
    Connection& connection() { return *connection_; }

private:
    int comPort_ = 0;
    int baudCode_ = 0;
    SerialPort serial_;
    std::shared_ptr<Trace> trace_;
    std::optional<TracingPort> tracingPort_;
    std::optional<TracingClock> tracingClock_;
    std::optional<Connection> connection_;
};

} // namespace quorva::cli
