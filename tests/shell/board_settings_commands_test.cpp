#include "scripted_ui.h"
#include "shell/board_settings_commands.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

TEST(BoardSettingsCommandTest, ReadsTheFileAgainAndStoresOnOkOnly)
{
    test::TempFolder folder;
    SettingsStore store(folder.file("q.ini"));
    ASSERT_TRUE(store.writeBoardSettings(15, 2));
    Settings settings; // the values in memory may be stale
    test::ScriptedUi ui;

    ui.boardSettingsNext(std::nullopt);
    EXPECT_FALSE(runBoardSettingsCommand(store, ui, settings));
    EXPECT_EQ(settings.comPort, 0);

    ui.boardSettingsNext(std::make_pair(4, 1));
    EXPECT_TRUE(runBoardSettingsCommand(store, ui, settings));
    EXPECT_EQ(ui.callsStartingWith("dialog: ").back(), "dialog: board settings 15 2 -> 4 1");
    EXPECT_EQ(settings.comPort, 4);
    EXPECT_EQ(settings.highSpeed, 1);
    int port = 0;
    int speed = 0;
    store.readBoardSettings(port, speed);
    EXPECT_EQ(port, 4);
    EXPECT_EQ(speed, 1);

    ui.advancedDelaysNext(std::array<int, 4>{0, 10, 1000, 3});
    EXPECT_TRUE(runAdvancedBoardSettingsCommand(store, ui, settings));
    EXPECT_EQ(store.readAdvancedDelays(), (std::array<int, 4>{0, 10, 1000, 3}));
    ui.advancedDelaysNext(std::nullopt);
    EXPECT_FALSE(runAdvancedBoardSettingsCommand(store, ui, settings));
    EXPECT_EQ(settings.advancedDelays, (std::array<int, 4>{0, 10, 1000, 3}));
}

} // namespace
} // namespace quorva
