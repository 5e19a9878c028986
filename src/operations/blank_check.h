#pragma once

#include "memory_scan.h"

namespace quorva {

// Tells whether the chip's whole Flash reads 0xFF; stops at the first byte
// that does not. Keeps nothing.
class KX1BlankCheck final : public MemoryScan {
public:
    explicit KX1BlankCheck(const OperationSetup& setup);

protected:
    int run() override;
    bool take(int address, const std::uint8_t* bytes, int count) override;
    int stopResult() const override { return kNotBlank; }
    void startPages(ChipAlgorithm kind, int count) override;
};

} // namespace quorva
