// One suite every store passes: memory, SQLite and PostgreSQL.
#include "postgres_server.h"
#include "records/memory_record_store.h"
#include "records/record_store.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>

namespace quorva {
namespace {

ChipRecord chip(const std::string& startedAt, const std::string& station, const std::string& device)
{
    ChipRecord r;
    r.startedAt = startedAt;
    r.station = station;
    r.user = "anna";
    r.programVersion = "11.56";
    r.comNumber = 3;
    r.devicePath = "/dev/ttyUSB2";
    r.device = device;
    return r;
}

class RecordStoreConformance : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        if (GetParam() == "memory") {
            store_ = std::make_unique<MemoryRecordStore>();
            return;
        }
        if (GetParam() == "postgres") {
            test::PostgresServer& server = test::sharedPostgres();
            QUORVA_REQUIRE(server.running(), server.problem());
            ASSERT_TRUE(server.execute("DROP TABLE IF EXISTS chip_records, serial_sequences, sequence_changes, "
                                       "quorva_schema"));
            location_ = StoreLocation::parse(server.url());
        }
        store_ = another();
        ASSERT_TRUE(store_);
    }

    // One more store on the same records (a database's own connection).
    std::shared_ptr<RecordStore> another()
    {
        if (GetParam() == "memory")
            return store_ ? store_ : std::make_shared<MemoryRecordStore>();
        auto opened = openRecordStore(location_);
        EXPECT_TRUE(opened) << opened.error().message;
        return opened ? std::shared_ptr<RecordStore>(std::move(opened.value())) : nullptr;
    }

    // Begins and completes a chip with the given outcome; its id.
    std::int64_t add(ChipRecord record, Outcome outcome, const std::optional<SequenceTake>& take = {})
    {
        auto begun = store_->begin(record, take);
        EXPECT_TRUE(begun) << begun.error().message;
        record.id = begun->id;
        record.outcome = outcome;
        if (outcome != Outcome::Started) {
            EXPECT_TRUE(store_->complete(record));
        }
        return record.id;
    }

    std::vector<std::int64_t> ids(const RecordFilter& filter)
    {
        auto found = store_->query(filter);
        EXPECT_TRUE(found) << found.error().message;
        std::vector<std::int64_t> result;
        for (const ChipRecord& r : found.value())
            result.push_back(r.id);
        return result;
    }

    test::TempFolder folder_;
    StoreLocation location_ = StoreLocation::sqlite(folder_.file("records/production.sqlite"));
    std::shared_ptr<RecordStore> store_;
};

TEST_P(RecordStoreConformance, RowBeginsStartedAndCompletesWithEveryField)
{
    ChipRecord record = chip("", "bench-1", "ATmega328P");
    auto begun = store_->begin(record, SequenceTake{"board-a", 4711});
    ASSERT_TRUE(begun);
    EXPECT_EQ(begun->serial, 4711U);
    auto started = store_->query({});
    ASSERT_TRUE(started);
    ASSERT_EQ(started->size(), 1U);
    const ChipRecord& row = started->front();
    EXPECT_EQ(row.outcome, Outcome::Started);
    EXPECT_EQ(row.serial, 4711U);
    EXPECT_EQ(row.sequence, "board-a");
    EXPECT_TRUE(row.endedAt.empty());
    EXPECT_EQ(row.startedAt.size(), 24U) << row.startedAt; // stamped: 2026-12-09T03:06:16.123Z

    ChipRecord done = row;
    done.endedAt = "2026-12-09T10:00:02.500Z";
    done.firmware = "10c";
    done.signature = "1E 95 0F";
    done.projectPath = "/home/anna/board.quorva";
    done.steps = {"Erase", "Program Flash", "Verify Flash"};
    done.flash = MemoryWritten{"board.hex", 32768, std::string(64, 'a'), 4711};
    done.eeprom = MemoryWritten{"board.eep", 1024, std::string(64, 'b'), std::nullopt};
    done.outcome = Outcome::Failed;
    done.failingStep = "Verify Flash";
    done.lastStatus = "Flash verify: Error at 0x0100";
    done.durationMs = 2500;
    ChipRecord tampered = done;
    tampered.startedAt = "2000-01-01T00:00:00.000Z"; // what begin wrote stays
    tampered.serial = 1;
    tampered.sequence = "other";
    ASSERT_TRUE(store_->complete(tampered));
    auto completed = store_->query({});
    ASSERT_TRUE(completed);
    EXPECT_EQ(completed->front(), done);

    ChipRecord unknown = done;
    unknown.id = done.id + 100;
    const auto missing = store_->complete(unknown);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().kind, StoreError::Kind::NotFound);
}

