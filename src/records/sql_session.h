#pragma once

#include "store_result.h"

#include <charconv>
#include <optional>
#include <string>
#include <vector>

namespace quorva {

using SqlValue = std::optional<std::string>; // text, or SQL NULL
using SqlRow = std::vector<SqlValue>;
using SqlRows = std::vector<SqlRow>;

// The whole number in the first column of the first row; 0 when there is none.
inline int firstInteger(const SqlRows& rows)
{
    int value = 0;
    if (!rows.empty() && !rows.front().empty() && rows.front()[0]) {
        const std::string& text = *rows.front()[0];
        std::from_chars(text.data(), text.data() + text.size(), value);
    }
    return value;
}

// One connection to a database, as the shared store logic needs it: the
// back ends differ only here. Not safe from several threads; the store
// serialises its calls.
class SqlSession {
public:
    virtual ~SqlSession() = default;

    // Runs one statement whose parameters are written $1, $2 ... and given
    // as text. On failure the error's message is the bare reason, without a
    // password.
    virtual StoreResult<SqlRows> run(const std::string& sql, const std::vector<SqlValue>& params = {}) = 0;

    // The statement that opens a transaction which is going to write.
    virtual const char* beginWrite() const = 0;
    // The column type of a generated row id, for the schema.
    virtual const char* idColumn() const = 0;
    // Inside the migration's transaction: holds off other processes that
    // migrate the same database at once.
    virtual StoreStatus lockForMigration() = 0;
    // Whether the commits that follow reach the disk before they return.
    // A completion may wait for the next synced commit: a power cut then
    // leaves its row unfinished, while a number once taken is never lost.
    virtual StoreStatus syncCommits(bool synced) = 0;
    virtual StoreResult<int> schemaVersion() = 0;
    virtual StoreStatus setSchemaVersion(int version) = 0;
};

} // namespace quorva
