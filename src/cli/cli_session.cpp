#include "cli_session.h"

namespace quorva::cli {

namespace {

int chosenComPort(const CliContext& context)
{
    if (context.options.comPort)
        return *context.options.comPort;
    int comPort = 0;
    int speed = 0;
    context.settings.readBoardSettings(comPort, speed);
    if (comPort <= 0 && context.options.portPath)
        return 1;
    return comPort;
}

int chosenBaudCode(const CliContext& context)
{
    if (context.options.baudCode)
        return *context.options.baudCode;
    int comPort = 0;
    int speed = 0;
    context.settings.readBoardSettings(comPort, speed);
    return speed >= 0 && speed <= 2 ? speed : 0;
}

} // namespace

CliSession::CliSession(CliContext& context)
    : comPort_(chosenComPort(context)), baudCode_(chosenBaudCode(context)),
      serial_([&settings = context.settings, portPath = context.options.portPath, chosen = comPort_](int number) {
          if (portPath && number == chosen)
              return *portPath;
          return settings.portPath(number);
      }),
      trace_(Trace::fromEnvironment())
{
    if (trace_) {
        serial_.setTrace(trace_);
        tracingPort_.emplace(serial_, trace_);
        tracingClock_.emplace(realClock(), trace_);
    }
    connection_.emplace(port(), clock(), context.ui);
}

BytePort& CliSession::port()
{
    return tracingPort_ ? static_cast<BytePort&>(*tracingPort_) : serial_;
}

Clock& CliSession::clock()
{
    return tracingClock_ ? static_cast<Clock&>(*tracingClock_) : realClock();
}

} // namespace quorva::cli
