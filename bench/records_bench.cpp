// What a chip's production record costs: taking its number from a sequence
// together with its "started" row, then completing the row, as one chip of
// a run does. SQLite on a local file (every commit synced), and PostgreSQL
// on a server of its own behind a Unix socket.

#include "postgres_server.h"
#include "temp_folder.h"

#include "records/record_store.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace quorva;

void chipRecords(benchmark::State& state, RecordStore& store)
{
    ChipRecord record;
    record.station = "bench";
    record.device = "ATmega328P";
    record.flash = MemoryWritten{"board.hex", 32768, std::string(64, 'a'), std::nullopt};
    for (auto _ : state) {
        auto begun = store.begin(record, SequenceTake{"bench", 1});
        if (!begun) {
            state.SkipWithError(begun.error().message.c_str());
            return;
        }
        ChipRecord done = record;
        done.id = begun->id;
        done.outcome = Outcome::Ok;
        if (!store.complete(done)) {
            state.SkipWithError("complete failed");
            return;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_SqliteChip(benchmark::State& state)
{
    const test::TempFolder folder;
    auto store = openRecordStore(StoreLocation::sqlite(folder.file("production.sqlite")));
    if (!store) {
        state.SkipWithError(store.error().message.c_str());
        return;
    }
    chipRecords(state, *store.value());
}
BENCHMARK(BM_SqliteChip)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PostgresChip(benchmark::State& state)
{
    test::PostgresServer server;
    if (!server.running()) {
        state.SkipWithError(server.problem().c_str());
        return;
    }
    auto store = openRecordStore(StoreLocation::parse(server.url()));
    if (!store) {
        state.SkipWithError(store.error().message.c_str());
        return;
    }
    chipRecords(state, *store.value());
}
BENCHMARK(BM_PostgresChip)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2000);

} // namespace

BENCHMARK_MAIN();
