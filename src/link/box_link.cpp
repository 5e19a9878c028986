#include "box_link.h"

#include <algorithm>
#include <array>
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
    // Commands carry a few argument bytes: their frame needs no heap block.
    constexpr std::size_t kShortFrame = 16;
    if (arguments.size() < kShortFrame) {
        std::array<std::uint8_t, kShortFrame> frame{};
        frame[0] = byteOf(command);
        std::copy(arguments.begin(), arguments.end(), frame.begin() + 1);
        return port_.send(frame.data(), arguments.size() + 1);
    }
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
