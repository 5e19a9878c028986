#pragma once

#include "chip_record.h"
#include "store_location.h"
#include "store_result.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorva {

// A chip's number from a named sequence. The first take of a name creates
// the sequence at seed (the number the image holds at the increment
// address); every take hands out the next number and counts on, wrapping
// after 0xFFFFFFFF as the 4-byte number in the image does.
struct SequenceTake {
    std::string name;
    std::uint32_t seed = 0;
};

// What begin gave: the row's id and the number taken, when one was asked for.
struct Begun {
    std::int64_t id = 0;
    std::optional<std::uint32_t> serial;
};

// Who set a sequence by hand, for its record.
struct SequenceSetter {
    std::string station;
    std::string user;
};

// The production records of a line and its serial sequences. Every call
// is safe from any thread; stores of one location in several processes (or
// on several PCs, for a server) see each other's rows and never hand out a
// number twice. Failures come back as StoreError, never as exceptions.
class RecordStore {
public:
    virtual ~RecordStore() = default;

    // Writes the chip's row as Started (stamping startedAt when empty)
    // before anything touches the chip. With a take, the chip's number is
    // taken from the sequence in the same transaction and stored in the row,
    // so a crash leaves an unfinished row, never a number handed out twice
    // or a number without a row. A number once taken is used up.
    virtual StoreResult<Begun> begin(const ChipRecord& record, const std::optional<SequenceTake>& take) = 0;
    // Rewrites the row record.id with everything the run learnt (stamping
    // endedAt when empty); id, startedAt, sequence and serial stay as begun.
    virtual StoreStatus complete(const ChipRecord& record) = 0;

    virtual StoreResult<std::vector<ChipRecord>> query(const RecordFilter& filter) = 0;
    // Lines sorted by key; the filter's failedOnly and limit do not apply.
    virtual StoreResult<std::vector<SummaryLine>> summary(const RecordFilter& filter, SummaryBy by) = 0;

    // The sequence, or nothing when the name was never used.
    virtual StoreResult<std::optional<SequenceState>> sequence(const std::string& name) = 0;
    // Sets the sequence's next number (creating it when new); a number below
    // the next one is refused (StoreError::Kind::Refused) unless forced.
    // Every setting is kept in the sequence's changes.
    virtual StoreStatus setSequence(const std::string& name, std::uint32_t next, bool force,
                                    const SequenceSetter& setter) = 0;

    // The location, password masked, for messages.
    virtual std::string where() const = 0;
};

// Opens the store at location, creating the SQLite file (and its folder)
// or the server's tables on first use and migrating an older schema. Null
// value for an Off location. Errors name the masked location and the
// reason; a file that is not a records database is never touched.
StoreResult<std::unique_ptr<RecordStore>> openRecordStore(const StoreLocation& location);

} // namespace quorva
