#pragma once

#include "record_store.h"

namespace quorva {

// The store on a PostgreSQL server, for a line of several PCs. Credentials
// come the libpq ways (~/.pgpass, a service file, PGPASSWORD) or from the
// location's text; no message ever shows a password.
StoreResult<std::unique_ptr<RecordStore>> openPostgresStore(const StoreLocation& location);

} // namespace quorva
