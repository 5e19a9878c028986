#include "sql_record_store.h"

#include "base/messages.h"
#include "records_messages.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace quorva {

namespace {

constexpr std::int64_t kSerialRange = 0x100000000; // the 4-byte number wraps here

// Each version's statements lead from the version before; {ID} stands for
// the back end's generated row id.
const std::vector<std::vector<std::string>>& migrations()
{
    // clang-format off
    static const std::vector<std::vector<std::string>> steps = {
        {   // 1: the chips' rows and the sequences
            "CREATE TABLE chip_records (id {ID}, started_at TEXT NOT NULL, ended_at TEXT, station TEXT NOT NULL,"
            " user_name TEXT NOT NULL, program_version TEXT NOT NULL, com_number BIGINT NOT NULL,"
            " device_path TEXT NOT NULL, firmware TEXT NOT NULL, device TEXT NOT NULL, signature TEXT NOT NULL,"
            " project_path TEXT NOT NULL, steps TEXT NOT NULL,"
            " flash_file TEXT, flash_length BIGINT, flash_sha256 TEXT, flash_serial BIGINT,"
            " eeprom_file TEXT, eeprom_length BIGINT, eeprom_sha256 TEXT, eeprom_serial BIGINT,"
            " sequence_name TEXT NOT NULL, serial BIGINT, outcome TEXT NOT NULL, failing_step TEXT NOT NULL,"
            " last_status TEXT NOT NULL, duration_ms BIGINT NOT NULL)",
            "CREATE TABLE serial_sequences (name TEXT PRIMARY KEY, next_value BIGINT NOT NULL)",
        },
        {   // 2: hand settings of a sequence are kept; lookups by time and number
            "CREATE TABLE sequence_changes (id {ID}, name TEXT NOT NULL, at TEXT NOT NULL, from_value BIGINT NOT NULL,"
            " to_value BIGINT NOT NULL, forced BIGINT NOT NULL, station TEXT NOT NULL, user_name TEXT NOT NULL)",
            "CREATE INDEX chip_records_started ON chip_records (started_at)",
            "CREATE INDEX chip_records_serial ON chip_records (serial)",
        },
    };
    // clang-format on
    return steps;
}

constexpr const char* kColumns = "id, started_at, ended_at, station, user_name, program_version, com_number, "
                                 "device_path, firmware, device, signature, project_path, steps, "
                                 "flash_file, flash_length, flash_sha256, flash_serial, "
                                 "eeprom_file, eeprom_length, eeprom_sha256, eeprom_serial, "
                                 "sequence_name, serial, outcome, failing_step, last_status, duration_ms";

std::string placeholder(std::size_t index)
{
    return "$" + std::to_string(index);
}

SqlValue number(std::int64_t value)
{
    return std::to_string(value);
}

SqlValue optionalNumber(const std::optional<std::uint32_t>& value)
{
    return value ? number(*value) : SqlValue();
}

std::int64_t toNumber(const SqlValue& value)
{
    std::int64_t parsed = 0;
    if (value)
        std::from_chars(value->data(), value->data() + value->size(), parsed);
    return parsed;
}

std::optional<std::uint32_t> toSerial(const SqlValue& value)
{
    return value ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(toNumber(value))) : std::nullopt;
}

std::string toText(const SqlValue& value)
{
    return value.value_or("");
}

// The row's columns after id, with their values.
std::vector<std::pair<std::string, SqlValue>> columnsOf(const ChipRecord& r)
{
    std::vector<std::pair<std::string, SqlValue>> columns = {
        {"started_at", r.startedAt},
        {"ended_at", r.endedAt.empty() ? SqlValue() : r.endedAt},
        {"station", r.station},
        {"user_name", r.user},
        {"program_version", r.programVersion},
        {"com_number", number(r.comNumber)},
        {"device_path", r.devicePath},
        {"firmware", r.firmware},
        {"device", r.device},
        {"signature", r.signature},
        {"project_path", r.projectPath},
        {"steps", joinSteps(r.steps)},
    };
    for (const auto& [prefix, memory] : {std::pair{"flash_", &r.flash}, std::pair{"eeprom_", &r.eeprom}}) {
        const std::string p = prefix;
        columns.emplace_back(p + "file", *memory ? SqlValue((*memory)->imageFile) : SqlValue());
        columns.emplace_back(p + "length", *memory ? number((*memory)->length) : SqlValue());
        columns.emplace_back(p + "sha256", *memory ? SqlValue((*memory)->sha256) : SqlValue());
        columns.emplace_back(p + "serial", *memory ? optionalNumber((*memory)->serial) : SqlValue());
    }
    columns.insert(columns.end(), {{"sequence_name", r.sequence},
                                   {"serial", optionalNumber(r.serial)},
                                   {"outcome", outcomeName(r.outcome)},
                                   {"failing_step", r.failingStep},
                                   {"last_status", r.lastStatus},
                                   {"duration_ms", number(r.durationMs)}});
    return columns;
}

