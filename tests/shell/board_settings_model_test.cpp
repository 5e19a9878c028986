#include "shell/board_settings_model.h"
#include "shell/settings_store.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

// What the widgets hold when the person presses OK without changing anything.
BoardSettingsModel::Input unchanged(const BoardSettingsModel& model)
{
    BoardSettingsModel::Input input;
    input.portChecked[static_cast<std::size_t>(model.checkedPortButton() - 1)] = true;
    input.comEditText = model.comEditText();
    if (const auto baud = model.checkedBaudButton())
        input.baudChecked[static_cast<std::size_t>(*baud)] = true;
    input.devicePath = model.devicePathOf(model.comNumber(input));
    return input;
}

struct Accepted {
    int comPort = -99;
    int highSpeed = -99;
};

Accepted accept(const BoardSettingsModel& model, const BoardSettingsModel::Input& input)
{
    Accepted out;
    model.accept(input, out.comPort, out.highSpeed);
    return out;
}

class BoardSettingsModelTest : public testing::Test {
protected:
    test::TempFolder folder;
    SettingsStore store{folder.file("q.ini")};
};

TEST_F(BoardSettingsModelTest, OpensOnTheStoredPortAndKeepsItThroughOk)
{
    const BoardSettingsModel custom(store, 15, 0);
    EXPECT_EQ(custom.checkedPortButton(), 13);
    EXPECT_EQ(custom.comEditText(), "15");
    EXPECT_EQ(accept(custom, unchanged(custom)).comPort, 15);

    for (int none : {0, -3}) {
        const BoardSettingsModel model(store, none, 0);
        EXPECT_EQ(model.checkedPortButton(), 1) << none;
        EXPECT_EQ(model.comEditText(), "13");
        EXPECT_EQ(accept(model, unchanged(model)).comPort, 1);
    }
    const BoardSettingsModel twelve(store, 12, 0);
    EXPECT_EQ(twelve.checkedPortButton(), 12);
    EXPECT_EQ(twelve.comEditText(), "13");

    // The "COM" button reads the edit box, signed and unchecked; no button
    // checked keeps the number the dialog opened with.
    BoardSettingsModel::Input input = unchanged(custom);
    for (const auto& [text, number] : std::vector<std::pair<std::string, int>>{
             {"-4", -4}, {" 300x", 300}, {"", 0}, {"abc", 0}, {"99999999999", 0}}) {
        input.comEditText = text;
        EXPECT_EQ(accept(custom, input).comPort, number) << text;
    }
    input.portChecked = {};
    EXPECT_EQ(accept(custom, input).comPort, 15);
}

TEST_F(BoardSettingsModelTest, BaudCodeTwoSurvivesOkAndTheLowestCheckedButtonWins)
{
    const BoardSettingsModel usb(store, 1, 2);
    EXPECT_EQ(usb.checkedBaudButton(), 2);
    EXPECT_EQ(accept(usb, unchanged(usb)).highSpeed, 2);

    BoardSettingsModel::Input input = unchanged(usb);
    input.baudChecked = {false, true, true};
    EXPECT_EQ(accept(usb, input).highSpeed, 1);
    input.baudChecked = {true, true, true};
    EXPECT_EQ(accept(usb, input).highSpeed, 0);

    // A code without a button (a hand-edited file) is shown unchecked and kept.
    const BoardSettingsModel odd(store, 1, 7);
    EXPECT_EQ(odd.checkedBaudButton(), std::nullopt);
    EXPECT_EQ(accept(odd, unchanged(odd)).highSpeed, 7);
}

TEST_F(BoardSettingsModelTest, WritesTheDevicePathOnlyWhenItChanges)
{
    const BoardSettingsModel model(store, 3, 0);
    BoardSettingsModel::Input input = unchanged(model);
    EXPECT_EQ(input.devicePath, "/dev/ttyUSB2");
    accept(model, input);
    EXPECT_EQ(store.getString(kPortsSection, "COM3", "none"), "none");

    input.devicePath = "  /dev/ttyACM0 ";
    accept(model, input);
    EXPECT_EQ(store.getString(kPortsSection, "COM3", "none"), "/dev/ttyACM0");
    EXPECT_EQ(model.devicePathOf(3), "/dev/ttyACM0");

    // An emptied box, or a number that opens nothing, maps nothing.
    input.devicePath = "";
    accept(model, input);
    EXPECT_EQ(store.portPath(3), "/dev/ttyACM0");
    input.portChecked = {};
    input.portChecked[12] = true;
    input.comEditText = "0";
    input.devicePath = "/dev/ttyS0";
    EXPECT_EQ(accept(model, input).comPort, 0);
    EXPECT_EQ(store.getString(kPortsSection, "COM0", "none"), "none");
}

TEST_F(BoardSettingsModelTest, NotesAPathThatNamesNoDevice)
{
    const std::string missing = folder.file("ttyGone0");
    EXPECT_NE(BoardSettingsModel::pathNote(missing).find(missing), std::string::npos);
    test::writeFile(folder.file("ttyHere0"), "");
    EXPECT_EQ(BoardSettingsModel::pathNote(folder.file("ttyHere0")), "");
    EXPECT_EQ(BoardSettingsModel::pathNote(" "), "");
}

TEST(AdvancedDelayTest, AcceptsOnlyWholeMillisecondsFromZeroToOneThousand)
{
    EXPECT_EQ(parseAdvancedDelay("0"), 0);
    EXPECT_EQ(parseAdvancedDelay("1000"), 1000);
    EXPECT_EQ(parseAdvancedDelay(" 25 "), 25);
    for (const char* refused : {"1001", "-1", "", "12ms", "1.5", "99999999999999"})
        EXPECT_EQ(parseAdvancedDelay(refused), std::nullopt) << refused;
    EXPECT_NE(advancedDelayRangeText().find("0 and 1000"), std::string::npos);
}

} // namespace
} // namespace quorva
