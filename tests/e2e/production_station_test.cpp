// The production station's model driving three quorva-sim boxes, as the
// Production window does: Start, the tiles as the chips go, the counters,
// a box that is pulled, and Stop.

#include "process.h"
#include "temp_folder.h"

#include "data/memory_buffer.h"
#include "data/project.h"
#include "link/serial_port.h"
#include "records/memory_record_store.h"
#include "shell/production_station_model.h"
#include "shell/quiet_ui.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

namespace quorva {
namespace {

constexpr int kBoxes = 3;

class ProductionStationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string ports = "[Connect]\nHighSpeed=2\n[Ports]\n";
        for (int com = 1; com <= kBoxes; ++com)
            ports += "COM" + std::to_string(com) + "=" + box(com) + "\n";
        test::writeFile(settingsPath, ports + "[Production]\nBoxes=1,2,3\n");
        std::string image("\x00\x12\xFF", 3);
        for (int i = 3; i < 2048; ++i)
            image += static_cast<char>(i * 7);
        test::writeFile(folder.file("app.bin"), image);
        test::writeFile(folder.file("board.kx2"),
                        "[Files]\nFlash=" + folder.file("app.bin") +
                            "\n[Settings]\nResetStrobeLength=20\n[AutoProgram]\nAutoErase=1\nAutoFlashProgram=1\n"
                            "AutoFlashVerify=1\nAutoIncrementFlash=1\nAutoIncAddressFlash=2\nSerialSequence=station\n"
                            "[Device]\nDeviceNo=17\n");
        flash.init(quiet, false, {}, &project);
        eeprom.init(quiet, true, {}, &project);
        project.bindBuffers(flash, eeprom);
        ASSERT_TRUE(project.load(folder.file("board.kx2")));
    }

    std::string box(int com) const { return folder.file("box" + std::to_string(com)); }

    void simulate(int com, std::vector<std::string> extra = {})
    {
        std::vector<std::string> argv{QUORVA_SIM, "--link", box(com), "--chip", "ATmega8"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        sims.push_back(std::make_unique<test::BackgroundProcess>(argv));
        ASSERT_TRUE(test::waitForPath(box(com)));
    }

    std::unique_ptr<ProductionStationModel> station(std::function<void()> changed = {})
    {
        ProductionStationModel::Hooks hooks;
        hooks.openPort = [this](int) -> std::unique_ptr<BytePort> {
            return std::make_unique<SerialPort>([this](int com) { return settings.portPath(com); });
        };
        hooks.changed = std::move(changed);
        auto model =
            std::make_unique<ProductionStationModel>(settings, realClock(), project, flash, eeprom, records, hooks);
        model->offerBoxes({1, 2, 3});
        return model;
    }

    static std::vector<TileState> states(const ProductionStationModel& model)
    {
        std::vector<TileState> all;
        for (const StationTile& tile : model.tiles())
            all.push_back(tile.state);
        return all;
    }

    test::TempFolder folder;
    std::string settingsPath = folder.file("quorva.ini");
    SettingsStore settings{settingsPath};
    QuietUi quiet{[](const std::string&) {}, realClock()};
    Project project{quiet};
    MemoryBuffer flash;
    MemoryBuffer eeprom;
    MemoryRecordStore* memory = new MemoryRecordStore;
    std::shared_ptr<SharedRecordStore> records =
        std::make_shared<SharedRecordStore>(std::unique_ptr<RecordStore>(memory));
    std::vector<std::unique_ptr<test::BackgroundProcess>> sims;
};

TEST_F(ProductionStationTest, ThreeBoxesFourStartsGiveTwelvePassesWithConsecutiveNumbers)
{
    for (int com = 1; com <= kBoxes; ++com)
        simulate(com);
    const auto model = station();
    for (int round = 0; round < 4; ++round) {
        ASSERT_TRUE(model->startAll());
        model->waitIdle();
        EXPECT_EQ(states(*model), std::vector<TileState>(kBoxes, TileState::Pass)) << model->tiles()[0].result;
    }
    const StationCounters counted = model->counters();
    EXPECT_EQ(counted.good, 12);
    EXPECT_EQ(counted.failed, 0);
    EXPECT_DOUBLE_EQ(counted.yield(), 1.0);
    EXPECT_GT(counted.chipsPerHour, 0.0);
    std::set<std::uint32_t> serials;
    const std::vector<ChipRecord> rows = memory->query({}).value();
    for (const ChipRecord& row : rows)
        serials.insert(row.serial.value_or(0));
    ASSERT_EQ(serials.size(), 12u);
    EXPECT_EQ(*serials.begin(), 0x12FFu);
    EXPECT_EQ(*serials.rbegin(), 0x12FFu + 11);
    EXPECT_EQ(model->nextSerial(), 0x12FFu + 12);
    EXPECT_EQ(model->lastRecords().size(), 12u);
    EXPECT_NE(model->tiles()[0].result.find("Flash serial number"), std::string::npos);
}

TEST_F(ProductionStationTest, APulledBoxFailsThenShowsNotAnsweringWhileTheOthersFinish)
{
    simulate(1);
    simulate(2, {"--fault", "disconnect=1500"});
    simulate(3);
    const auto model = station();
    ASSERT_TRUE(model->startAll());
    model->waitIdle();
    EXPECT_EQ(states(*model), (std::vector<TileState>{TileState::Pass, TileState::NotAnswering, TileState::Pass}));
    EXPECT_NE(model->tiles()[1].result.find("the box does not answer"), std::string::npos) << model->tiles()[1].result;
    EXPECT_EQ(model->counters().good, 2);
    EXPECT_EQ(model->counters().failed, 1);
    // The others go on; the pulled one fails again, quickly.
    ASSERT_TRUE(model->startAll());
    model->waitIdle();
    EXPECT_EQ(model->counters().good, 4);

    // Search asks each box for its version, off the caller's thread.
    model->search();
    for (int wait = 0; wait < 300 && model->tiles()[2].result.rfind("The box answers", 0) != 0; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(model->tiles()[0].result.rfind("The box answers: ", 0), 0u) << model->tiles()[0].result;
    EXPECT_EQ(model->tiles()[1].result, "No box answers");
    EXPECT_EQ(model->tiles()[1].state, TileState::NotAnswering);
}

TEST_F(ProductionStationTest, StopCancelsEveryRunningChipAndCountsNoneOfThemGood)
{
    // At the line's pace, so that Stop finds every chip half-written.
    for (int com = 1; com <= kBoxes; ++com)
        simulate(com, {"--pace"});
    ProductionStationModel* watched = nullptr;
    std::atomic<bool> stopped{false};
    const auto model = station([&] {
        if (!watched || stopped)
            return;
        const std::vector<StationTile> tiles = watched->tiles();
        const bool allWriting = std::all_of(tiles.begin(), tiles.end(), [](const StationTile& tile) {
            return tile.state == TileState::Running && tile.percent >= 5;
        });
        if (allWriting && !stopped.exchange(true))
            watched->stop();
    });
    watched = model.get();
    ASSERT_TRUE(model->startAll());
    model->waitIdle();
    EXPECT_TRUE(stopped);
    EXPECT_EQ(states(*model), std::vector<TileState>(kBoxes, TileState::Cancelled));
    EXPECT_EQ(model->counters().good, 0);
    EXPECT_EQ(model->counters().cancelled, 3);
    const std::vector<ChipRecord> rows = memory->query({}).value();
    EXPECT_EQ(rows.size(), 3u);
    for (const ChipRecord& row : rows)
        EXPECT_EQ(row.outcome, Outcome::Cancelled);
}

} // namespace
} // namespace quorva
