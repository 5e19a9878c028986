// The Production window over a station of three in-process boxes that keep
// real time: one good, one whose chip fails its write, one good. Driven by the keys
// alone, as an operator at a fixture drives it.
#include "gui/production_window.h"
#include "screenshots.h"
#include "scripted_ui.h"
#include "temp_folder.h"

#include "base/messages.h"
#include "data/memory_buffer.h"
#include "data/project.h"
#include "records/memory_record_store.h"
#include "shell/production_station_model.h"
#include "shell/quiet_ui.h"

#include "box.h"
#include "sim_port.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace quorva {
namespace {

sim::Box makeBox(sim::BoxOptions options = {})
{
    return sim::Box(realClock(), sim::makeChip(*sim::findChip("ATmega8")), std::move(options));
}

class ProductionWindowTest : public ::testing::Test {
protected:
    ProductionWindowTest()
    {
        test::writeFile(settingsPath, "[Connect]\nHighSpeed=2\n[Production]\nBoxes=1,2,3\n");
        std::string image("\x00\x12\xFF", 3);
        for (int i = 3; i < 8192; ++i)
            image += static_cast<char>(i * 7);
        test::writeFile(folder.file("app.bin"), image);
        test::writeFile(folder.file("board.kx2"),
                        "[Files]\nFlash=" + folder.file("app.bin") +
                            "\n[Settings]\nResetStrobeLength=20\n[AutoProgram]\nAutoErase=1\nAutoFlashProgram=1\n"
                            "AutoFlashVerify=1\nAutoIncrementFlash=1\nAutoIncAddressFlash=2\n[Device]\nDeviceNo=17\n");
        flash.init(quiet, false, {}, &project);
        eeprom.init(quiet, true, {}, &project);
        project.bindBuffers(flash, eeprom);
        EXPECT_TRUE(project.load(folder.file("board.kx2")));
        ProductionStationModel::Hooks hooks;
        hooks.openPort = [this](int com) -> std::unique_ptr<BytePort> {
            return std::make_unique<sim::SimPort>(realClock(), com == 2 ? failing : com == 1 ? first : third, com - 1);
        };
        station =
            std::make_unique<ProductionStationModel>(settings, realClock(), project, flash, eeprom, records, hooks);
        station->offerBoxes({1, 2, 3});
    }
    ~ProductionWindowTest() override { setRussianUi(false); }

    // Opens the window and runs drive on it once it shows.
    void withWindow(const std::function<void(QDialog&)>& drive)
    {
        bool driven = false;
        const QObject scope;
        QTimer::singleShot(0, &scope, [&] {
            auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(window, nullptr);
            drive(*window);
            driven = true;
        });
        gui::execProductionWindow(nullptr, ui, *station, "board.kx2");
        EXPECT_TRUE(driven);
    }

    bool runningWithProgress(int tiles) const
    {
        int moving = 0;
        for (const StationTile& tile : station->tiles())
            moving += tile.state == TileState::Running && tile.percent > 0 ? 1 : 0;
        return moving >= tiles;
    }

    static QString stateOf(QDialog& window, int com)
    {
        auto* tile = window.findChild<QWidget*>(QStringLiteral("tile%1").arg(com));
        return tile ? tile->findChild<QLabel*>(gui::production_id::TileState)->text() : QString();
    }

    test::TempFolder folder;
    std::string settingsPath = folder.file("quorva.ini");
    SettingsStore settings{settingsPath};
    QuietUi quiet{[](const std::string&) {}, realClock()};
    Project project{quiet};
    MemoryBuffer flash;
    MemoryBuffer eeprom;
    sim::Box first = makeBox();
    sim::Box failing = makeBox([] {
        sim::BoxOptions options;
        options.faults.pollingErrorAt = 1;
        return options;
    }());
    sim::Box third = makeBox();
    std::shared_ptr<SharedRecordStore> records =
        std::make_shared<SharedRecordStore>(std::make_unique<MemoryRecordStore>());
    test::ScriptedUi ui;
    std::unique_ptr<ProductionStationModel> station;
};

TEST_F(ProductionWindowTest, SpaceStartsEscapeStopsAndTheTilesSayHowEachChipEnded)
{
    withWindow([&](QDialog& window) {
        test::saveScreenshot(window, "production-idle-en");
        QTest::keyClick(&window, Qt::Key_Space);
        ASSERT_TRUE(QTest::qWaitFor([&] { return runningWithProgress(2); }, 20000));
        QTest::qWait(250);
        test::saveScreenshot(window, "production-running-en");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !station->running(); }, 60000));
        QTest::qWait(250);
        EXPECT_EQ(stateOf(window, 1), "PASS");
        EXPECT_EQ(stateOf(window, 2), "FAIL");
        EXPECT_EQ(stateOf(window, 3), "PASS");
        EXPECT_NE(window.findChild<QLabel*>(gui::production_id::Counters)->text().indexOf("Good: 2"), -1);
        test::saveScreenshot(window, "production-pass-fail-en");

        // Escape stops what runs; a second Escape closes the idle window.
        QTest::keyClick(&window, Qt::Key_Space);
        ASSERT_TRUE(QTest::qWaitFor([&] { return runningWithProgress(1); }, 20000));
        QTest::keyClick(&window, Qt::Key_Escape);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !station->running(); }, 20000));
        EXPECT_TRUE(window.isVisible());
        QTest::qWait(250);
        EXPECT_EQ(stateOf(window, 1), "CANCELLED");
        QTest::keyClick(&window, Qt::Key_Escape);
    });
    EXPECT_EQ(station->counters().good, 2);
    EXPECT_EQ(station->counters().cancelled + station->counters().failed, 4) << "stopped chips are not good";

    setRussianUi(true);
    withWindow([&](QDialog& window) {
        EXPECT_EQ(window.windowTitle(), "Производство - board.kx2");
        QTest::keyClick(&window, Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([&] { return runningWithProgress(2); }, 20000));
        QTest::qWait(250);
        test::saveScreenshot(window, "production-running-ru");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !station->running(); }, 60000));
        QTest::qWait(250);
        EXPECT_EQ(stateOf(window, 1), "ГОДНА");
        test::saveScreenshot(window, "production-pass-fail-ru");
        QTest::keyClick(&window, Qt::Key_Escape);
    });
}

} // namespace
} // namespace quorva
