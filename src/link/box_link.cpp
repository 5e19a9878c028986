#include "box_link.h"

#include <vector>

namespace quorva {

bool BoxLink::send(Command command)
{
    return port_.sendByte(byteOf(command));
}

bool BoxLink::send(Command command, std::initializer_list<std::uint8_t> arguments)
{
    return send(command, std::span<const std::uint8_t>(arguments.begin(), arguments.size()));
}

bool BoxLink::send(Command command, std::span<const std::uint8_t> arguments)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(arguments.size() + 1);
    bytes.push_back(byteOf(command));
    bytes.insert(bytes.end(), arguments.begin(), arguments.end());
    return port_.send(bytes.data(), bytes.size());
}

bool BoxLink::expectAck()
{
    return port_.receiveByte() == kAck;
}

bool BoxLink::command(Command command, std::initializer_list<std::uint8_t> arguments)
{
    return send(command, arguments) && expectAck();
}

} // namespace quorva
