#include "base/messages.h"
#include "catalogue/device_lookup.h"
#include "data/memory_buffer.h"
#include "scripted_ui.h"
#include "shell/app_controller.h"
#include "shell/window_ids.h"
#include "temp_folder.h"

#include "avr_chip.h"
#include "box.h"
#include "part_info.h"
#include "sim_port.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace quorva {
namespace {

using Lines = std::vector<std::string>;

class AppControllerTest : public ::testing::Test {
protected:
    AppControllerTest()
    {
        port.attach(0, box);
        test::writeFile(settingsPath, "[Connect]\nCOM=1\n");
    }
    void TearDown() override { setRussianUi(false); }

    std::string project(const std::string& name, const std::string& device = "17")
    {
        const std::string path = folder.file(name);
        test::writeFile(path, "[Files]\nFlash=[Unspecified]\nEeprom=[Unspecified]\n[Device]\nDeviceNo=" + device + "\n");
        return path;
    }
    StartupOutcome start(const std::string& commandLine = "\"quorva\"") { return controller.startUp(commandLine); }
    std::string setting(const char* section, const char* key) const
    {
        return SettingsStore(settingsPath).getString(section, key, "<none>");
    }

    test::TempFolder folder;
    std::string settingsPath = folder.file("quorva.ini");
    SettingsStore store{settingsPath};
    RecordingClock clock;
    sim::Box box{clock, sim::makeChip(*sim::findChip("ATmega8"))};
    sim::SimPort port{clock};
    test::ScriptedUi ui;
    QuietLog log;
    AppController controller{ui, store, port, clock, log};
};

TEST_F(AppControllerTest, StartUpAsksForThePortBeforeLookingAtTheCommandLine)
{
    test::writeFile(settingsPath, "");
    ui.boardSettingsNext(std::nullopt);
    const std::string path = project("a.kx2");
    test::CurrentDirectory here(folder.path()); // the quiet log goes to the current folder
    const StartupOutcome outcome = start("\"quorva\" \"" + path + "\" -quietautoprogram");
    EXPECT_EQ(test::fileContents(folder.file("log.txt")), "QUORVA started in quietautoprogram mode.\n");
    EXPECT_EQ(ui.calls().front(), "dialog: board settings 0 0 -> cancel");
    EXPECT_TRUE(outcome.autoRun);
    EXPECT_TRUE(outcome.quietRun);
    EXPECT_EQ(setting("Connect", "COM"), "0");
    EXPECT_EQ(setting("Language", "Russian"), "0");
    EXPECT_EQ(setting("Recent", "Project1"), path);
    EXPECT_EQ(controller.window().title(), path + " - In-System Programmer 11.56");
}

TEST_F(AppControllerTest, StartsInTheLanguageOfTheSettings)
{
    test::writeFile(settingsPath, "[Connect]\nCOM=1\n[Language]\nRussian=1\n");
    start();
    EXPECT_EQ(controller.window().button(cmd::ProgramFlash).caption, "Программир. Flash");
    EXPECT_EQ(controller.window().title(), "[Unspecified] - Внутрисхемный программатор 11.56");
    controller.command(2); // Escape: the main window has no cancel action
    EXPECT_EQ(controller.window().title(), "[Unspecified] - Внутрисхемный программатор 11.56");
}

TEST_F(AppControllerTest, UnreadableStartProjectStaysInTheRecentList)
{
    const std::string missing = folder.file("gone.kx2");
    const StartupOutcome outcome = start("\"quorva\" \"" + missing + "\" -autoprogram");
    EXPECT_TRUE(outcome.autoRun);
    EXPECT_EQ(setting("Recent", "Project1"), missing);
    EXPECT_EQ(ui.callsStartingWith("box: ").size(), 1u);
    EXPECT_NE(ui.callsStartingWith("box: ")[0].find("Error reading project file"), std::string::npos);
}

TEST_F(AppControllerTest, LoadMostRecentReopensProjectOne)
{
    const std::string path = project("last.kx2", "1"); // device number 1
    test::writeFile(settingsPath, "[Connect]\nCOM=1\n[Recent]\nLoadMostRecent=1\nProject1=" + path + "\n");
    start();
    EXPECT_EQ(controller.project().fileName, path);
}

TEST_F(AppControllerTest, ProjectMenuCommands)
{
    EXPECT_EQ(controller.statusText(), "Please wait...");
    start();
    EXPECT_EQ(controller.statusText(), "Please wait..."); // until something is reported
    const std::string a = project("a.kx2");
    ui.chooseNext(a);
    controller.command(cmd::ProjectOpen);
    EXPECT_EQ(controller.statusText(), "Project loaded");
    EXPECT_EQ(setting("Recent", "LoadMostRecent"), "1");
    EXPECT_EQ(controller.recentItems().size(), 1u);

    // The SCK list never shows another speed than the next connection sends.
    controller.window().sckChosen(7);
    EXPECT_EQ(controller.window().title(), a + "* - In-System Programmer 11.56");
    controller.command(cmd::ProjectReload);
    EXPECT_EQ(controller.project().spiPeriod, 4);
    EXPECT_EQ(controller.window().sckSelection(), 4);

    ui.chooseNext(std::nullopt);
    controller.command(cmd::ProjectOpen);
    EXPECT_EQ(controller.statusText(), "Project not loaded");

    std::filesystem::remove(a);
    controller.command(cmd::ProjectReload);
    EXPECT_EQ(controller.statusText(), "Project not loaded");
    EXPECT_EQ(setting("Recent", "LoadMostRecent"), "1"); // unchanged

    controller.command(cmd::ProjectNew);
    EXPECT_EQ(setting("Recent", "LoadMostRecent"), "0");
    ui.chooseNext(std::nullopt);
    controller.command(cmd::ProjectSaveAs);
    EXPECT_EQ(controller.recentItems().size(), 1u); // cancelled: no change

    controller.command(cmd::ProjectClose);
    EXPECT_EQ(controller.project().fileName, "[Unspecified]");
}

TEST_F(AppControllerTest, RecentItemThreeMovesToTheTop)
{
    start();
    std::vector<std::string> paths;
    for (const char* name : {"1.kx2", "2.kx2", "3.kx2", "4.kx2"}) {
        paths.push_back(project(name));
        ui.chooseNext(paths.back());
        controller.command(cmd::ProjectOpen);
    }
    // Menu order: 4, 3, 2, 1; the third item is 2.kx2.
    controller.command(cmd::FirstRecent + 2);
    const auto items = controller.recentItems();
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].path, paths[1]);
    EXPECT_EQ(items[1].path, paths[3]);
    EXPECT_EQ(items[2].path, paths[2]);
    EXPECT_EQ(controller.project().fileName, paths[1]);
}

