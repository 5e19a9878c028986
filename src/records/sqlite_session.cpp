#include "sqlite_session.h"

#include "base/messages.h"
#include "records_messages.h"
#include "sql_record_store.h"

#include <cerrno>
#include <map>
#include <sqlite3.h>
#include <sys/stat.h>

namespace quorva {

namespace {

// How long a writer waits for another process's transaction.
constexpr int kBusyTimeoutMs = 10000;

StoreError reasonOf(std::string text)
{
    return {StoreError::Kind::Write, std::move(text)};
}

class SqliteSession final : public SqlSession {
public:
    explicit SqliteSession(sqlite3* db) : db_(db) {}
    ~SqliteSession() override
    {
        for (auto& [sql, statement] : statements_)
            sqlite3_finalize(statement);
        sqlite3_close(db_);
    }
    SqliteSession(const SqliteSession&) = delete;
    SqliteSession& operator=(const SqliteSession&) = delete;

    StoreResult<SqlRows> run(const std::string& sql, const std::vector<SqlValue>& params) override
    {
        sqlite3_stmt* statement = prepared(sql);
        if (!statement)
            return reasonOf(sqlite3_errmsg(db_));
        for (std::size_t i = 0; i < params.size(); ++i) {
            const int index = sqlite3_bind_parameter_index(statement, ("$" + std::to_string(i + 1)).c_str());
            if (index == 0)
                continue;
            const SqlValue& value = params[i];
            const int bound = value ? sqlite3_bind_text(statement, index, value->data(),
                                                        static_cast<int>(value->size()), SQLITE_TRANSIENT)
                                    : sqlite3_bind_null(statement, index);
            if (bound != SQLITE_OK)
                return finish(statement, reasonOf(sqlite3_errmsg(db_)));
        }
        SqlRows rows;
        int step = SQLITE_ROW;
        while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
            SqlRow& row = rows.emplace_back();
            for (int c = 0; c < sqlite3_column_count(statement); ++c) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
                row.push_back(
                    text ? SqlValue(std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, c))))
                         : SqlValue());
            }
        }
        if (step != SQLITE_DONE)
            return finish(statement, reasonOf(sqlite3_errmsg(db_)));
        return finish(statement, std::move(rows));
    }

    const char* beginWrite() const override { return "BEGIN IMMEDIATE"; }
    const char* idColumn() const override { return "INTEGER PRIMARY KEY"; }
    // BEGIN IMMEDIATE already holds the file's write lock.
    StoreStatus lockForMigration() override { return Done{}; }

    // In WAL mode the next synced commit carries the unsynced ones before it.
    StoreStatus syncCommits(bool synced) override
    {
        if (synced == synced_)
            return Done{};
        auto set = run(synced ? "PRAGMA synchronous = FULL" : "PRAGMA synchronous = NORMAL", {});
        if (!set)
            return set.error();
        synced_ = synced;
        return Done{};
    }

    StoreResult<int> schemaVersion() override
    {
        auto rows = run("PRAGMA user_version", {});
        if (!rows)
            return rows.error();
        return firstInteger(rows.value());
    }

    StoreStatus setSchemaVersion(int version) override
    {
        auto done = run("PRAGMA user_version = " + std::to_string(version), {});
        return done ? StoreStatus(Done{}) : StoreStatus(done.error());
    }

private:
    // The statement for sql, kept for the next run of the same text.
    sqlite3_stmt* prepared(const std::string& sql)
    {
        if (const auto found = statements_.find(sql); found != statements_.end())
            return found->second;
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &statement,
                               nullptr) != SQLITE_OK)
            return nullptr;
        statements_.emplace(sql, statement);
        return statement;
    }

    template <typename T>
    static T finish(sqlite3_stmt* statement, T result)
    {
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
        return result;
    }

    sqlite3* db_;
    bool synced_ = false; // set at open
    std::map<std::string, sqlite3_stmt*> statements_;
};

// Creates the folder of path and the folders above it, as mkdir -p does.
bool makeFolders(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
        const std::string folder = path.substr(0, slash);
        if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

} // namespace

StoreResult<std::unique_ptr<RecordStore>> openSqliteStore(const StoreLocation& location)
{
    const std::string& path = location.text();
    const auto refuse = [&](const std::string& reason) {
        return StoreError{StoreError::Kind::Open, formatMessage(kMsgCannotOpen, path.c_str(), reason.c_str())};
    };
    if (!makeFolders(path))
        return refuse(formatMessage(kMsgCannotMakeFolder, path.substr(0, path.rfind('/')).c_str()));
    sqlite3* db = nullptr;
    const int opened = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    auto session = std::make_unique<SqliteSession>(db);
    if (opened != SQLITE_OK)
        return refuse(db ? sqlite3_errmsg(db) : sqlite3_errstr(opened));
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    if (sqlite3_db_readonly(db, "main") == 1)
        return refuse(messageText(kMsgReadOnly));
    // A foreign or damaged file fails the first read of its schema, before
    // anything is written to it.
    const auto unusable = [&](const StoreError& error) {
        const int code = sqlite3_errcode(db);
        return refuse(code == SQLITE_NOTADB || code == SQLITE_CORRUPT ? messageText(kMsgNotADatabase) : error.message);
    };
    auto tables = session->run("SELECT count(*) FROM sqlite_master", {});
    if (!tables)
        return unusable(tables.error());
    auto version = session->schemaVersion();
    if (!version)
        return unusable(version.error());
    if (version.value() == 0 && tables->front()[0] != "0")
        return refuse(messageText(kMsgForeignDatabase));
    if (version.value() > SqlRecordStore::schemaVersionKnown())
        return refuse(formatMessage(kMsgNewerSchema, version.value(), SqlRecordStore::schemaVersionKnown()));
    if (auto synced = session->syncCommits(true); !synced)
        return unusable(synced.error());
    // Switched once; asking again while other processes write can fail busy.
    auto mode = session->run("PRAGMA journal_mode", {});
    if (!mode)
        return unusable(mode.error());
    if (mode->front()[0] != "wal")
        if (auto wal = session->run("PRAGMA journal_mode = WAL", {}); !wal)
            return unusable(wal.error());
    return SqlRecordStore::open(std::move(session), path);
}

} // namespace quorva
