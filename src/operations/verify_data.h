#pragma once

#include "memory_scan.h"

namespace quorva {

class MemoryBuffer;

// Compares the chip's Flash or Eeprom with the buffer over the whole range:
// equal bytes get state 3, differing ones keep state 5, and the first
// differing address is kept for the report.
class KX1VerifyData final : public MemoryScan {
public:
    // firstMismatch is the program-wide result; it is reset here.
    KX1VerifyData(const OperationSetup& setup, MemoryBuffer& buffer, bool isFlash, int& firstMismatch);

    bool allEqual() const { return allEqual_; }
    // Bytes compared: the buffer, cut to what the chip holds.
    int processedBytes() const { return processed_; }

protected:
    int run() override;
    bool take(int address, const std::uint8_t* bytes, int count) override;
    void startPages(ChipAlgorithm kind, int count) override;

private:
    MemoryBuffer& buffer_;
    int& firstMismatch_;
    int processed_ = 0;
    bool allEqual_ = true;
};

} // namespace quorva