TEST_F(AppControllerTest, DroppedFiles)
{
    start();
    const std::string hex = folder.file("app.HEX");
    test::writeFile(hex, ":0400000001020304F2\n:00000001FF\n");
    controller.filesDropped({hex}, DropTarget::EepromPane);
    EXPECT_EQ(controller.statusText(), "Eeprom length: 4 (0x4) bytes, Checksum = 0x000A");
    EXPECT_EQ(controller.eeprom().length(), 4);

    controller.filesDropped({hex}, DropTarget::Elsewhere);
    EXPECT_EQ(ui.calls().back(), "beep");

    // Two files or a folder: the person is told why, nothing is opened.
    controller.filesDropped({hex, hex}, DropTarget::FlashPane);
    controller.filesDropped({folder.path()}, DropTarget::FlashPane);
    EXPECT_FALSE(controller.flash().hasData());
    EXPECT_EQ(ui.callsStartingWith("box: ").size(), 2U);

    // Projects of every extension open as the project, in any letter case.
    for (const char* name : {"B.KX2", "c.Quorva", "d.kx1", "e.KX3"}) {
        const std::string projectFile = project(name, "1");
        controller.filesDropped({projectFile}, DropTarget::FlashPane);
        EXPECT_EQ(controller.project().fileName, projectFile);
    }
    EXPECT_FALSE(controller.flash().hasData());
}

