#pragma once

#include "memory_scan.h"

namespace quorva {

class MemoryBuffer;

// Reads the chip's Flash or Eeprom into the buffer the command has sized to
// the memory; every byte read gets state 4.
class KX1ReadData final : public MemoryScan {
public:
    KX1ReadData(const OperationSetup& setup, MemoryBuffer& buffer, bool isFlash);

    // What the chip holds, once known: a DataFlash in power-of-2 mode holds
    // less than its table size. -1 before the run.
    int chipBytes() const { return chipBytes_; }

protected:
    int run() override;
    bool take(int address, const std::uint8_t* bytes, int count) override;
    void startPages(ChipAlgorithm kind, int count) override;

private:
    MemoryBuffer& buffer_;
    int chipBytes_ = -1;
};

} // namespace quorva
