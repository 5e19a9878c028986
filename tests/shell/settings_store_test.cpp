#include "base/messages.h"
#include "scripted_ui.h"
#include "shell/recent_projects.h"
#include "shell/settings_store.h"
#include "shell/startup_settings.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace quorva {
namespace {

using test::fileContents;
using test::TempFolder;
using test::writeFile;

class SettingsTest : public ::testing::Test {
protected:
    void TearDown() override { setRussianUi(false); }

    TempFolder folder;
    std::string path = folder.file("config/quorva/quorva.ini");
    SettingsStore store{path};
    RecentProjects recent;
    test::ScriptedUi ui;
};

TEST_F(SettingsTest, MissingFileGivesEveryDefault)
{
    const Settings settings = store.readAtStartup();
    EXPECT_EQ(settings.comPort, 0);
    EXPECT_EQ(settings.highSpeed, 0);
    EXPECT_EQ(settings.advancedDelays, (std::array<int, 4>{0, 0, 0, 0}));
    EXPECT_FALSE(settings.russianUi);
    EXPECT_FALSE(settings.fixedWaits);
    EXPECT_FALSE(store.loadMostRecent());
    recent.loadRecent(store);
    for (const std::string& entry : recent.entries())
        EXPECT_EQ(entry, "[Unspecified]");
}

TEST_F(SettingsTest, FirstStartAsksForThePortAndWritesTheThreeKeys)
{
    ui.boardSettingsNext(std::make_pair(3, 1));
    const Settings settings = loadSettingsAtStartup(store, recent, ui);
    EXPECT_EQ(settings.comPort, 3);
    EXPECT_EQ(settings.highSpeed, 1);
    EXPECT_EQ(ui.calls(), std::vector<std::string>{"dialog: board settings 0 0 -> 3 1"});
    EXPECT_EQ(fileContents(path), "[Connect]\r\nCOM=3\r\nHighSpeed=1\r\n[Language]\r\nRussian=0\r\n");

    // The next start has a port and does not ask again.
    test::ScriptedUi second;
    EXPECT_EQ(loadSettingsAtStartup(store, recent, second).comPort, 3);
    EXPECT_TRUE(second.calls().empty());
}

TEST_F(SettingsTest, CancelledFirstStartKeepsPortZeroAndAsksNextTime)
{
    ui.boardSettingsNext(std::nullopt);
    EXPECT_EQ(loadSettingsAtStartup(store, recent, ui).comPort, 0);
    EXPECT_EQ(store.getInt(kComPortKey), 0);
    test::ScriptedUi second;
    loadSettingsAtStartup(store, recent, second);
    EXPECT_EQ(second.calls().size(), 1u);
}

TEST_F(SettingsTest, StartupReadsLanguageAndDelaysAndKeepsForeignLines)
{
    std::filesystem::create_directories(folder.file("config/quorva"));
    writeFile(path, "; my notes\n[Connect]\nCOM=15\nHighSpeed=2\nSpecial2=40\nSpecial3=abc\nFixedWaits=1\n"
                    "[Language]\nRussian=7\n[Mine]\nx=1\n");
    const Settings settings = loadSettingsAtStartup(store, recent, ui);
    EXPECT_EQ(settings.comPort, 15);
    EXPECT_EQ(settings.highSpeed, 2);
    EXPECT_EQ(settings.advancedDelays, (std::array<int, 4>{0, 40, 0, 0}));
    EXPECT_TRUE(settings.fixedWaits);
    EXPECT_TRUE(settings.russianUi);
    EXPECT_TRUE(russianUi());
    EXPECT_EQ(fileContents(path), "; my notes\r\n[Connect]\r\nCOM=15\r\nHighSpeed=2\r\nSpecial2=40\r\nSpecial3=abc\r\n"
                                  "FixedWaits=1\r\n[Language]\r\nRussian=1\r\n[Mine]\r\nx=1\r\n");
}

TEST_F(SettingsTest, ShutdownWritesLanguageInForceAndRecentListInOneReplace)
{
    ui.boardSettingsNext(std::make_pair(2, 0));
    const Settings settings = loadSettingsAtStartup(store, recent, ui);
    recent.pushRecent("/a.kx2", store);
    setRussianUi(true); // changed in memory by the Language command
    EXPECT_EQ(store.getInt(kRussianKey), 0);
    saveSettingsAtShutdown(store, settings, recent);
    EXPECT_EQ(store.getInt(kRussianKey), 1);
    EXPECT_EQ(store.getString("Recent", "Project1", ""), "/a.kx2");
    EXPECT_EQ(store.getString("Recent", "Project8", ""), "[Unspecified]");
    EXPECT_EQ(folder.names(), std::vector<std::string>{"config"});
}

TEST_F(SettingsTest, BoardAndAdvancedSettingsRoundTrip)
{
    ASSERT_TRUE(store.writeBoardSettings(15, 2));
    int port = 0;
    int speed = 0;
    store.readBoardSettings(port, speed);
    EXPECT_EQ(port, 15);
    EXPECT_EQ(speed, 2);
    ASSERT_TRUE(store.writeAdvancedDelays({1, 2, 1000, 0}));
    EXPECT_EQ(store.readAdvancedDelays(), (std::array<int, 4>{1, 2, 1000, 0}));
    ASSERT_TRUE(store.setLoadMostRecent(true));
    EXPECT_TRUE(store.loadMostRecent());
}

TEST_F(SettingsTest, PortNumbersMapToDevicePaths)
{
    EXPECT_EQ(store.portPath(1), "/dev/ttyUSB0");
    EXPECT_EQ(store.portPath(12), "/dev/ttyUSB11");
    EXPECT_EQ(store.portPath(0), "");
    ASSERT_TRUE(store.setPortPath(3, "/dev/ttyACM0"));
    EXPECT_EQ(store.portPath(3), "/dev/ttyACM0");
    EXPECT_EQ(store.portPath(4), "/dev/ttyUSB3");
}

TEST(SettingsLocationTest, FollowsEnvironment)
{
    const auto keep = [](const char* name) {
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    };
    const auto restore = [](const char* name, const std::optional<std::string>& value) {
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    };
    const auto explicitPath = keep("QUORVA_SETTINGS");
    const auto config = keep("XDG_CONFIG_HOME");
    const auto home = keep("HOME");

    setenv("QUORVA_SETTINGS", "/tmp/x.ini", 1);
    EXPECT_EQ(defaultSettingsPath(), "/tmp/x.ini");
    unsetenv("QUORVA_SETTINGS");
    setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(defaultSettingsPath(), "/cfg/quorva/quorva.ini");
    setenv("XDG_CONFIG_HOME", "relative", 1); // not absolute: ignored
    setenv("HOME", "/home/me", 1);
    EXPECT_EQ(defaultSettingsPath(), "/home/me/.config/quorva/quorva.ini");

    restore("QUORVA_SETTINGS", explicitPath);
    restore("XDG_CONFIG_HOME", config);
    restore("HOME", home);
}

TEST_F(SettingsTest, StartProjectComesFromRecentListOrCommandLine)
{
    // A hand-emptied Project1 is dropped by the list; the next one moves up.
    ASSERT_TRUE(store.setString("Recent", "Project1", ""));
    ASSERT_TRUE(store.setString("Recent", "Project2", "/last.kx2"));
    recent.loadRecent(store);
    EXPECT_FALSE(planStart(store, recent, "\"quorva\"").hasProject()); // LoadMostRecent is 0

    ASSERT_TRUE(store.setLoadMostRecent(true));
    StartPlan plan = planStart(store, recent, "\"quorva\"");
    EXPECT_EQ(plan.projectPath, "/last.kx2");
    EXPECT_FALSE(plan.mode.autoRun);

    plan = planStart(store, recent, "\"quorva\" \"/new.kx2\" -quietautoprogram");
    EXPECT_EQ(plan.projectPath, "/new.kx2");
    EXPECT_TRUE(plan.mode.quietRun);

    // Without a start project the options never take effect.
    ASSERT_TRUE(store.setLoadMostRecent(false));
    plan = planStart(store, recent, "\"quorva\" \"\" -autoprogram");
    EXPECT_FALSE(plan.hasProject());
    EXPECT_FALSE(plan.mode.autoRun);
}

} // namespace
} // namespace quorva
