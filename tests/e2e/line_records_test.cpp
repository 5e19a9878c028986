// A production line of three stations, each a quorva-cli with two simulated
// boxes, keeping its records and taking its serial numbers from one
// sequence on a PostgreSQL server of the test's own.

#include "postgres_server.h"
#include "process.h"
#include "temp_folder.h"

#include "records/record_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <set>
#include <thread>

namespace quorva {
namespace {

constexpr std::uint32_t kFirstSerial = 0x12FF; // the image's bytes 00 12 FF at 0..2
constexpr int kStations = 3;

class LineRecordsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string flash("\x00\x12\xFF", 3);
        for (int i = 3; i < 64; ++i)
            flash += static_cast<char>(i * 5);
        test::writeFile(folder.file("app.bin"), flash);
        test::writeFile(project, "[Files]\nFlash=" + folder.file("app.bin") +
                                     "\n[Settings]\nResetStrobeLength=20\nPolling=1\n[AutoProgram]\n"
                                     "AutoErase=1\nAutoFlashProgram=1\nAutoFlashVerify=1\nAutoIncrementFlash=1\n"
                                     "AutoIncAddressFlash=2\nSerialSequence=line\n[Device]\nDeviceNo=17\n");
    }

    // Station s (0..2) drives boxes 2s+1 and 2s+2 as its COM1 and COM2.
    std::string stationSettings(int station, const std::string& password = test::PostgresServer::kPassword)
    {
        const std::string path = folder.file("station" + std::to_string(station) + ".ini");
        std::string text = "[Connect]\nCOM=1\n[Ports]\n";
        for (int com = 1; com <= 2; ++com)
            text += "COM" + std::to_string(com) + "=" + box(2 * station + com) + "\n";
        test::writeFile(path, text + "[Production]\nDatabase=" + server.url(password) + "\n");
        return path;
    }

    std::string box(int n) const { return folder.file("box" + std::to_string(n)); }

    void simulateBoxes(int count)
    {
        for (int n = 1; n <= count; ++n) {
            sims.push_back(std::make_unique<test::BackgroundProcess>(std::vector<std::string>{
                QUORVA_SIM, "--link", box(n), "--chip", "ATmega8", "--instant", "--state-out",
                folder.file("chip" + std::to_string(n)), "--trace", folder.file("wire" + std::to_string(n))}));
            ASSERT_TRUE(test::waitForPath(box(n)));
        }
    }

    // Every station's run at once; their results in station order.
    std::vector<test::ProcessResult> runStations(const std::string& count)
    {
        std::vector<test::ProcessResult> results(kStations);
        std::vector<std::thread> stations;
        for (int s = 0; s < kStations; ++s) {
            stations.emplace_back([this, s, count, &results] {
                results[static_cast<std::size_t>(s)] =
                    test::runProcess({QUORVA_CLI, "--settings", stationSettings(s), "autoprogram", "--project", project,
                                      "--com", "1,2", "--count", count, "--no-wait"},
                                     folder.path(), 240000);
            });
        }
        for (std::thread& station : stations)
            station.join();
        return results;
    }

    std::vector<ChipRecord> rows()
    {
        auto store = openRecordStore(StoreLocation::parse(server.url()));
        EXPECT_TRUE(store) << store.error().message;
        return store ? store.value()->query({}).value() : std::vector<ChipRecord>{};
    }

    std::size_t completed()
    {
        const std::vector<ChipRecord> all = rows();
        return static_cast<std::size_t>(
            std::count_if(all.begin(), all.end(), [](const ChipRecord& r) { return r.outcome != Outcome::Started; }));
    }

    // The number each simulated chip holds once its box has stopped.
    std::vector<std::uint32_t> numbersOnChips()
    {
        sims.clear();
        std::vector<std::uint32_t> numbers;
        for (int n = 1; n <= 2 * kStations; ++n) {
            const std::string flash = test::fileContents(folder.file("chip" + std::to_string(n) + "/flash.bin"));
            if (flash.size() >= 3 && flash.substr(0, 3) != std::string(3, '\xFF'))
                numbers.push_back(static_cast<std::uint8_t>(flash[0]) << 16 | static_cast<std::uint8_t>(flash[1]) << 8 |
                                  static_cast<std::uint8_t>(flash[2]));
        }
        return numbers;
    }

    test::TempFolder folder;
    test::PostgresServer server;
    std::string project = folder.file("board.kx2");
    std::vector<std::unique_ptr<test::BackgroundProcess>> sims;
};