std::optional<MemoryWritten> memoryOf(const SqlRow& row, std::size_t first)
{
    if (!row[first])
        return std::nullopt;
    return MemoryWritten{toText(row[first]), toNumber(row[first + 1]), toText(row[first + 2]),
                         toSerial(row[first + 3])};
}

// A row of kColumns as a record.
ChipRecord recordOf(const SqlRow& row)
{
    ChipRecord r;
    r.id = toNumber(row[0]);
    r.startedAt = toText(row[1]);
    r.endedAt = toText(row[2]);
    r.station = toText(row[3]);
    r.user = toText(row[4]);
    r.programVersion = toText(row[5]);
    r.comNumber = static_cast<int>(toNumber(row[6]));
    r.devicePath = toText(row[7]);
    r.firmware = toText(row[8]);
    r.device = toText(row[9]);
    r.signature = toText(row[10]);
    r.projectPath = toText(row[11]);
    r.steps = splitSteps(toText(row[12]));
    r.flash = memoryOf(row, 13);
    r.eeprom = memoryOf(row, 17);
    r.sequence = toText(row[21]);
    r.serial = toSerial(row[22]);
    r.outcome = outcomeFromName(toText(row[23])).value_or(Outcome::Started);
    r.failingStep = toText(row[24]);
    r.lastStatus = toText(row[25]);
    r.durationMs = toNumber(row[26]);
    return r;
}

// The WHERE clause of a filter, its parameters appended to params.
std::string whereClause(const RecordFilter& filter, std::vector<SqlValue>& params)
{
    std::vector<std::string> terms;
    const auto add = [&](const std::string& term, SqlValue value) {
        params.push_back(std::move(value));
        std::string text = term;
        for (std::size_t at = text.find('?'); at != std::string::npos; at = text.find('?'))
            text.replace(at, 1, placeholder(params.size()));
        terms.push_back(text);
    };
    if (!filter.since.empty())
        add("started_at >= ?", filter.since);
    if (!filter.until.empty())
        add("started_at < ?", filter.until);
    if (filter.serial)
        add("(serial = ? OR flash_serial = ? OR eeprom_serial = ?)", number(*filter.serial));
    if (!filter.device.empty())
        add("device = ?", filter.device);
    if (!filter.station.empty())
        add("station = ?", filter.station);
    if (filter.failedOnly)
        terms.emplace_back("outcome <> 'ok'");
    std::string clause;
    for (const std::string& term : terms)
        clause += (clause.empty() ? " WHERE " : " AND ") + term;
    return clause;
}

const char* summaryKeyColumn(SummaryBy by)
{
    switch (by) {
    case SummaryBy::Day:
        return "substr(started_at, 1, 10)";
    case SummaryBy::Station:
        return "station";
    case SummaryBy::Device:
        return "device";
    case SummaryBy::Box:
        break;
    }
    return "CASE WHEN device_path <> '' THEN device_path ELSE 'COM' || com_number END";
}

} // namespace

int SqlRecordStore::schemaVersionKnown()
{
    return static_cast<int>(migrations().size());
}

StoreResult<std::unique_ptr<RecordStore>> SqlRecordStore::open(std::unique_ptr<SqlSession> session, std::string where)
{
    std::unique_ptr<SqlRecordStore> store(new SqlRecordStore(std::move(session), std::move(where)));
    if (auto migrated = store->migrate(); !migrated)
        return migrated.error();
    return std::unique_ptr<RecordStore>(std::move(store));
}

StoreError SqlRecordStore::failure(const StoreError& reason, StoreError::Kind kind) const
{
    const int id = kind == StoreError::Kind::Open ? kMsgCannotOpen : kMsgCannotWrite;
    return {kind, formatMessage(id, where_.c_str(), reason.message.c_str())};
}

StoreError SqlRecordStore::abandon(const StoreError& reason)
{
    session_->run("ROLLBACK");
    return reason;
}