TEST_F(AppControllerTest, HelpWithoutItsFolderSaysWhere)
{
    start();
    test::CurrentDirectory here(folder.path());
    controller.command(cmd::Help);
    EXPECT_EQ(ui.calls().back(), "box: information | Programmer QUORVA | Cannot find help file \"help/quorva.htm\".");

    // A folder of the page's name is no page.
    std::filesystem::create_directories(folder.file("help/quorva.htm"));
    controller.command(cmd::Help);
    EXPECT_EQ(ui.calls().back(), "box: information | Programmer QUORVA | Cannot find help file \"help/quorva.htm\".");

    std::filesystem::remove(folder.file("help/quorva.htm"));
    test::writeFile(folder.file("help/quorva.htm"), "<html></html>");
    controller.command(cmd::Help);
    EXPECT_EQ(ui.calls().back(), "open-document: help/quorva.htm");
    EXPECT_EQ(clock.sleeps().back(), 100);

    // Nothing on this desktop shows the page: the person learns where it is.
    ui.openDocumentResult = false;
    controller.command(cmd::Help);
    const std::string page = std::filesystem::current_path() / "help/quorva.htm";
    EXPECT_EQ(ui.calls().back(), "box: information | Programmer QUORVA | The manual cannot be shown: no program "
                                 "opens it here (xdg-open is missing or failed).\nOpen it yourself: " +
                                     page);
}

TEST_F(AppControllerTest, LanguageAndBoardSettings)
{
    start();
    ui.languageNext(true);
    controller.command(cmd::SelectLanguage);
    EXPECT_TRUE(russianUi());
    EXPECT_EQ(controller.window().title(), "[Unspecified] - Внутрисхемный программатор 11.56");
    EXPECT_EQ(controller.window().button(cmd::ProgramFlash).caption, "Программир. Flash");
    EXPECT_EQ(setting("Language", "Russian"), "0"); // written at shut-down
    controller.shutDown();
    EXPECT_EQ(setting("Language", "Russian"), "1");

    ui.boardSettingsNext(std::make_pair(5, 2));
    controller.command(cmd::BoardSettings);
    EXPECT_EQ(controller.linkSettings().comPort, 5);
    EXPECT_EQ(setting("Connect", "HighSpeed"), "2");

    ui.advancedDelaysNext(std::array<int, 4>{1, 2, 3, 4});
    controller.rightDoubleClick();
    EXPECT_EQ(controller.linkSettings().advancedDelays, (std::array<int, 4>{1, 2, 3, 4}));
    EXPECT_EQ(setting("Connect", "Special4"), "4");
}

TEST_F(AppControllerTest, ChipCommandsReachTheBox)
{
    start();
    controller.command(cmd::ReadSignature);
    EXPECT_EQ(controller.statusText(), "Signature: 1E 93 07 - ATmega8/8A");
    EXPECT_EQ(controller.context().lastResult, 0);
    controller.command(cmd::ProgrammerInfo);
    EXPECT_NE(ui.calls().back().find("Serial number: 51 56 0A 01 2C"), std::string::npos);
    EXPECT_FALSE(controller.command(4242));
}

TEST_F(AppControllerTest, AnErasedChipHoldsNoneOfWhatThePreviewCalledProgrammedOrVerified)
{
    start();
    test::writeFile(folder.file("app.bin"), std::string(300, '\x5A'));
    MemoryBuffer& flash = controller.flash();
    ASSERT_TRUE(flash.loadFile(folder.file("app.bin")));
    controller.command(cmd::ProgramFlash);
    controller.command(cmd::VerifyFlash);
    ASSERT_EQ(flash.byteState()[0], ByteVerified);
    flash.byteState()[1] = ByteProgrammed;
    flash.byteState()[2] = ByteEdited;
    controller.command(cmd::ChipErase);
    ASSERT_EQ(controller.context().lastResult, 0);
    EXPECT_EQ(flash.byteState()[0], ByteLoaded);
    EXPECT_EQ(flash.byteState()[1], ByteLoaded);
    EXPECT_EQ(flash.byteState()[2], ByteEdited);
    EXPECT_EQ(flash.byteState()[299], ByteLoaded);
}

