#pragma once

#include "base/clock.h"
#include "records/chip_record.h"
#include "records/record_store.h"
#include "records/shared_record_store.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace quorva {

class MemoryBuffer;

// Who writes to the chips of this process: the same on each of its rows.
struct RecordOrigin {
    std::string station; // host name
    std::string user;
    std::string programVersion;
};

// This host and login, and the given program version.
RecordOrigin thisOrigin(std::string programVersion);

// Keeps the production record of every chip a command or an auto-program
// writes to: the row is begun before the chip is touched and completed
// after, so a crash leaves an unfinished row, never a silent gap. Without a
// store (or with records off) every call does nothing and begin succeeds.
class ChipRecorder {
public:
    explicit ChipRecorder(Clock& clock) : clock_(clock) {}

    void attach(std::shared_ptr<SharedRecordStore> store, RecordOrigin origin);
    bool active() const { return store_ && !store_->off(); }
    // The facts of a row known before the chip is touched: box, device, project.
    std::function<ChipRecord()> facts;
    // The box's firmware as the run found it, asked when the row completes.
    std::function<std::string()> firmware;

    // Begins the chip's row; with take, the chip's number comes from the
    // named sequence in the same transaction. False when the store failed
    // (failure() says why): then nothing may touch the chip.
    bool begin(const std::optional<SequenceTake>& take = std::nullopt);
    bool begun() const { return begun_; }
    // The number begin took from the sequence.
    std::optional<std::uint32_t> serial() const { return row_.serial; }

    void step(const char* name);
    void signatureRead(const std::array<int, 3>& signature);
    // What is being written into a memory: the buffer's bytes as they go to
    // the chip, the serial number already in them.
    void writing(bool isFlash, const MemoryBuffer& buffer, std::optional<std::uint32_t> serial);

    // Completes the begun row; unless named, the last step begun is the
    // failing one when the outcome is not Ok. False when the store failed:
    // the chip's outcome stands, but no further chip may start.
    bool finish(Outcome outcome, const std::string& lastStatus, const std::string& failingStep = {});

    // Why the store failed at the last begin or finish; empty when it did not.
    const std::string& failure() const { return failure_; }
    // The last begin failed: that chip was never touched.
    bool refused() const { return refused_; }

private:
    Clock& clock_;
    std::shared_ptr<SharedRecordStore> store_;
    RecordOrigin origin_;
    ChipRecord row_;
    bool begun_ = false;
    bool refused_ = false;
    std::uint64_t startTick_ = 0;
    std::string failure_;
};

} // namespace quorva
