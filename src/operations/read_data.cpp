#include "read_data.h"

#include "base/messages.h"
#include "data/memory_buffer.h"

#include <algorithm>

namespace quorva {

KX1ReadData::KX1ReadData(const OperationSetup& setup, MemoryBuffer& buffer, bool isFlash)
    : MemoryScan(setup, isFlash), buffer_(buffer)
{
}

bool KX1ReadData::take(int address, const std::uint8_t* bytes, int count)
{
    const auto at = static_cast<std::size_t>(address);
    const auto size = static_cast<std::size_t>(count);
    std::copy_n(bytes, size, buffer_.data().begin() + static_cast<std::ptrdiff_t>(at));
    auto states = buffer_.byteState().subspan(at, size);
    std::fill(states.begin(), states.end(), ByteRead);
    return true;
}

void KX1ReadData::startPages(ChipAlgorithm kind, int count)
{
    start(messageText(1145), messageText(kind == ChipAlgorithm::At25 || !isFlash_ ? 1096 : 1085), count);
}

int KX1ReadData::run()
{
    const int length = buffer_.length();
    start(messageText(1145), messageText(isFlash_ ? 1085 : 1096), length / 64);
    int memorySize = isFlash_ ? device_.flashSize : device_.eepromSize;
    std::optional<At45Geometry> geometry;
    if (algorithm() == ChipAlgorithm::At45) {
        geometry = readAt45Geometry();
        if (!geometry)
            return kNoReply;
        memorySize = geometry->capacity;
    }
    chipBytes_ = memorySize;
    const int n = std::min(length, std::max(memorySize, 0));

    return scanChip(n, geometry ? &*geometry : nullptr, At45Start::SpiWrites);
}

} // namespace quorva
