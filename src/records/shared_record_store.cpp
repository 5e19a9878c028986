#include "shared_record_store.h"

namespace quorva {

StoreResult<RecordStore*> SharedRecordStore::get()
{
    const std::lock_guard<std::mutex> hold(mutex_);
    if (store_ || location_.isOff())
        return store_.get();
    StoreResult<std::unique_ptr<RecordStore>> opened = openRecordStore(location_);
    if (!opened)
        return opened.error();
    store_ = std::move(opened.value());
    return store_.get();
}

} // namespace quorva
