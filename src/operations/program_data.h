#pragma once

#include "chip_operation.h"

#include <cstdint>

namespace quorva {

class MemoryBuffer;

// Writes the Flash or Eeprom buffer into the chip with the algorithm of the
// device: AVR pages or 64-byte chunks, AT89S bytes, AT25 pages, AT26 pages
// with busy polling, AT45 buffer writes. Bytes written get state 2.
class KX1ProgramData final : public ChipOperation {
public:
    KX1ProgramData(const OperationSetup& setup, MemoryBuffer& buffer, bool isFlash);

    // Bytes the run set out to write: the buffer, cut to what the chip holds.
    int processedBytes() const { return processed_; }
    // The person declined to have a too-long buffer cut (question 1028).
    bool declined() const { return declined_; }

protected:
    int run() override;

private:
    int programAvr(int n);
    int programAvrPages(int n, int pageBytes);
    int programAvrChunks(int n);
    int programAvrEepromPolled(int n);
    int programAt89(int n);
    int programAt25(int n);
    int waitAt25Ready();
    int programAt26(int n);
    int at26Status();
    // Polls the AT26 status until it is ready: kDone, kCancelled, kNoReply,
    // or kPollingError when boundMs pass first.
    int waitAt26Ready(int* polls, bool waitFirst, int boundMs);
    int programAt45(int n, const At45Geometry& geometry);
    // The DataFlash status register's ready bit, as pollReady wants it.
    int at45Busy();
    void markProgrammed(int address, int count);

    MemoryBuffer& buffer_;
    const bool isFlash_;
    const std::uint8_t writeCommand_;
    const int memorySize_;
    int processed_ = 0;
    bool declined_ = false;
};

} // namespace quorva
