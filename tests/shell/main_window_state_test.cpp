#include "base/messages.h"
#include "catalogue/device_lookup.h"
#include "data/memory_buffer.h"
#include "data/project.h"
#include "scripted_ui.h"
#include "shell/main_window_state.h"
#include "shell/window_ids.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

class MainWindowStateTest : public ::testing::Test {
protected:
    MainWindowStateTest()
    {
        project.bindBuffers(flash, eeprom);
        flash.init(ui, false, {}, &project);
        eeprom.init(ui, true, {}, &project);
        project.setView(ProjectView{[this] { state.updateControls(); }, {}, {}});
        state.fillDeviceLists();
        state.showDevice(project.deviceIndex);
        state.onDeviceChanged();
    }

    void choose(const std::string& name)
    {
        const FamilyPosition where = familyPositionOf(findByName(name));
        state.familyChosen(where.family);
        state.deviceChosen(where.position);
    }
    bool enabled(int id) const { return state.button(id).enabled; }

    test::ScriptedUi ui;
    Project project{ui};
    MemoryBuffer flash;
    MemoryBuffer eeprom;
    MainWindowState state{project, flash, eeprom};
};

TEST_F(MainWindowStateTest, StartsOnTheProjectsDeviceWithTheTitleAndCaptions)
{
    EXPECT_EQ(state.deviceNames()[static_cast<std::size_t>(state.deviceSelection())], "ATmega8/8A");
    EXPECT_EQ(state.familyCaptions()[static_cast<std::size_t>(state.familySelection())], "ATmega...");
    EXPECT_EQ(state.title(), "[Unspecified] - In-System Programmer 11.56");
    EXPECT_EQ(state.button(cmd::ProgramFlash).caption, "Program Flash");
    EXPECT_FALSE(enabled(cmd::ProgramFlash)); // no Flash data yet
    EXPECT_TRUE(enabled(cmd::ReadFlash));
    EXPECT_TRUE(state.calibrationEnabled());
    EXPECT_FALSE(project.modified);
}

TEST_F(MainWindowStateTest, DataFlashSwapsTheEepromButtonAndGivesItBack)
{
    choose("AT45DB161D");
    EXPECT_EQ(state.button(cmd::ProgramEeprom).caption, "Set \"power of 2\" bit");
    EXPECT_TRUE(enabled(cmd::ProgramEeprom)); // even without an Eeprom file
    EXPECT_FALSE(enabled(cmd::ReadEeprom));
    EXPECT_FALSE(enabled(cmd::AutoProgram));
    state.updateControls();
    state.updateControls();
    choose("ATmega328P");
    EXPECT_EQ(state.button(cmd::ProgramEeprom).caption, "Program Eeprom");
    EXPECT_FALSE(enabled(cmd::ProgramEeprom));

    // In Russian the remembered caption is the translated one.
    setRussianUi(true);
    state.translate();
    choose("AT45DB011D");
    choose("ATmega8");
    EXPECT_EQ(state.button(cmd::ProgramEeprom).caption, "Программир. Eeprom");
    setRussianUi(false);
}

TEST_F(MainWindowStateTest, SerialMemoriesAndAt89sEnableOnlyWhatTheyHave)
{
    choose("AT25256");
    for (int id : {cmd::ChipErase, cmd::BlankCheck, cmd::AutoProgram, cmd::ReadSignatureButton, cmd::ReadFlash})
        EXPECT_FALSE(enabled(id)) << id;
    EXPECT_TRUE(enabled(cmd::ReadEeprom));
    EXPECT_FALSE(state.calibrationEnabled());

    choose("AT89S2051");
    EXPECT_FALSE(enabled(cmd::ReadEeprom));
    EXPECT_TRUE(enabled(cmd::ReadSignatureButton));
    EXPECT_TRUE(enabled(cmd::ChipErase));
    EXPECT_TRUE(enabled(cmd::AutoProgram));
}

TEST_F(MainWindowStateTest, FlashButtonsFollowTheFlashData)
{
    test::TempFolder folder;
    test::writeFile(folder.file("a.bin"), "\x01\x02\x03\x04");
    choose("AT26DF081A");
    ASSERT_TRUE(flash.loadFile(folder.file("a.bin")));
    state.updateControls();
    EXPECT_TRUE(enabled(cmd::ProgramFlash));
    EXPECT_TRUE(enabled(cmd::VerifyFlash));
    flash.clear();
    state.updateControls();
    EXPECT_FALSE(enabled(cmd::ProgramFlash));

    choose("ATmega8");
    test::writeFile(folder.file("e.bin"), "\x05");
    ASSERT_TRUE(eeprom.loadFile(folder.file("e.bin")));
    state.updateControls();
    EXPECT_TRUE(enabled(cmd::ProgramEeprom));
    EXPECT_TRUE(enabled(cmd::VerifyEeprom));
}

TEST_F(MainWindowStateTest, OnlyAnotherDeviceInTheFamilyMarksTheProjectModified)
{
    const FamilyPosition mega = familyPositionOf(findByName("ATmega8"));
    state.familyChosen(familyPositionOf(findByName("ATtiny13")).family);
    EXPECT_FALSE(project.modified);
    EXPECT_EQ(project.deviceIndex, findByName("ATtiny13"));
    EXPECT_EQ(state.title(), "[Unspecified] - In-System Programmer 11.56");

    state.familyChosen(mega.family);
    state.deviceChosen(mega.position + 1);
    EXPECT_TRUE(project.modified);
    EXPECT_EQ(state.title(), "[Unspecified]* - In-System Programmer 11.56");
}

TEST_F(MainWindowStateTest, TheSckListShowsWhatTheNextConnectionSends)
{
    state.sckChosen(7);
    EXPECT_EQ(project.spiPeriod, 7);
    EXPECT_TRUE(project.modified); // a setting the connection sends is worth saving
    EXPECT_EQ(state.title(), "[Unspecified]* - In-System Programmer 11.56");

    // Whatever replaces the project's setting (a load, a reload, New), the
    // list shows it without being told.
    project.newProject();
    EXPECT_EQ(state.sckSelection(), 4);
    project.spiPeriod = 12; // from a damaged file: no entry stands for it
    EXPECT_EQ(state.sckSelection(), -1);
    state.sckChosen(8);
    EXPECT_EQ(project.spiPeriod, 12);
}

TEST_F(MainWindowStateTest, CheckBoxesWriteTheProject)
{
    state.invertClicked(true);
    EXPECT_TRUE(project.flashInvert);
    EXPECT_TRUE(project.modified);
    state.incrementClicked(true);
    EXPECT_TRUE(project.autoIncrement);
    project.flashInvert = false;
    state.showProjectSwitches();
    EXPECT_FALSE(state.invertChecked());
    EXPECT_TRUE(state.incrementChecked());
}

} // namespace
} // namespace quorva
