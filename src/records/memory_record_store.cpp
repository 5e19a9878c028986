#include "memory_record_store.h"

#include "base/messages.h"
#include "records_messages.h"

#include <algorithm>

namespace quorva {

bool recordMatches(const ChipRecord& record, const RecordFilter& filter)
{
    const auto holds = [&](const std::optional<MemoryWritten>& memory) {
        return memory && memory->serial == filter.serial;
    };
    if (!filter.since.empty() && record.startedAt < filter.since)
        return false;
    if (!filter.until.empty() && record.startedAt >= filter.until)
        return false;
    if (filter.serial && record.serial != filter.serial && !holds(record.flash) && !holds(record.eeprom))
        return false;
    if (!filter.device.empty() && record.device != filter.device)
        return false;
    if (!filter.station.empty() && record.station != filter.station)
        return false;
    return !filter.failedOnly || record.outcome != Outcome::Ok;
}

std::string summaryKey(const ChipRecord& record, SummaryBy by)
{
    switch (by) {
    case SummaryBy::Day:
        return record.startedAt.substr(0, 10);
    case SummaryBy::Station:
        return record.station;
    case SummaryBy::Device:
        return record.device;
    case SummaryBy::Box:
        break;
    }
    return record.devicePath.empty() ? "COM" + std::to_string(record.comNumber) : record.devicePath;
}

void MemoryRecordStore::setFailure(std::optional<StoreError> error)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    failure_ = std::move(error);
}

StoreResult<Begun> MemoryRecordStore::begin(const ChipRecord& record, const std::optional<SequenceTake>& take)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    if (failure_)
        return *failure_;
    ChipRecord row = record;
    row.id = static_cast<std::int64_t>(rows_.size()) + 1;
    row.outcome = Outcome::Started;
    if (row.startedAt.empty())
        row.startedAt = utcNow();
    if (take) {
        SequenceState& state =
            sequences_.try_emplace(take->name, SequenceState{take->name, take->seed, {}}).first->second;
        row.sequence = take->name;
        row.serial = state.next++;
    }
    rows_.push_back(row);
    return Begun{row.id, row.serial};
}

StoreStatus MemoryRecordStore::complete(const ChipRecord& record)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    if (failure_)
        return *failure_;
    if (record.id < 1 || record.id > static_cast<std::int64_t>(rows_.size()))
        return StoreError{StoreError::Kind::NotFound,
                          formatMessage(kMsgNoSuchRecord, where().c_str(), static_cast<long long>(record.id))};
    ChipRecord& row = rows_[static_cast<std::size_t>(record.id - 1)];
    ChipRecord done = record;
    done.startedAt = row.startedAt;
    done.sequence = row.sequence;
    done.serial = row.serial;
    if (done.endedAt.empty())
        done.endedAt = utcNow();
    row = done;
    return Done{};
}

StoreResult<std::vector<ChipRecord>> MemoryRecordStore::query(const RecordFilter& filter)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    if (failure_)
        return *failure_;
    std::vector<ChipRecord> found;
    for (const ChipRecord& row : rows_)
        if (recordMatches(row, filter))
            found.push_back(row);
    std::stable_sort(found.begin(), found.end(), [](const ChipRecord& a, const ChipRecord& b) {
        return a.startedAt != b.startedAt ? a.startedAt > b.startedAt : a.id > b.id;
    });
    if (filter.limit > 0 && found.size() > static_cast<std::size_t>(filter.limit))
        found.resize(static_cast<std::size_t>(filter.limit));
    return found;
}

StoreResult<std::vector<SummaryLine>> MemoryRecordStore::summary(const RecordFilter& filter, SummaryBy by)
{
    RecordFilter all = filter;
    all.failedOnly = false;
    all.limit = 0;
    auto rows = query(all);
    if (!rows)
        return rows.error();
    std::map<std::string, SummaryLine> lines;
    for (const ChipRecord& row : rows.value()) {
        SummaryLine& line = lines[summaryKey(row, by)];
        (row.outcome == Outcome::Ok          ? line.good
         : row.outcome == Outcome::Failed    ? line.failed
         : row.outcome == Outcome::Cancelled ? line.cancelled
                                             : line.unfinished)++;
    }
    std::vector<SummaryLine> sorted;
    for (auto& [key, line] : lines) {
        line.key = key;
        sorted.push_back(line);
    }
    return sorted;
}

StoreResult<std::optional<SequenceState>> MemoryRecordStore::sequence(const std::string& name)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    if (failure_)
        return *failure_;
    const auto found = sequences_.find(name);
    return found == sequences_.end() ? std::optional<SequenceState>() : found->second;
}

StoreStatus MemoryRecordStore::setSequence(const std::string& name, std::uint32_t next, bool force,
                                           const SequenceSetter& setter)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    if (failure_)
        return *failure_;
    const auto found = sequences_.find(name);
    const std::uint32_t from = found == sequences_.end() ? next : found->second.next;
    if (next < from && !force)
        return StoreError{StoreError::Kind::Refused, formatMessage(kMsgSequenceBackwards, name.c_str(), from, next)};
    SequenceState& state = sequences_.try_emplace(name, SequenceState{name, next, {}}).first->second;
    state.next = next;
    state.changes.push_back({utcNow(), from, next, next < from, setter.station, setter.user});
    return Done{};
}

} // namespace quorva
