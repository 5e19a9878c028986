#include "record_store.h"

#include "postgres_session.h"
#include "sqlite_session.h"

namespace quorva {

StoreResult<std::unique_ptr<RecordStore>> openRecordStore(const StoreLocation& location)
{
    switch (location.kind()) {
    case StoreLocation::Kind::Off:
        break;
    case StoreLocation::Kind::Sqlite:
        return openSqliteStore(location);
    case StoreLocation::Kind::Postgres:
        return openPostgresStore(location);
    }
    return std::unique_ptr<RecordStore>();
}

} // namespace quorva
