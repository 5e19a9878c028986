#include "verify_data.h"

#include "base/messages.h"
#include "data/memory_buffer.h"

#include <algorithm>

namespace quorva {

KX1VerifyData::KX1VerifyData(const OperationSetup& setup, MemoryBuffer& buffer, bool isFlash, int& firstMismatch)
    : MemoryScan(setup, isFlash), buffer_(buffer), firstMismatch_(firstMismatch)
{
    firstMismatch_ = -1;
}

bool KX1VerifyData::take(int address, const std::uint8_t* bytes, int count)
{
    const auto data = buffer_.data();
    const auto states = buffer_.byteState();
    for (int i = 0; i < count; ++i) {
        const auto at = static_cast<std::size_t>(address + i);
        if (data[at] == bytes[i]) {
            states[at] = ByteVerified;
        } else {
            allEqual_ = false;
            if (firstMismatch_ == -1)
                firstMismatch_ = address + i;
        }
    }
    return true;
}

void KX1VerifyData::startPages(ChipAlgorithm kind, int count)
{
    start(messageText(1148), messageText(kind == ChipAlgorithm::At25 || !isFlash_ ? 1149 : 1090), count);
}

int KX1VerifyData::run()
{
    buffer_.setAllByteStates(BytePending);
    allEqual_ = true;
    int memorySize = isFlash_ ? device_.flashSize : device_.eepromSize;
    start(messageText(1148), messageText(isFlash_ ? 1090 : 1149),
          std::min(buffer_.length(), std::max(memorySize, 0)) / 64);
    std::optional<At45Geometry> geometry;
    if (algorithm() == ChipAlgorithm::At45) {
        geometry = readAt45Geometry();
        if (!geometry)
            return kNoReply;
        memorySize = geometry->capacity;
    }
    // Bytes beyond the chip's end stay pending: they were never compared.
    const int n = std::min(buffer_.length(), std::max(memorySize, 0));
    processed_ = n;

    return scanChip(n, geometry ? &*geometry : nullptr, At45Start::WriteBlock);
}

} // namespace quorva