TEST_F(LineRecordsTest, ThreeStationsNumberThirtyChipsFromOneSequenceAndRecordEach)
{
    QUORVA_REQUIRE(server.running(), server.problem());
    simulateBoxes(2 * kStations);
    for (const test::ProcessResult& station : runStations("10"))
        EXPECT_EQ(station.status, 0) << station.out << station.err;

    const std::vector<ChipRecord> all = rows();
    ASSERT_EQ(all.size(), 30u);
    std::set<std::uint32_t> serials;
    for (const ChipRecord& row : all) {
        EXPECT_EQ(row.outcome, Outcome::Ok);
        ASSERT_TRUE(row.serial && row.flash);
        EXPECT_EQ(row.flash->serial, row.serial);
        EXPECT_EQ(row.flash->length, 64);
        EXPECT_EQ(row.sequence, "line");
        EXPECT_EQ(row.device, "ATmega8/8A");
        EXPECT_EQ(row.steps, (std::vector<std::string>{"erase", "flash program", "flash verify"}));
        EXPECT_NE(row.devicePath.find("/box"), std::string::npos);
        serials.insert(*row.serial);
    }
    ASSERT_EQ(serials.size(), 30u);
    EXPECT_EQ(*serials.begin(), kFirstSerial);
    EXPECT_EQ(*serials.rbegin(), kFirstSerial + 29);
    for (std::uint32_t number : numbersOnChips())
        EXPECT_TRUE(serials.count(number)) << number;
}

TEST_F(LineRecordsTest, AStoppedServerStopsEveryStationBeforeItsNextChipAndLeavesNoNumberWithoutARow)
{
    QUORVA_REQUIRE(server.running(), server.problem());
    simulateBoxes(2 * kStations);
    std::thread stopper([this] {
        for (int wait = 0; wait < 2000 && completed() < 6; ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        server.stop();
    });
    const std::vector<test::ProcessResult> stations = runStations("1000");
    stopper.join();
    for (const test::ProcessResult& station : stations) {
        EXPECT_NE(station.status, 0) << station.out;
        EXPECT_NE(station.out.find("production records"), std::string::npos) << station.out;
        EXPECT_EQ((station.out + station.err).find(test::PostgresServer::kPassword), std::string::npos);
    }

    ASSERT_TRUE(server.start()) << server.problem();
    const std::vector<ChipRecord> all = rows();
    EXPECT_LT(all.size(), 100u) << "the stations went on without their records";
    std::set<std::uint32_t> serials;
    for (const ChipRecord& row : all) {
        ASSERT_TRUE(row.serial);
        EXPECT_TRUE(serials.insert(*row.serial).second) << "number " << *row.serial << " given twice";
    }
    for (std::uint32_t number : numbersOnChips())
        EXPECT_TRUE(serials.count(number)) << "chip holds " << number << " without a row";
}

TEST_F(LineRecordsTest, AWrongPasswordIsRefusedBeforeAnyBoxIsTouchedAndShownNowhere)
{
    QUORVA_REQUIRE(server.running(), server.problem());
    simulateBoxes(2);
    const std::string wrong = "wrong-Pw9";
    const std::string settings = stationSettings(0, wrong);
    const test::ProcessResult cli = test::runProcess(
        {QUORVA_CLI, "--settings", settings, "--json", "autoprogram", "--project", project, "--com", "1,2"},
        folder.path(), 60000);
    EXPECT_NE(cli.status, 0);
    EXPECT_NE(cli.err.find("***"), std::string::npos) << cli.err;

    // The unattended start-up, with a trace of every byte and wait.
    setenv("QUORVA_SETTINGS", settings.c_str(), 1);
    setenv("QUORVA_TRACE", folder.file("trace.txt").c_str(), 1);
    const test::ProcessResult quiet = test::runProcess({QUORVA, project, "-quietautoprogram"}, folder.path(), 60000);
    unsetenv("QUORVA_TRACE");
    unsetenv("QUORVA_SETTINGS");
    EXPECT_NE(quiet.status, 0);
    const std::string log = test::fileContents(folder.file("log.txt"));
    EXPECT_NE(log.find("production records"), std::string::npos) << log;

    const std::string everything =
        cli.out + cli.err + quiet.out + quiet.err + log + test::fileContents(folder.file("trace.txt"));
    EXPECT_EQ(everything.find(wrong), std::string::npos) << everything;
    for (int n = 1; n <= 2; ++n)
        EXPECT_EQ(test::fileContents(folder.file("wire" + std::to_string(n))), "") << "box " << n << " was touched";
}

} // namespace
} // namespace quorva
