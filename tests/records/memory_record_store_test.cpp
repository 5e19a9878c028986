#include "records/memory_record_store.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

// What tests of a run lean on: a store that fails on demand, and takes no
// number while it does.
TEST(MemoryRecordStore, FailsEveryRequestWhileToldAndTakesNoNumberMeanwhile)
{
    MemoryRecordStore store;
    store.setFailure(StoreError{StoreError::Kind::Write, "disk full"});
    const auto refused = store.begin({}, SequenceTake{"lot", 5});
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().message, "disk full");
    EXPECT_FALSE(store.complete({}));
    EXPECT_FALSE(store.summary({}, SummaryBy::Day));
    EXPECT_FALSE(store.setSequence("lot", 1, false, {}));
    store.setFailure(std::nullopt);
    EXPECT_EQ(store.begin({}, SequenceTake{"lot", 5})->serial, 5U);
}

} // namespace
} // namespace quorva
