#pragma once

#include "record_store.h"

#include <map>
#include <mutex>

namespace quorva {

// A store in memory, for tests of what uses a store. It behaves like the
// database stores, and can be told to fail every request from now on, as a
// stopped server or a full disk would.
class MemoryRecordStore final : public RecordStore {
public:
    StoreResult<Begun> begin(const ChipRecord& record, const std::optional<SequenceTake>& take) override;
    StoreStatus complete(const ChipRecord& record) override;
    StoreResult<std::vector<ChipRecord>> query(const RecordFilter& filter) override;
    StoreResult<std::vector<SummaryLine>> summary(const RecordFilter& filter, SummaryBy by) override;
    StoreResult<std::optional<SequenceState>> sequence(const std::string& name) override;
    StoreStatus setSequence(const std::string& name, std::uint32_t next, bool force,
                            const SequenceSetter& setter) override;
    std::string where() const override { return "memory"; }

    // Every request fails with error from now on; nothing: they work again.
    void setFailure(std::optional<StoreError> error);

private:
    std::mutex mutex_;
    std::vector<ChipRecord> rows_; // by id - 1
    std::map<std::string, SequenceState> sequences_;
    std::optional<StoreError> failure_;
};

// The rules every store filters and summarises by, shared with the memory store.
bool recordMatches(const ChipRecord& record, const RecordFilter& filter);
std::string summaryKey(const ChipRecord& record, SummaryBy by);

} // namespace quorva
