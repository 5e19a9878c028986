#pragma once

#include "chip_operation.h"

#include <array>
#include <cstdint>

namespace quorva {

// How an AT45 DataFlash is erased block by block: the page count taken with
// the table's page size, and the page-shift code k (page p starts at byte
// address p << (8 + k)), one less in power-of-2 mode.
struct DataFlashBlocks {
    int pageCount = 0;
    int shift = 0;
};
DataFlashBlocks dataFlashBlocks(const DeviceInfo& device, bool powerOfTwo);

// The address bytes of the block-erase instruction for the 8-page block
// that starts at page `page`.
std::array<std::uint8_t, 3> blockEraseAddress(int page, int shift);

// Erases an AT45 DataFlash 8 pages at a time: 0 done, 1 cancelled, -1 on a
// missing or wrong reply (the caller reports it).
class KX1ChipErase45 final : public ChipOperation {
public:
    explicit KX1ChipErase45(const OperationSetup& setup);

    // Block-erase instructions the chip accepted.
    int blocksErased() const { return blocksErased_; }

protected:
    int run() override;

private:
    // The status register; -1 when a reply is missing or wrong.
    int readStatus();

    int blocksErased_ = 0;
};

} // namespace quorva
