#include "base/messages.h"
#include "catalogue/device_lookup.h"
#include "catalogue/fuse_layout.h"
#include "data/project.h"
#include "scripted_ui.h"
#include "shell/lock_fuse_dialog_model.h"
#include "shell/project_settings_model.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <utility>

namespace quorva {
namespace {

std::string warningBox(const std::string& text)
{
    return "box: warning | " + std::string(messageText(1025)) + " | " + text;
}

class ProjectSettingsModelTest : public ::testing::Test {
protected:
    ProjectSettingsModel open()
    {
        return ProjectSettingsModel(ui, project, [this](LockFuseState& setting, int deviceIndex) {
            editorCalls.emplace_back(setting, deviceIndex);
            if (!saveInEditor)
                return false;
            setting.lockMode = 1;
            return true;
        });
    }

    test::ScriptedUi ui;
    Project project{ui};
    bool saveInEditor = true;
    std::vector<std::pair<LockFuseState, int>> editorCalls;
};

TEST_F(ProjectSettingsModelTest, TheResetStrobeSnapsToTheSliderAtOpeningEvenWhenCancelled)
{
    for (auto [stored, position, snapped] : {std::tuple{400, 5, 500}, {5000, 6, 1000}, {20, 0, 20}, {-7, 0, 20}}) {
        project.resetStrobeLength = stored;
        const ProjectSettingsModel dialog = open();
        EXPECT_EQ(dialog.controls.strobePosition, position) << stored;
        EXPECT_EQ(project.resetStrobeLength, snapped) << stored;
        EXPECT_EQ(strobeLabel(position), std::to_string(snapped) + " ms");
    }
}

TEST_F(ProjectSettingsModelTest, ControlsStartFromTheProjectAndFollowTheirBoxes)
{
    project.autoIncAddressFlash = 0x1F;
    project.autoIncAddress = -1;
    project.delayPage = true;
    project.spiPeriod = 7;
    project.programFuse = true;
    ProjectSettingsModel dialog = open();
    EXPECT_EQ(dialog.controls.flashAddress, "1F");
    EXPECT_EQ(dialog.controls.eepromAddress, "FFFFFFFF");
    EXPECT_EQ(dialog.controls.flashPageText, "15");
    EXPECT_EQ(dialog.controls.sckPeriod, 7);
    EXPECT_EQ(dialog.controls.device, findByName("ATmega8/8A"));
    ProjectSettingsEnabled on = dialog.enabled();
    EXPECT_TRUE(on.configure);
    EXPECT_TRUE(on.flashPage);
    EXPECT_FALSE(on.flashByte);
    EXPECT_FALSE(on.flashAddress);
    dialog.controls.incrementFlash = true;
    dialog.controls.programFuse = false;
    on = dialog.enabled();
    EXPECT_TRUE(on.flashAddress);
    EXPECT_FALSE(on.configure);
    EXPECT_EQ(std::string(sckPeriodNames()[7]), "150 uS (7 kHz)");
}

TEST_F(ProjectSettingsModelTest, ConfigureNeedsTheProjectsDeviceAndForcesTheSafeFuses)
{
    ProjectSettingsModel dialog = open();
    dialog.controls.device = findByName("ATtiny13/13A");
    dialog.setAutoProgram(true);
    EXPECT_FALSE(dialog.controls.programFuse);
    EXPECT_TRUE(editorCalls.empty());
    EXPECT_EQ(
        ui.callsStartingWith("box: "),
        std::vector<std::string>{"box: information | " + std::string(messageText(1025)) + " | " + messageText(1166)});

    dialog.controls.device = project.deviceIndex;
    saveInEditor = false;
    dialog.setAutoProgram(true);
    EXPECT_FALSE(dialog.controls.programFuse) << "a cancelled Configure unchecks Autoprogram";
    ASSERT_EQ(editorCalls.size(), 1U);
    EXPECT_TRUE(editorCalls[0].first.fuse[13]) << "SPIEN is handed over programmed";
    EXPECT_EQ(editorCalls[0].first.valid, 1);
    EXPECT_EQ(editorCalls[0].second, project.deviceIndex);
    EXPECT_EQ(project.lockFuse.valid, 1);

    saveInEditor = true;
    dialog.setAutoProgram(true);
    EXPECT_TRUE(dialog.controls.programFuse);
    int chosen = -1;
    ASSERT_EQ(dialog.accept(chosen), SettingsField::None);
    EXPECT_EQ(chosen, project.deviceIndex);
    EXPECT_TRUE(project.programFuse);
    EXPECT_EQ(project.lockFuse.lockMode, 1);
    EXPECT_TRUE(project.lockFuse.fuse[13]);
}

// Through the Lock/Fuse Bits dialog's own model, for every device with fuse
// bits: a fresh setting holds exactly the bits its description keeps
// programmed, shown pressed and stored, and nothing beside them.
TEST(ProjectSettingsModelAllDevices, AFreshSettingHoldsOnlyTheBitsThatMustStayProgrammed)
{
    for (int device = 0; device < static_cast<int>(deviceTable.size()); ++device) {
        const FuseLayout& layout = fuseLayoutOf(*deviceAt(device));
        if (layout.fuseBitCount == 0)
            continue;
        SCOPED_TRACE(deviceAt(device)->name);
        test::ScriptedUi ui;
        Project project{ui};
        project.deviceIndex = device;
        std::array<bool, 32> wanted{};
        for (std::size_t k = 0; k < wanted.size(); ++k)
            wanted[k] = layout.fuseWarning[k] > 0;
        std::array<bool, 32> pressed{};
        ProjectSettingsModel dialog(ui, project, [&](LockFuseState& setting, int deviceIndex) {
            LockFuseDialogModel lockFuse(ui, deviceIndex, setting, LockFuseDialogModel::Mode::AutoProgram, nullptr);
            for (std::size_t k = 0; k < kFuseBoxes; ++k)
                pressed[k] = lockFuse.controls().fuses[k].checked;
            if (!lockFuse.closeAndSave())
                return false;
            setting = lockFuse.edited();
            return true;
        });
        dialog.setAutoProgram(true);
        int chosen = -1;
        ASSERT_EQ(dialog.accept(chosen), SettingsField::None);
        EXPECT_EQ(pressed, wanted);
        EXPECT_EQ(project.lockFuse.fuse, wanted);
        EXPECT_TRUE(ui.callsStartingWith("ask: ").empty());
    }
}

TEST_F(ProjectSettingsModelTest, OkWithAutoprogramOffClearsTheSetting)
{
    project.programFuse = true;
    project.lockFuse.lockMode = 2;
    project.lockFuse.fuse[3] = true;
    ProjectSettingsModel dialog = open();
    dialog.setAutoProgram(false);
    dialog.controls.device = findByName("ATmega16/16A");
    dialog.controls.strobePosition = 3;
    dialog.controls.polling = true;
    int chosen = -1;
    ASSERT_EQ(dialog.accept(chosen), SettingsField::None);
    EXPECT_EQ(chosen, findByName("ATmega16/16A"));
    EXPECT_EQ(project.deviceIndex, findByName("ATmega8/8A")) << "the caller selects the device";
    EXPECT_FALSE(project.programFuse);
    EXPECT_EQ(project.lockFuse, LockFuseState{});
    EXPECT_EQ(project.resetStrobeLength, 150);
    EXPECT_TRUE(project.polling);
}

TEST_F(ProjectSettingsModelTest, OkRefusesWhatIsOutOfRangeAndSaysWhatIsAllowed)
{
    ProjectSettingsModel dialog = open();
    dialog.controls.eepromPageDelay = true;
    dialog.controls.flashPageDelay = true;
    dialog.controls.flashByteDelay = true;
    dialog.controls.incrementFlash = true;
    int chosen = -1;
    for (const char* page : {"0", "200"}) {
        dialog.controls.eepromPageText = page;
        EXPECT_EQ(dialog.accept(chosen), SettingsField::None) << page;
        EXPECT_EQ(project.delayPageValue2, std::stoi(page));
    }

    struct Refusal {
        std::string ProjectSettingsControls::*text;
        const char* value;
        SettingsField field;
        std::string message;
    };
    const std::string kAddressRange = "Enter a hexadecimal address from 0 to 7FFFFFFF.";
    const Refusal refusals[] = {
        {&ProjectSettingsControls::flashPageText, "2", SettingsField::FlashPage, formatMessage(2171, 3, 50)},
        {&ProjectSettingsControls::flashByteText, "twelve", SettingsField::FlashByte, formatMessage(2171, 0, 36)},
        {&ProjectSettingsControls::eepromPageText, "5 ms", SettingsField::EepromPage, messageText(2172)},
        {&ProjectSettingsControls::flashAddress, "123456789", SettingsField::FlashAddress, kAddressRange},
        {&ProjectSettingsControls::eepromAddress, "ZZ", SettingsField::EepromAddress, kAddressRange},
        {&ProjectSettingsControls::eepromAddress, "80000000", SettingsField::EepromAddress, kAddressRange},
    };
    for (const Refusal& refusal : refusals) {
        ProjectSettingsModel fresh = open();
        fresh.controls = dialog.controls;
        fresh.controls.incrementEeprom = true;
        fresh.controls.*refusal.text = refusal.value;
        fresh.controls.polling = true;
        ui.clearCalls();
        EXPECT_EQ(fresh.accept(chosen), refusal.field) << refusal.value;
        EXPECT_EQ(ui.callsStartingWith("box: "), std::vector<std::string>{warningBox(refusal.message)});
        EXPECT_FALSE(project.polling) << "nothing is written while a field is refused";
    }

    // A field that is off keeps the project's value instead of refusing.
    dialog.controls.flashPageDelay = false;
    dialog.controls.flashPageText = "2";
    EXPECT_EQ(dialog.accept(chosen), SettingsField::None);
    EXPECT_EQ(project.delayPageValue, 15);
}

TEST_F(ProjectSettingsModelTest, HexAddressesAreReadAsPercentXReadsThem)
{
    int chosen = -1;
    for (const auto& [text, value] : {std::pair{"1F", 0x1F},
                                      {"0x1F0", 0x1F0},
                                      {"1F0h", 0x1F0},
                                      {" 7ffffff", 0x7FFFFFF},
                                      {"7fffffff", 0x7FFFFFFF}}) {
        ProjectSettingsModel dialog = open();
        dialog.controls.incrementEeprom = true;
        dialog.controls.eepromAddress = text;
        ASSERT_EQ(dialog.accept(chosen), SettingsField::None) << text;
        EXPECT_EQ(project.autoIncAddress, value) << text;
    }
    EXPECT_EQ(open().controls.eepromAddress, "7FFFFFFF");

    // A field that is off and holds no address keeps the project's value.
    ProjectSettingsModel dialog = open();
    dialog.controls.flashAddress = "zz";
    project.autoIncAddressFlash = 0x40;
    ASSERT_EQ(dialog.accept(chosen), SettingsField::None);
    EXPECT_EQ(project.autoIncAddressFlash, 0x40);
}

TEST_F(ProjectSettingsModelTest, AProjectOutsideTheListsIsShownOnItsDefaultsWithAWord)
{
    project.deviceIndex = 500;
    project.spiPeriod = 12;
    const ProjectSettingsModel dialog = open();
    EXPECT_EQ(dialog.controls.device, findByName("ATmega8/8A"));
    EXPECT_EQ(dialog.controls.sckPeriod, 4);
    EXPECT_EQ(ui.callsStartingWith("box: "),
              (std::vector<std::string>{warningBox(formatMessage(2174, 500, "ATmega8/8A")),
                                        warningBox(formatMessage(2175, 12, "4 uS (250 kHz)"))}));
}

TEST_F(ProjectSettingsModelTest, GarbageInTheFileNeverReachesTheDiskUntilSaved)
{
    test::TempFolder folder;
    const std::string path = folder.file("p.kx2");
    const std::string text = "[Files]\r\nFlash=[Unspecified]\r\nEeprom=[Unspecified]\r\n[AutoProgram]\r\n"
                             "ProgramFuse=1\r\nLockMode=banana\r\nFuse13=-9\r\n[Settings]\r\nResetStrobeLength=400\r\n";
    test::writeFile(path, text);
    ASSERT_TRUE(project.load(path));
    ProjectSettingsModel dialog = open();
    ASSERT_TRUE(dialog.configure());
    int chosen = -1;
    ASSERT_EQ(dialog.accept(chosen), SettingsField::None);
    EXPECT_EQ(project.resetStrobeLength, 500);
    EXPECT_EQ(test::fileContents(path), text);
}

} // namespace
} // namespace quorva
