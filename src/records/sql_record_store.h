#pragma once

#include "record_store.h"
#include "sql_session.h"

#include <memory>
#include <mutex>

namespace quorva {

// The record store over an SQL database: schema and migrations, the
// transaction that takes a number and begins a row, queries and summaries.
class SqlRecordStore final : public RecordStore {
public:
    // The schema version this program writes.
    static int schemaVersionKnown();

    // Brings the database's schema up to date and returns the store on it.
    static StoreResult<std::unique_ptr<RecordStore>> open(std::unique_ptr<SqlSession> session, std::string where);

    StoreResult<Begun> begin(const ChipRecord& record, const std::optional<SequenceTake>& take) override;
    StoreStatus complete(const ChipRecord& record) override;
    StoreResult<std::vector<ChipRecord>> query(const RecordFilter& filter) override;
    StoreResult<std::vector<SummaryLine>> summary(const RecordFilter& filter, SummaryBy by) override;
    StoreResult<std::optional<SequenceState>> sequence(const std::string& name) override;
    StoreStatus setSequence(const std::string& name, std::uint32_t next, bool force,
                            const SequenceSetter& setter) override;
    std::string where() const override { return where_; }

private:
    SqlRecordStore(std::unique_ptr<SqlSession> session, std::string where)
        : session_(std::move(session)), where_(std::move(where))
    {
    }
    StoreStatus migrate();
    // The bare reason of a failure as this store's message of kind.
    StoreError failure(const StoreError& reason, StoreError::Kind kind = StoreError::Kind::Write) const;
    // Ends a failed transaction and passes its failure on.
    StoreError abandon(const StoreError& reason);
    StoreResult<SqlRows> selectRecords(const RecordFilter& filter, const std::string& columns, const std::string& tail);

    std::mutex mutex_;
    std::unique_ptr<SqlSession> session_;
    std::string where_;
};

} // namespace quorva