StoreStatus SqlRecordStore::migrate()
{
    const auto openFailure = [this](const StoreError& reason) { return failure(reason, StoreError::Kind::Open); };
    if (auto begun = session_->run(session_->beginWrite()); !begun)
        return openFailure(begun.error());
    if (auto locked = session_->lockForMigration(); !locked)
        return abandon(openFailure(locked.error()));
    const auto version = session_->schemaVersion();
    if (!version)
        return abandon(openFailure(version.error()));
    if (version.value() > schemaVersionKnown()) {
        const std::string reason = formatMessage(kMsgNewerSchema, version.value(), schemaVersionKnown());
        return abandon(openFailure({StoreError::Kind::Open, reason}));
    }
    for (int v = version.value() + 1; v <= schemaVersionKnown(); ++v) {
        for (std::string statement : migrations()[static_cast<std::size_t>(v - 1)]) {
            if (const std::size_t at = statement.find("{ID}"); at != std::string::npos)
                statement.replace(at, 4, session_->idColumn());
            if (auto done = session_->run(statement); !done)
                return abandon(openFailure(done.error()));
        }
        if (auto set = session_->setSchemaVersion(v); !set)
            return abandon(openFailure(set.error()));
    }
    if (auto committed = session_->run("COMMIT"); !committed)
        return abandon(openFailure(committed.error()));
    return Done{};
}

StoreResult<Begun> SqlRecordStore::begin(const ChipRecord& record, const std::optional<SequenceTake>& take)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    if (auto synced = session_->syncCommits(true); !synced)
        return failure(synced.error());
    if (auto begun = session_->run(session_->beginWrite()); !begun)
        return failure(begun.error());
    ChipRecord row = record;
    row.outcome = Outcome::Started;
    if (row.startedAt.empty())
        row.startedAt = utcNow();
    if (take) {
        auto seeded = session_->run("INSERT INTO serial_sequences (name, next_value) VALUES ($1, $2) "
                                    "ON CONFLICT (name) DO NOTHING",
                                    {take->name, number(take->seed)});
        if (!seeded)
            return abandon(failure(seeded.error()));
        // The update holds the sequence's row (or the whole file) until commit.
        auto counted = session_->run("UPDATE serial_sequences SET next_value = (next_value + 1) % 4294967296 "
                                     "WHERE name = $1 RETURNING next_value",
                                     {take->name});
        if (!counted || counted->empty())
            return abandon(failure(counted ? StoreError{} : counted.error()));
        row.sequence = take->name;
        row.serial = static_cast<std::uint32_t>((toNumber(counted->front()[0]) + kSerialRange - 1) % kSerialRange);
    }
    std::string names;
    std::string marks;
    std::vector<SqlValue> params;
    for (auto& [name, value] : columnsOf(row)) {
        params.push_back(std::move(value));
        names += (names.empty() ? "" : ", ") + name;
        marks += (marks.empty() ? "" : ", ") + placeholder(params.size());
    }
    auto inserted =
        session_->run("INSERT INTO chip_records (" + names + ") VALUES (" + marks + ") RETURNING id", params);
    if (!inserted || inserted->empty())
        return abandon(failure(inserted ? StoreError{} : inserted.error()));
    if (auto committed = session_->run("COMMIT"); !committed)
        return abandon(failure(committed.error()));
    return Begun{toNumber(inserted->front()[0]), row.serial};
}

StoreStatus SqlRecordStore::complete(const ChipRecord& record)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    if (auto relaxed = session_->syncCommits(false); !relaxed)
        return failure(relaxed.error());
    ChipRecord row = record;
    if (row.endedAt.empty())
        row.endedAt = utcNow();
    std::string assignments;
    std::vector<SqlValue> params;
    for (auto& [name, value] : columnsOf(row)) {
        if (name == "started_at" || name == "sequence_name" || name == "serial")
            continue;
        params.push_back(std::move(value));
        assignments += (assignments.empty() ? "" : ", ") + name + " = " + placeholder(params.size());
    }
    params.push_back(number(row.id));
    auto updated = session_->run("UPDATE chip_records SET " + assignments +
                                     " WHERE id = " + placeholder(params.size()) + " RETURNING id",
                                 params);
    if (!updated)
        return failure(updated.error());
    if (updated->empty())
        return StoreError{StoreError::Kind::NotFound,
                          formatMessage(kMsgNoSuchRecord, where_.c_str(), static_cast<long long>(row.id))};
    return Done{};
}

StoreResult<SqlRows> SqlRecordStore::selectRecords(const RecordFilter& filter, const std::string& columns,
                                                   const std::string& tail)
{
    std::vector<SqlValue> params;
    const std::string sql = "SELECT " + columns + " FROM chip_records" + whereClause(filter, params) + tail;
    const std::lock_guard<std::mutex> hold(mutex_);
    auto rows = session_->run(sql, params);
    if (!rows)
        return failure(rows.error());
    return rows;
}