TEST_P(RecordStoreConformance, SequenceSeedsOnFirstUseCountsOnAndWraps)
{
    const ChipRecord record = chip("", "s", "d");
    EXPECT_EQ(store_->begin(record, SequenceTake{"a", 4711})->serial, 4711U);
    EXPECT_EQ(store_->begin(record, SequenceTake{"a", 99})->serial, 4712U); // the seed counts only once
    EXPECT_EQ(store_->begin(record, SequenceTake{"b", 0xFFFFFFFF})->serial, 0xFFFFFFFFU);
    EXPECT_EQ(store_->begin(record, SequenceTake{"b", 7})->serial, 0U); // the 4-byte number wraps
    EXPECT_FALSE(store_->begin(record, std::nullopt)->serial);
    auto a = store_->sequence("a");
    ASSERT_TRUE(a && a.value());
    EXPECT_EQ(a.value()->next, 4713U);
    EXPECT_FALSE(store_->sequence("never").value());
}

// Two threads share one store, two more have a connection each.
TEST_P(RecordStoreConformance, ConcurrentTakesNeverGetOneNumberTwice)
{
    std::vector<std::thread> threads;
    std::vector<std::vector<std::uint32_t>> taken(4);
    const std::vector<std::shared_ptr<RecordStore>> stores = {store_, store_, another(), another()};
    for (std::size_t t = 0; t < taken.size(); ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 25; ++i) {
                auto begun = stores[t]->begin(chip("", "s", "d"), SequenceTake{"t", 1});
                taken[t].push_back(begun ? begun->serial.value_or(0) : 0);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    std::set<std::uint32_t> all;
    for (const auto& numbers : taken)
        all.insert(numbers.begin(), numbers.end());
    EXPECT_EQ(all.size(), 100U);
    EXPECT_EQ(*all.begin(), 1U);
    EXPECT_EQ(*all.rbegin(), 100U);
}

TEST_P(RecordStoreConformance, QueryFiltersAndReturnsNewestFirst)
{
    const auto a = add(chip("2026-12-01T08:00:00.000Z", "st-1", "ATtiny13"), Outcome::Ok);
    const auto b = add(chip("2026-12-01T09:00:00.000Z", "st-2", "ATtiny13"), Outcome::Failed);
    const auto c = add(chip("2026-12-02T08:00:00.000Z", "st-1", "ATmega8"), Outcome::Cancelled);
    const auto d = add(chip("2026-12-03T08:00:00.000Z", "st-2", "ATmega8"), Outcome::Started, SequenceTake{"q", 50});
    ChipRecord flashOnly = chip("2026-12-03T09:00:00.000Z", "st-1", "ATmega8");
    flashOnly.flash = MemoryWritten{"f.hex", 4, "", 77};
    const auto e = add(flashOnly, Outcome::Ok);

    EXPECT_EQ(ids({}), (std::vector<std::int64_t>{e, d, c, b, a}));
    EXPECT_EQ(ids({.since = "2026-12-02", .until = "2026-12-03"}), std::vector<std::int64_t>{c});
    EXPECT_EQ(ids({.serial = 50}), std::vector<std::int64_t>{d});
    EXPECT_EQ(ids({.serial = 77}), std::vector<std::int64_t>{e});
    EXPECT_EQ(ids({.device = "ATtiny13"}), (std::vector<std::int64_t>{b, a}));
    EXPECT_EQ(ids({.station = "st-2", .failedOnly = true}), (std::vector<std::int64_t>{d, b}));
    EXPECT_EQ(ids({.failedOnly = true, .limit = 2}), (std::vector<std::int64_t>{d, c}));
    EXPECT_TRUE(ids({.device = "AT45DB041"}).empty());
}

TEST_P(RecordStoreConformance, SummaryCountsEachKeyAndUnfinishedRowsLowerTheYield)
{
    ChipRecord onCom = chip("2026-12-01T08:00:00.000Z", "st-1", "ATtiny13");
    onCom.devicePath.clear();
    add(onCom, Outcome::Ok);
    add(chip("2026-12-01T09:00:00.000Z", "st-1", "ATtiny13"), Outcome::Ok);
    add(chip("2026-12-01T10:00:00.000Z", "st-2", "ATtiny13"), Outcome::Failed);
    add(chip("2026-12-02T08:00:00.000Z", "st-2", "ATmega8"), Outcome::Cancelled);
    add(chip("2026-12-02T09:00:00.000Z", "st-2", "ATmega8"), Outcome::Started);

    auto byDay = store_->summary({}, SummaryBy::Day);
    ASSERT_TRUE(byDay);
    EXPECT_EQ(byDay.value(), (std::vector<SummaryLine>{{"2026-12-01", 2, 1, 0, 0}, {"2026-12-02", 0, 0, 1, 1}}));
    EXPECT_DOUBLE_EQ(byDay->front().yield(), 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(byDay->back().yield(), 0.0);
    EXPECT_EQ(store_->summary({}, SummaryBy::Station).value(),
              (std::vector<SummaryLine>{{"st-1", 2, 0, 0, 0}, {"st-2", 0, 1, 1, 1}}));
    EXPECT_EQ(store_->summary({.since = "2026-12-02"}, SummaryBy::Device).value(),
              (std::vector<SummaryLine>{{"ATmega8", 0, 0, 1, 1}}));
    EXPECT_EQ(store_->summary({.failedOnly = true, .limit = 1}, SummaryBy::Box).value(),
              (std::vector<SummaryLine>{{"/dev/ttyUSB2", 1, 1, 1, 1}, {"COM3", 1, 0, 0, 0}}));
}

TEST_P(RecordStoreConformance, SettingASequenceBackRefusedUnlessForcedAndEverySettingKept)
{
    const SequenceSetter anna{"st-1", "anna"};
    ASSERT_TRUE(store_->setSequence("lot", 100, false, anna));
    const auto back = store_->setSequence("lot", 50, false, anna);
    ASSERT_FALSE(back);
    EXPECT_EQ(back.error().kind, StoreError::Kind::Refused);
    EXPECT_NE(back.error().message.find("lot"), std::string::npos) << back.error().message;
    EXPECT_EQ(store_->begin(chip("", "s", "d"), SequenceTake{"lot", 1})->serial, 100U);
    ASSERT_TRUE(store_->setSequence("lot", 50, true, {"st-2", "boris"}));
    EXPECT_EQ(store_->begin(chip("", "s", "d"), SequenceTake{"lot", 1})->serial, 50U);

    auto state = store_->sequence("lot");
    ASSERT_TRUE(state && state.value());
    EXPECT_EQ(state.value()->next, 51U);
    ASSERT_EQ(state.value()->changes.size(), 2U);
    const SequenceChange& forced = state.value()->changes[1];
    EXPECT_EQ(std::tie(forced.from, forced.to, forced.forced, forced.station, forced.user),
              std::make_tuple(101U, 50U, true, std::string("st-2"), std::string("boris")));
    EXPECT_FALSE(state.value()->changes[0].forced);
}

INSTANTIATE_TEST_SUITE_P(Stores, RecordStoreConformance, ::testing::Values("memory", "sqlite", "postgres"),
                         [](const auto& info) { return info.param; });

} // namespace
} // namespace quorva
