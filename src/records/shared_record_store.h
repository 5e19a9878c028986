#pragma once

#include "record_store.h"

#include <memory>
#include <mutex>

namespace quorva {

// The store of one location, opened when a run first needs it and shared by
// every box of the run. A store that could not be opened is tried again at
// the next request: a server that was down may be back for the next chip.
class SharedRecordStore {
public:
    explicit SharedRecordStore(StoreLocation location) : location_(std::move(location)) {}
    // A store that is open already (tests hand in one kept in memory).
    explicit SharedRecordStore(std::unique_ptr<RecordStore> store)
        : location_(StoreLocation::sqlite(store->where())), store_(std::move(store))
    {
    }

    bool off() const { return location_.isOff(); }
    const StoreLocation& location() const { return location_; }

    // The open store; null for an Off location. Safe from any thread.
    StoreResult<RecordStore*> get();

private:
    StoreLocation location_;
    std::mutex mutex_;
    std::unique_ptr<RecordStore> store_;
};

} // namespace quorva
