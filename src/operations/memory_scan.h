#pragma once

#include "chip_operation.h"

#include <cstdint>

namespace quorva {

// Reads a chip memory from address 0 on with the algorithm of its device,
// handing each block to the subclass: the read stores it, the verify compares
// it, the blank check looks for a byte other than 0xFF.
class MemoryScan : public ChipOperation {
protected:
    MemoryScan(const OperationSetup& setup, bool isFlash);

    // Takes the count bytes read from address on; false ends the run at
    // once with stopResult().
    virtual bool take(int address, const std::uint8_t* bytes, int count) = 0;
    virtual int stopResult() const { return kDone; }
    // The page phase of the serial memories begins (start with its texts).
    virtual void startPages(ChipAlgorithm kind, int count) = 0;

    // AVR composite reads in 64-byte blocks, each after its extended address.
    int scanAvr(int n);
    // AT89S byte reads with byteDelayMs after each byte.
    int scanAt89(int n, int byteDelayMs);
    int scanAt25(int n);
    int scanAt26(int n);

    // How the DataFlash's continuous read is started.
    enum class At45Start {
        SpiWrites,  // 03 00 00 00 as four SpiWrites, deselected at the end (read)
        WriteBlock, // 03 00 00 00 as one SpiWriteBlock (verify)
        Legacy,     // E8 and four don't-care bytes, with the second select pair (blank check)
    };
    int scanAt45(int n, const At45Geometry& geometry, At45Start how);
    // The first n bytes with the device's own algorithm; geometry is needed
    // for a DataFlash only.
    int scanChip(int n, const At45Geometry* geometry, At45Start how);

    const bool isFlash_;

private:
    int streamBlocks(int n, int blockBytes);
};

} // namespace quorva
