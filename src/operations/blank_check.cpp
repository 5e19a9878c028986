#include "blank_check.h"

#include "base/messages.h"

#include <algorithm>

namespace quorva {

KX1BlankCheck::KX1BlankCheck(const OperationSetup& setup) : MemoryScan(setup, true) {}

bool KX1BlankCheck::take(int, const std::uint8_t* bytes, int count)
{
    return std::all_of(bytes, bytes + count, [](std::uint8_t b) { return b == 0xFF; });
}

void KX1BlankCheck::startPages(ChipAlgorithm, int count)
{
    start(messageText(1146), messageText(1147), count);
}

int KX1BlankCheck::run()
{
    const int flashSize = device_.flashSize;
    start(messageText(1146), messageText(1147), flashSize / 64);
    switch (algorithm()) {
    case ChipAlgorithm::At45: {
        const auto geometry = readAt45Geometry();
        if (!geometry)
            return kNoReply;
        return scanAt45(geometry->capacity, *geometry, At45Start::Legacy);
    }
    case ChipAlgorithm::At26:
        // The AVR composite reads never reach a serial Flash's read instruction.
        return scanAt26(flashSize);
    case ChipAlgorithm::At89s:
        return scanAt89(flashSize, 0);
    case ChipAlgorithm::At25:
    case ChipAlgorithm::Avr:
        break;
    }
    return scanAvr(flashSize);
}

} // namespace quorva