TEST_F(AppControllerTest, AutoProgramOnAnotherChipFailsNamingBothAndKeepsTheDevice)
{
    test::writeFile(folder.file("app.bin"), std::string(300, '\x5A'));
    const std::string path = folder.file("board.kx2");
    test::writeFile(path, "[Files]\nFlash=" + folder.file("app.bin") +
                              "\nEeprom=[Unspecified]\n[Settings]\nCheckSign=1\n[AutoProgram]\nAutoErase=1\n"
                              "AutoEmptyCheck=1\nAutoFlashProgram=1\nAutoFlashVerify=1\n[Device]\nDeviceNo=35\n");
    start("\"quorva\" \"" + path + "\"");
    auto& chip = dynamic_cast<sim::AvrChip&>(box.chip());
    chip.flash()[0] = 0x00; // an erase would show
    const int project128 = findByName("ATmega128/128A");
    ASSERT_EQ(controller.project().deviceIndex, project128);

    controller.command(cmd::AutoProgram);
    EXPECT_EQ(controller.statusText(), formatMessage(2200, "ATmega128/128A", 0x1E, 0x93, 0x07, "ATmega8/8A"));
    EXPECT_FALSE(controller.autoProgramOk());
    EXPECT_EQ(chip.flash()[0], 0x00);
    EXPECT_EQ(chip.flash()[1], 0xFF);

    // Without the check the erase still does not switch the window's device.
    controller.project().checkSign = false;
    controller.command(cmd::AutoProgram);
    EXPECT_NE(chip.flash()[0], 0x00) << "erased";
    EXPECT_EQ(controller.project().deviceIndex, project128);
    const MainWindowState& window = controller.window();
    EXPECT_EQ(window.deviceNames()[static_cast<std::size_t>(window.deviceSelection())], "ATmega128/128A");
}

TEST_F(AppControllerTest, ACancelledAutoProgramSaysSoAndWhere)
{
    const std::string path = folder.file("board.kx2");
    test::writeFile(folder.file("app.bin"), std::string(300, '\x5A'));
    test::writeFile(path, "[Files]\nFlash=" + folder.file("app.bin") +
                              "\n[AutoProgram]\nAutoEmptyCheck=1\nAutoFlashProgram=1\n[Device]\nDeviceNo=17\n");
    start("\"quorva\" \"" + path + "\"");
    ui.cancelAtPercent(-1);
    controller.command(cmd::AutoProgram);
    EXPECT_EQ(controller.statusText(), "Autoprogram: CANCELLED during the blank check");
}

} // namespace
} // namespace quorva

namespace quorva {
namespace {

TEST_F(AppControllerTest, DialogCommandsOpenThroughTheUi)
{
    start();
    ui.projectSettingsNext([](Project& project, int& device) {
        project.autoIncrement = true;
        project.spiPeriod = 2;
        device = findByName("ATmega328P");
    });
    controller.statusLineClicked();
    EXPECT_EQ(controller.project().deviceIndex, findByName("ATmega328P"));
    EXPECT_TRUE(controller.project().modified);
    EXPECT_TRUE(controller.window().incrementChecked());
    EXPECT_EQ(controller.window().sckSelection(), 2);
    EXPECT_EQ(controller.window().deviceNames()[static_cast<std::size_t>(controller.window().deviceSelection())],
              "ATmega328P");

    ui.projectSettingsNext(std::nullopt);
    controller.command(cmd::ProjectSettings);
    EXPECT_EQ(controller.project().deviceIndex, findByName("ATmega328P"));

    controller.command(cmd::About);
    EXPECT_EQ(ui.calls().back(), "dialog: about");

    // The Lock&Fuse Bits dialog opens on what the chip holds.
    ui.projectSettingsNext([](Project&, int& device) { device = findByName("ATmega8"); });
    controller.command(cmd::ProjectSettings);
    ui.lockFuseNext(true);
    controller.command(cmd::LockFuseBits);
    EXPECT_EQ(ui.calls().back(), "dialog: lock fuse " + std::to_string(findByName("ATmega8")) + " direct -> ok");
}

TEST_F(AppControllerTest, ProductionOpensOnlyOnAProjectThatCouldRunAsSaved)
{
    start();
    controller.command(cmd::ProjectNew);
    controller.command(cmd::Production);
    EXPECT_EQ(ui.callsStartingWith("box: ").back(),
              std::string("box: information | ") + messageText(1025) + " | " + messageText(1133));

    controller.project().autoErase = true;
    controller.command(cmd::Production);
    EXPECT_EQ(ui.callsStartingWith("box: ").back(),
              std::string("box: information | ") + messageText(1025) + " | " + messageText(2433))
        << "the station runs the project's file, which does not exist yet";
}

} // namespace
} // namespace quorva
