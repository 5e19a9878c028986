#include "base/messages.h"
#include "catalogue/device_lookup.h"
#include "catalogue/lock_fuse.h"
#include "scripted_ui.h"
#include "shell/app_controller.h"
#include "shell/lock_fuse_dialog_model.h"
#include "temp_folder.h"

#include "at89_chip.h"
#include "avr_chip.h"
#include "box.h"
#include "part_info.h"
#include "sim_port.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

using Mode = LockFuseDialogModel::Mode;

int device(const char* name)
{
    const int index = findByName(name);
    EXPECT_GE(index, 0) << name;
    return index;
}

std::vector<std::string> captions(const auto& controls)
{
    std::vector<std::string> all;
    for (const BitControl& control : controls)
        all.push_back(control.caption);
    return all;
}

// The controller as the dialog's chip, over a simulated box on COM1.
class LockFuseDialogOnChip : public ::testing::Test {
protected:
    explicit LockFuseDialogOnChip(const char* chip = "ATmega8", const char* name = "ATmega8/8A")
        : box(clock, sim::makeChip(*sim::findChip(chip)))
    {
        port.attach(0, box);
        controller.prepare(LinkSettings{1, 0, {}});
        controller.project().deviceIndex = device(name);
    }

    LockFuseDialogModel open(const LockFuseState& initial = {})
    {
        return LockFuseDialogModel(ui, controller.project().deviceIndex, initial, Mode::Direct, &controller);
    }

    test::TempFolder folder;
    SettingsStore store{folder.file("quorva.ini")};
    RecordingClock clock;
    sim::Box box;
    sim::SimPort port{clock};
    test::ScriptedUi ui;
    QuietLog log;
    AppController controller{ui, store, port, clock, log};
};

class At89s51DialogOnChip : public LockFuseDialogOnChip {
protected:
    At89s51DialogOnChip() : LockFuseDialogOnChip("AT89S51", "AT89S51") {}
};

TEST(LockFuseDialogModel, ControlsFollowTheDeviceLayoutAndTheMode)
{
    test::ScriptedUi ui;
    const LockFuseDialogModel tiny(ui, device("ATtiny13/13A"), LockFuseState{}, Mode::Direct, nullptr);
    const LockFuseControls& t = tiny.controls();
    EXPECT_EQ(t.title, messageText(1193));
    EXPECT_TRUE(t.chipEraseEnabled);
    EXPECT_FALSE(t.saveEnabled);
    EXPECT_EQ(t.fuses[12].caption, "SPMEN");
    EXPECT_TRUE(t.fuses[12].enabled);
    for (int bit = 13; bit < kFuseBoxes; ++bit) {
        EXPECT_EQ(t.fuses[static_cast<std::size_t>(bit)].caption, messageText(1014)) << bit;
        EXPECT_FALSE(t.fuses[static_cast<std::size_t>(bit)].enabled) << bit;
    }
    EXPECT_EQ(captions(t.bootLocks), std::vector<std::string>(4, messageText(1014)));
    EXPECT_FALSE(t.bootLocks[0].enabled);
    EXPECT_EQ(captions(t.lockModes), (std::vector<std::string>{"No", "LB1: Write protect", "LB1+LB2: R&&W protect",
                                                               "LB1+LB2+LB3 (89S only)"}));
    EXPECT_TRUE(t.lockModes[2].enabled);
    EXPECT_FALSE(t.lockModes[3].enabled);
    EXPECT_TRUE(t.lockModes[0].checked);
    EXPECT_FALSE(t.readEnabled) << "a setting that is not valid cannot be read or verified";
    EXPECT_FALSE(t.verifyEnabled);

    LockFuseState valid;
    valid.valid = 1;
    valid.lockMode = 2;
    const LockFuseDialogModel at89(ui, device("AT89S51"), valid, Mode::AutoProgram, nullptr);
    const LockFuseControls& a = at89.controls();
    EXPECT_EQ(a.title, messageText(1194));
    EXPECT_FALSE(a.chipEraseEnabled);
    EXPECT_TRUE(a.saveEnabled);
    EXPECT_EQ(captions(a.lockModes), (std::vector<std::string>{"No locking", "LB1", "LB1+LB2", "LB1+LB2+LB3"}));
    EXPECT_TRUE(a.lockModes[3].enabled);
    EXPECT_TRUE(a.lockModes[2].checked);
    EXPECT_TRUE(a.readEnabled);
    EXPECT_TRUE(a.verifyEnabled);

    LockFuseState pwm;
    pwm.fuse[19] = true;
    LockFuseDialogModel pwmDialog(ui, device("AT90PWM1/2B/3B"), pwm, Mode::Direct, nullptr);
    EXPECT_EQ(pwmDialog.controls().fuses[19].caption, "_EMPTY_");
    EXPECT_FALSE(pwmDialog.controls().fuses[19].enabled);
    EXPECT_EQ(pwmDialog.controls().fuses[20].caption, "PSCRV");
    EXPECT_EQ(pwmDialog.controls().bootLocks[3].caption, "BLB12");
    pwmDialog.setFuse(19, false); // a placeholder cannot be clicked
    EXPECT_TRUE(pwmDialog.controls().fuses[19].checked);
    EXPECT_TRUE(ui.calls().empty());
}

