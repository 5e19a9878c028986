#include "first_schema.h"
#include "process.h"
#include "records/record_store.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <pwd.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quorva {
namespace {

std::unique_ptr<RecordStore> openOrFail(const std::string& path)
{
    auto opened = openRecordStore(StoreLocation::sqlite(path));
    EXPECT_TRUE(opened) << opened.error().message;
    return opened ? std::move(opened.value()) : nullptr;
}

// Runs SQL on a file directly, as another program (or an older one) would.
void execute(const std::string& path, const std::string& sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
}

TEST(SqliteStore, ProcessesTakingAtOnceGetDistinctConsecutiveNumbers)
{
    test::TempFolder folder;
    const std::string path = folder.file("production.sqlite");
    ASSERT_TRUE(openOrFail(path));
    std::vector<std::unique_ptr<test::BackgroundProcess>> takers;
    for (int i = 0; i < 4; ++i)
        takers.push_back(
            std::make_unique<test::BackgroundProcess>(std::vector<std::string>{QUORVA_TAKE_HELPER, path, "250"}));
    for (auto& taker : takers)
        EXPECT_EQ(taker->wait(120000), 0);

    auto rows = openOrFail(path)->query({});
    ASSERT_TRUE(rows);
    std::vector<std::uint32_t> numbers;
    for (const ChipRecord& row : rows.value()) {
        EXPECT_EQ(row.outcome, Outcome::Ok);
        numbers.push_back(row.serial.value_or(0));
    }
    std::sort(numbers.begin(), numbers.end());
    ASSERT_EQ(numbers.size(), 1000U);
    for (std::size_t i = 0; i < numbers.size(); ++i)
        ASSERT_EQ(numbers[i], 1000 + i);
}

TEST(SqliteStore, KilledRunLeavesItsUnfinishedRowAndItsNumberUsedUp)
{
    test::TempFolder folder;
    const std::string path = folder.file("production.sqlite");
    auto store = openOrFail(path);
    ASSERT_TRUE(store);
    test::BackgroundProcess taker({QUORVA_TAKE_HELPER, path, "0", "hang"});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (store->query({})->empty() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    taker.signal(SIGKILL);
    taker.wait(5000);

    auto rows = store->query({});
    ASSERT_EQ(rows->size(), 1U);
    EXPECT_EQ(rows->front().outcome, Outcome::Started);
    EXPECT_TRUE(rows->front().endedAt.empty());
    EXPECT_EQ(rows->front().serial, 1000U);
    EXPECT_EQ(store->begin({}, SequenceTake{"line", 1000})->serial, 1001U);
}

TEST(SqliteStore, OlderSchemaMigratesKeepingItsRows)
{
    test::TempFolder folder;
    const std::string path = folder.file("production.sqlite");
    execute(path, test::firstSchemaWithAChip("INTEGER PRIMARY KEY") + "PRAGMA user_version = 1;");
    auto store = openOrFail(path);
    ASSERT_TRUE(store);
    auto rows = store->query({.serial = 41});
    ASSERT_EQ(rows->size(), 1U);
    EXPECT_EQ(rows->front().steps, (std::vector<std::string>{"Erase", "Program Flash"}));
    EXPECT_EQ(rows->front().flash->length, 8192);
    ASSERT_TRUE(store->setSequence("lot", 10, true, {"new-pc", "anna"})); // needs the second version's table
    EXPECT_EQ(store->begin({}, SequenceTake{"lot", 0})->serial, 10U);
    store.reset();

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &statement, nullptr);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(statement, 0), 2);
    sqlite3_finalize(statement);
    sqlite3_close(db);
}

// Files it does not own: each refused by name and reason, and left
// byte for byte as they were, with no journal beside them.
TEST(SqliteStore, RefusesFilesThatAreNotItsRecordsWithoutTouchingThem)
{
    test::TempFolder folder;
    const std::string garbage = folder.file("garbage.sqlite");
    test::writeFile(garbage, std::string(5000, 'x'));
    const std::string damaged = folder.file("damaged.sqlite");
    execute(damaged, "CREATE TABLE t (x); INSERT INTO t VALUES (randomblob(20000));");
    std::string bytes = test::fileContents(damaged);
    std::fill(bytes.begin() + 100, bytes.end(), '\x5a'); // the header survives, the pages do not
    test::writeFile(damaged, bytes);
    const std::string foreign = folder.file("foreign.sqlite");
    execute(foreign, "CREATE TABLE invoices (n INTEGER)");
    const std::string newer = folder.file("newer.sqlite");
    execute(newer, "PRAGMA user_version = 99");

    for (const auto& [path, reason] : {std::pair{garbage, "not a database"}, std::pair{damaged, "not a database"},
                                       std::pair{foreign, "other data"}, std::pair{newer, "version 99"}}) {
        const std::string before = test::fileContents(path);
        auto opened = openRecordStore(StoreLocation::sqlite(path));
        ASSERT_FALSE(opened) << path;
        EXPECT_EQ(opened.error().kind, StoreError::Kind::Open);
        EXPECT_NE(opened.error().message.find(path), std::string::npos) << opened.error().message;
        EXPECT_NE(opened.error().message.find(reason), std::string::npos) << opened.error().message;
        EXPECT_EQ(test::fileContents(path), before) << path;
    }
    EXPECT_EQ(folder.names(),
              (std::vector<std::string>{"damaged.sqlite", "foreign.sqlite", "garbage.sqlite", "newer.sqlite"}));
}

// Root writes anything, so the check runs as nobody then.
TEST(SqliteStore, ReadOnlyFileIsReportedAsSuch)
{
    test::TempFolder folder;
    const std::string path = folder.file("production.sqlite");
    openOrFail(path).reset();
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    ASSERT_EQ(chmod(folder.path().c_str(), 0755), 0);
    const pid_t child = fork();
    if (child == 0) {
        const passwd* nobody = getpwnam("nobody");
        if (geteuid() == 0 && (!nobody || setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0))
            _exit(3);
        auto opened = openRecordStore(StoreLocation::sqlite(path));
        _exit(opened ? 1 : opened.error().message.find("read-only") != std::string::npos ? 0 : 2);
    }
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: opened, 2: another reason, 3: cannot become nobody";
}

TEST(SqliteStore, MissingFoldersAreMadeAndAnImpossibleOneNamed)
{
    test::TempFolder folder;
    EXPECT_TRUE(openOrFail(folder.file("a/b/production.sqlite")));
    test::writeFile(folder.file("plain"), "");
    auto opened = openRecordStore(StoreLocation::sqlite(folder.file("plain/sub/production.sqlite")));
    ASSERT_FALSE(opened);
    EXPECT_NE(opened.error().message.find(folder.file("plain/sub")), std::string::npos) << opened.error().message;
}

} // namespace
} // namespace quorva