StoreResult<std::vector<ChipRecord>> SqlRecordStore::query(const RecordFilter& filter)
{
    const std::string limit = filter.limit > 0 ? " LIMIT " + std::to_string(filter.limit) : "";
    auto rows = selectRecords(filter, kColumns, " ORDER BY started_at DESC, id DESC" + limit);
    if (!rows)
        return rows.error();
    std::vector<ChipRecord> records;
    records.reserve(rows->size());
    for (const SqlRow& row : rows.value())
        records.push_back(recordOf(row));
    return records;
}

StoreResult<std::vector<SummaryLine>> SqlRecordStore::summary(const RecordFilter& filter, SummaryBy by)
{
    RecordFilter all = filter;
    all.failedOnly = false;
    const std::string key = summaryKeyColumn(by);
    const auto count = [](const char* outcome) {
        return std::string(", SUM(CASE WHEN outcome = '") + outcome + "' THEN 1 ELSE 0 END)";
    };
    auto rows = selectRecords(all, key + count("ok") + count("failed") + count("cancelled") + count("started"),
                              " GROUP BY " + key);
    if (!rows)
        return rows.error();
    std::vector<SummaryLine> lines;
    for (const SqlRow& row : rows.value())
        lines.push_back({toText(row[0]), static_cast<int>(toNumber(row[1])), static_cast<int>(toNumber(row[2])),
                         static_cast<int>(toNumber(row[3])), static_cast<int>(toNumber(row[4]))});
    // Sorted here: a server's collation may order text otherwise.
    std::sort(lines.begin(), lines.end(), [](const SummaryLine& a, const SummaryLine& b) { return a.key < b.key; });
    return lines;
}

StoreResult<std::optional<SequenceState>> SqlRecordStore::sequence(const std::string& name)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    auto next = session_->run("SELECT next_value FROM serial_sequences WHERE name = $1", {name});
    if (!next)
        return failure(next.error());
    if (next->empty())
        return std::optional<SequenceState>();
    auto changes = session_->run("SELECT at, from_value, to_value, forced, station, user_name FROM sequence_changes "
                                 "WHERE name = $1 ORDER BY id",
                                 {name});
    if (!changes)
        return failure(changes.error());
    SequenceState state{name, static_cast<std::uint32_t>(toNumber(next->front()[0])), {}};
    for (const SqlRow& row : changes.value())
        state.changes.push_back({toText(row[0]), static_cast<std::uint32_t>(toNumber(row[1])),
                                 static_cast<std::uint32_t>(toNumber(row[2])), toNumber(row[3]) != 0, toText(row[4]),
                                 toText(row[5])});
    return std::optional<SequenceState>(std::move(state));
}

StoreStatus SqlRecordStore::setSequence(const std::string& name, std::uint32_t next, bool force,
                                        const SequenceSetter& setter)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    if (auto synced = session_->syncCommits(true); !synced)
        return failure(synced.error());
    if (auto begun = session_->run(session_->beginWrite()); !begun)
        return failure(begun.error());
    auto created = session_->run("INSERT INTO serial_sequences (name, next_value) VALUES ($1, $2) "
                                 "ON CONFLICT (name) DO NOTHING",
                                 {name, number(next)});
    if (!created)
        return abandon(failure(created.error()));
    // An update that changes nothing, for the row lock and the value under it.
    auto current = session_->run("UPDATE serial_sequences SET next_value = next_value WHERE name = $1 "
                                 "RETURNING next_value",
                                 {name});
    if (!current || current->empty())
        return abandon(failure(current ? StoreError{} : current.error()));
    const auto from = static_cast<std::uint32_t>(toNumber(current->front()[0]));
    if (next < from && !force)
        return abandon({StoreError::Kind::Refused, formatMessage(kMsgSequenceBackwards, name.c_str(), from, next)});
    const std::vector<std::pair<std::string, std::vector<SqlValue>>> statements = {
        {"UPDATE serial_sequences SET next_value = $2 WHERE name = $1", {name, number(next)}},
        {"INSERT INTO sequence_changes (name, at, from_value, to_value, forced, station, user_name) "
         "VALUES ($1, $2, $3, $4, $5, $6, $7)",
         {name, utcNow(), number(from), number(next), number(next < from ? 1 : 0), setter.station, setter.user}},
        {"COMMIT", {}},
    };
    for (const auto& [sql, params] : statements)
        if (auto done = session_->run(sql, params); !done)
            return abandon(failure(done.error()));
    return Done{};
}

} // namespace quorva
