#pragma once

#include "record_store.h"

namespace quorva {

// The embedded store: an SQLite file in WAL mode, shared by the processes
// of one PC. A file that is not a records database is refused untouched.
StoreResult<std::unique_ptr<RecordStore>> openSqliteStore(const StoreLocation& location);

} // namespace quorva