TEST(LockFuseDialogModel, AnUnknownLockModeIsSaidAndSavedAsNoLocking)
{
    test::ScriptedUi ui;
    LockFuseState garbage;
    garbage.lockMode = 77;
    LockFuseDialogModel dialog(ui, device("ATmega8/8A"), garbage, Mode::AutoProgram, nullptr);
    EXPECT_EQ(
        ui.callsStartingWith("box: "),
        std::vector<std::string>{"box: warning | " + std::string(messageText(1025)) + " | " + formatMessage(2170, 77)});
    for (const BitControl& radio : dialog.controls().lockModes)
        EXPECT_FALSE(radio.checked);
    dialog.setFuse(13, true); // SPIEN kept, so no question
    ASSERT_TRUE(dialog.closeAndSave());
    EXPECT_EQ(dialog.edited().lockMode, 0);
    EXPECT_TRUE(dialog.edited().fuse[13]);

    // A device index nobody knows shows nothing to edit rather than failing.
    const LockFuseDialogModel nowhere(ui, 500, LockFuseState{}, Mode::Direct, nullptr);
    EXPECT_FALSE(nowhere.controls().fuses[0].enabled);
}

TEST_F(LockFuseDialogOnChip, SpienReleasedAnsweredNoLeavesTheChipAlone)
{
    LockFuseDialogModel dialog = open();
    ui.answerNext(Answer::No);
    dialog.program(); // SPIEN unprogrammed: the warning comes first
    ASSERT_EQ(ui.callsStartingWith("ask: ").size(), 1U);
    EXPECT_NE(ui.callsStartingWith("ask: ")[0].find(messageText(1001)), std::string::npos);
    EXPECT_EQ(port.openCount(), 0);
    EXPECT_FALSE(dialog.controls().readEnabled);
}

TEST_F(LockFuseDialogOnChip, ProgramReadVerifyAndEraseAnAtmega8)
{
    LockFuseDialogModel dialog = open();
    // CKSEL1..3, SUT0, BOOTSZ0, BOOTSZ1 and SPIEN programmed, lock mode 1, BLB01.
    for (int bit : {1, 2, 3, 4, 9, 10, 13})
        dialog.setFuse(bit, true);
    dialog.chooseLockMode(1);
    dialog.setBootLock(0, true);
    dialog.program();
    EXPECT_TRUE(ui.callsStartingWith("ask: ").empty());
    const auto& chip = dynamic_cast<sim::AvrChip&>(box.chip());
    const FuseLayout& layout = fuseLayoutAt(deviceAt(device("ATmega8/8A"))->fuseLayout);
    EXPECT_EQ(chip.fuse(0), encodeFuseWrite(layout, 0, dialog.edited())[3]);
    EXPECT_EQ(chip.fuse(1), encodeFuseWrite(layout, 1, dialog.edited())[3]);
    EXPECT_EQ(chip.fuse(0), 0xE1);
    EXPECT_EQ(chip.fuse(1), 0xD9);
    EXPECT_EQ(chip.lockByte() & 0x3F, 0x3A);
    EXPECT_TRUE(dialog.controls().readEnabled) << "a programmed setting is valid";
    EXPECT_TRUE(dialog.controls().verifyEnabled);
    EXPECT_EQ(ui.lastStatus(), messageText(1109));

    // Read back into fresh controls: what was programmed comes back.
    LockFuseDialogModel again = open();
    again.read();
    EXPECT_TRUE(again.controls().lockModes[1].checked);
    EXPECT_TRUE(again.controls().fuses[13].checked);
    EXPECT_FALSE(again.controls().fuses[0].checked);
    EXPECT_TRUE(again.controls().bootLocks[0].checked);
    ui.clearCalls();
    again.verify();
    EXPECT_EQ(
        ui.callsStartingWith("box: "),
        std::vector<std::string>{"box: information | " + std::string(messageText(1016)) + " | " + messageText(1159)});

    // A verify compares the boxes as they stand, not what was read.
    again.setFuse(0, true);
    ui.clearCalls();
    again.verify();
    ASSERT_EQ(ui.callsStartingWith("box: ").size(), 1U);
    EXPECT_NE(ui.callsStartingWith("box: ")[0].find("CKSEL0 should be programmed"), std::string::npos);

    // Erase clears the lock and boot-lock bits and the dialog shows the chip
    // as it now is; the fuses stay.
    again.chipErase();
    EXPECT_TRUE(again.controls().lockModes[0].checked);
    EXPECT_FALSE(again.controls().bootLocks[0].checked);
    EXPECT_TRUE(again.controls().fuses[13].checked);
    EXPECT_FALSE(again.controls().fuses[0].checked) << "the unprogrammed box came back from the chip";
    EXPECT_EQ(chip.lockByte() & 0x3F, 0x3F);
}

TEST_F(At89s51DialogOnChip, LockModeTwoIsWrittenAndReadBack)
{
    LockFuseDialogModel dialog = open();
    dialog.chooseLockMode(2);
    dialog.program();
    EXPECT_EQ(dynamic_cast<sim::At89Chip&>(box.chip()).lockBits(), 0x04); // LB1, LB2 programmed (0)
    LockFuseDialogModel again = open();
    again.read();
    EXPECT_TRUE(again.controls().lockModes[2].checked);
    EXPECT_TRUE(again.controls().lockModes[3].enabled);
}

} // namespace
} // namespace quorva
