#include "setup_rig.h"

#include "at89_chip.h"
#include "avr_chip.h"
#include "dataflash_chip.h"

#include "temp_folder.h"

namespace quorva::test {
namespace {

using sim::AvrChip;

std::string status(int messageId)
{
    return statusOf(messageId);
}

// Loads bytes into a buffer from a binary file, as a project would.
void loadFromFile(MemoryBuffer& buffer, TempFolder& folder, const std::string& name, const Bytes& bytes)
{
    writeFile(folder.file(name), std::string(bytes.begin(), bytes.end()));
    ASSERT_TRUE(buffer.loadFile(folder.file(name)));
    ASSERT_EQ(buffer.length(), static_cast<int>(bytes.size()));
}

Bytes first(std::span<const std::uint8_t> bytes, std::size_t count)
{
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
}

TEST(AutoProgram, ABlankCheckAloneIsNoAction)
{
    SetupRig rig("ATmega8/8A");
    rig.project.autoEmptyCheck = true;
    rig.project.resetStrobeLength = 33;
    OpsRig::fill(rig.flash, pattern(32));
    EXPECT_FALSE(rig.autoProgram.run(false));
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1133));
    EXPECT_FALSE(rig.autoProgram.autoProgramOk);
    const auto statuses = rig.ui.callsStartingWith("status: ");
    EXPECT_EQ(statuses.front(), status(1121));
    EXPECT_TRUE(has(statuses, status(1180)));
    EXPECT_EQ(rig.sleepsOf(33), 2) << "the pause and the connection's reset pulse";

    SetupRig noPort("ATmega8/8A");
    noPort.settings.comPort = 0;
    noPort.project.autoErase = true;
    EXPECT_FALSE(noPort.autoProgram.run(false));
    EXPECT_EQ(noPort.boxes(), std::vector<std::string>{infoBox(1032)});
    EXPECT_TRUE(noPort.wire.entries().empty());
}

TEST(AutoProgram, AnEepromVerifyDifferenceStopsBeforeTheFlash)
{
    SetupRig rig("ATmega8/8A");
    rig.project.autoEepromVerify = true;
    rig.project.autoFlashProgram = true;
    rig.project.programFuse = true; // after all: must not run either
    OpsRig::fill(rig.eeprom, pattern(16));
    OpsRig::fill(rig.flash, pattern(64));
    EXPECT_FALSE(rig.autoProgram.run(false));
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1130));
    EXPECT_TRUE(rig.sendsStartingWith("7B").empty());
    EXPECT_TRUE(rig.sendsStartingWith("34 AC A").empty());
    EXPECT_FALSE(rig.context.eepromVerifyOk);
}

TEST(AutoProgram, TheSerialNumberAdvancesAfterASuccessfulPartOnly)
{
    TempFolder folder;
    SetupRig rig("ATmega8/8A");
    rig.project.autoEepromProgram = true;
    rig.project.autoEepromVerify = true;
    rig.project.autoIncrement = true;
    rig.project.autoIncAddress = 2;
    loadFromFile(rig.eeprom, folder, "serial.bin", {0x00, 0x12, 0xFF});

    ASSERT_TRUE(rig.autoProgram.run(false));
    EXPECT_EQ(first(rig.chip<AvrChip>().eeprom(), 3), (Bytes{0x00, 0x12, 0xFF}));
    EXPECT_EQ(first(rig.eeprom.data(), 3), (Bytes{0x00, 0x13, 0x00})) << "advanced once, not by the command too";
    EXPECT_TRUE(rig.project.autoIncrement);
    EXPECT_TRUE(rig.eeprom.modified());
    EXPECT_EQ(rig.ui.lastStatus(), "Autoprogram: DONE (3 Eeprom bytes programmed)");

    // The next chip carries the next number.
    ASSERT_TRUE(rig.autoProgram.run(false));
    EXPECT_EQ(first(rig.chip<AvrChip>().eeprom(), 3), (Bytes{0x00, 0x13, 0x00}));
    EXPECT_EQ(first(rig.eeprom.data(), 3), (Bytes{0x00, 0x13, 0x01}));

    // A failing part leaves the number and restores the switch.
    sim::BoxOptions refused = instantBox();
    refused.faults.wrongAcks.push_back({0x34, 1, 0x00}); // the first Eeprom byte's write
    SetupRig failing("ATmega8/8A", refused);
    failing.project.autoEepromProgram = true;
    failing.project.autoIncrement = true;
    loadFromFile(failing.eeprom, folder, "failing.bin", {0x00, 0x12, 0xFF});
    EXPECT_FALSE(failing.autoProgram.run(false));
    EXPECT_EQ(failing.ui.lastStatus(), messageText(1129));
    EXPECT_EQ(first(failing.eeprom.data(), 3), (Bytes{0x00, 0x12, 0xFF}));
    EXPECT_TRUE(failing.project.autoIncrement);
}

TEST(AutoProgram, SerialNumberEdges)
{
    struct Case {
        Bytes before;
        int address;
        Bytes after;
    };
    for (const Case& c : {Case{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 4, {0xFF, 0x00, 0x00, 0x00, 0x00}},
                          Case{{0x00, 0x12, 0xFF}, 40, {0x00, 0x13, 0x00}}}) {
        SetupRig rig("ATmega8/8A");
        rig.project.autoFlashProgram = true;
        rig.project.autoIncrementFlash = true;
        rig.project.autoIncAddressFlash = c.address;
        // Flash is word-granular: a sixth byte pads the image.
        OpsRig::fill(rig.flash, c.before);
        ASSERT_TRUE(rig.autoProgram.run(false));
        EXPECT_EQ(first(rig.flash.data(), c.after.size()), c.after);
    }
}

TEST(AutoProgram, ReloadTakesTheFileAsItIsNowAndFailsWithoutIt)
{
    TempFolder folder;
    SetupRig rig("ATmega8/8A");
    rig.project.autoEepromReload = true;
    rig.project.autoEepromProgram = true;
    loadFromFile(rig.eeprom, folder, "data.bin", {1, 2, 3, 4});
    writeFile(folder.file("data.bin"), std::string("\x05\x06\x07\x08\x09", 5));
    ASSERT_TRUE(rig.autoProgram.run(false));
    EXPECT_EQ(first(rig.chip<AvrChip>().eeprom(), 5), (Bytes{5, 6, 7, 8, 9}));
    EXPECT_TRUE(has(rig.ui.callsStartingWith("status: "),
                    "status: " + formatMessage(1074, 5, 5, 5 + 6 + 7 + 8 + 9)));

    std::remove(folder.file("data.bin").c_str());
    rig.wire.clear();
    EXPECT_FALSE(rig.autoProgram.run(false));
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1128));
    EXPECT_TRUE(rig.sendsStartingWith("3E").empty()) << "an emptied buffer is not programmed";
}

TEST(AutoProgram, AFailedLockAndFuseStepLetsTheRunGoOnButFailsIt)
{
    SetupRig rig("AT89S2051");
    rig.project.programFuse = true;
    rig.project.programFuseBeforeAll = true;
    rig.project.lockFuse.lockMode = 1;
    rig.project.autoFlashProgram = true;
    rig.project.autoFlashVerify = true;
    const Bytes image = pattern(128);
    OpsRig::fill(rig.flash, image);
    EXPECT_FALSE(rig.autoProgram.run(true));
    EXPECT_EQ(first(rig.chip<sim::At89Chip>().flash(), image.size()), image) << "the sequence went on";
    EXPECT_TRUE(has(rig.boxes(), infoBox(1132)));
    EXPECT_EQ(rig.ui.lastStatus(), messageText(2009));
    EXPECT_FALSE(rig.autoProgram.autoProgramOk);
}

TEST(AutoProgram, TheLockAndFuseStepIsQuietOnlyBeforeTheMemories)
{
    for (bool beforeAll : {true, false}) {
        SetupRig rig("ATmega8/8A");
        rig.project.programFuse = true;
        rig.project.programFuseBeforeAll = beforeAll;
        rig.project.lockFuse.fuse[13] = true;
        rig.project.autoFlashProgram = true;
        OpsRig::fill(rig.flash, pattern(64));
        EXPECT_TRUE(rig.autoProgram.run(true));
        EXPECT_EQ(has(rig.boxes(), infoBox(1109)), !beforeAll);
        // Before the memories the fuses go out first.
        const auto sends = rig.sends();
        const auto fuse = std::find(sends.begin(), sends.end(), "34 AC A0 FF FF");
        const auto flash = std::find_if(sends.begin(), sends.end(), [](const std::string& s) { return s.rfind("7B", 0) == 0; });
        ASSERT_NE(fuse, sends.end());
        ASSERT_NE(flash, sends.end());
        EXPECT_EQ(fuse < flash, beforeAll);
    }
}

TEST(AutoProgram, AnAt45NeverGetsItsPageSizeSwitchedByTheEepromStep)
{
    SetupRig rig("AT45DB161D");
    rig.project.autoEepromProgram = true;
    OpsRig::fill(rig.eeprom, pattern(16));
    EXPECT_FALSE(rig.autoProgram.run(false));
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1129));
    EXPECT_TRUE(rig.ui.callsStartingWith("ask: ").empty());
    EXPECT_TRUE(rig.wire.entries().empty());
    EXPECT_FALSE(rig.chip<sim::DataFlashChip>().powerOfTwoPending());
}

// What a production run on ATmega8 is given: erase, blank check, Flash
// programmed and verified, with the signature check.
void checkedRun(SetupRig& rig)
{
    rig.project.checkSign = true;
    rig.project.autoErase = true;
    rig.project.autoEmptyCheck = true;
    rig.project.autoFlashProgram = true;
    rig.project.autoFlashVerify = true;
    OpsRig::fill(rig.flash, pattern(256));
}

bool nothingWritten(const SetupRig& rig)
{
    return rig.sendsStartingWith("34 AC").empty() && rig.sendsStartingWith("7B").empty() &&
           rig.sendsStartingWith("3E").empty();
}

TEST(AutoProgram, AnotherChipFailsTheRunBeforeAnythingIsWrittenAndKeepsTheDevice)
{
    // The scripted person answers Yes to everything, as --yes does.
    SetupRig rig("ATmega8/8A", instantBox(), "ATmega128");
    checkedRun(rig);
    std::vector<int> switched;
    rig.context.deviceIdentified = [&switched](int index) { switched.push_back(index); };
    EXPECT_FALSE(rig.autoProgram.run(false));
    const std::string wrong = formatMessage(2200, "ATmega8/8A", 0x1E, 0x97, 0x02, "ATmega128/128A");
    EXPECT_EQ(rig.ui.lastStatus(), wrong);
    EXPECT_EQ(rig.autoProgram.failureReason, wrong);
    EXPECT_TRUE(nothingWritten(rig));
    EXPECT_EQ(rig.sendsStartingWith("35 30"), (std::vector<std::string>{"35 30 00 00", "35 30 00 01", "35 30 00 02"}));
    EXPECT_EQ(rig.wire.entries().back(), "close");
    EXPECT_EQ(rig.project.deviceIndex, findByName("ATmega8/8A"));

    // Without the check the run erases it, and the erase's look at the chip
    // does not switch the device either; the hook is back after the run.
    SetupRig unchecked("ATmega8/8A", instantBox(), "ATmega128");
    checkedRun(unchecked);
    unchecked.project.checkSign = false;
    unchecked.context.deviceIdentified = [&switched](int index) { switched.push_back(index); };
    unchecked.autoProgram.run(false);
    EXPECT_FALSE(unchecked.sendsStartingWith("34 AC 80").empty());
    EXPECT_TRUE(switched.empty());
    EXPECT_EQ(unchecked.project.deviceIndex, findByName("ATmega8/8A"));
    ASSERT_TRUE(unchecked.context.deviceIdentified);
}

TEST(AutoProgram, ALockedChipIsCheckedAgainAfterTheRunsOwnErase)
{
    sim::BoxOptions locked = instantBox();
    locked.faults.lockedChip = true;
    SetupRig rig("ATmega8/8A", locked);
    checkedRun(rig);
    EXPECT_TRUE(rig.autoProgram.run(false)) << rig.ui.lastStatus();
    const auto sends = rig.sends();
    const auto erase = std::find(sends.begin(), sends.end(), "34 AC 80 04 00");
    ASSERT_NE(erase, sends.end());
    EXPECT_NE(std::find(sends.begin(), erase, "35 30 00 02"), erase) << "checked before the erase";
    EXPECT_EQ(countOf(rig.sends(), "35 30 00 02"), 4u) << "before, the erase's own, after, and Program Flash's";

    // Without an erase in the run a locked chip fails it.
    SetupRig noErase("ATmega8/8A", locked);
    checkedRun(noErase);
    noErase.project.autoErase = false;
    EXPECT_FALSE(noErase.autoProgram.run(false));
    EXPECT_EQ(noErase.ui.lastStatus(), formatMessage(2200, "ATmega8/8A", 0, 1, 2, messageText(1080)));
    EXPECT_TRUE(nothingWritten(noErase));

    // The erase unlocks another chip: that fails the run before any write.
    SetupRig other("ATmega8/8A", locked, "ATmega16");
    checkedRun(other);
    EXPECT_FALSE(other.autoProgram.run(false));
    EXPECT_EQ(other.ui.lastStatus(), formatMessage(2200, "ATmega8/8A", 0x1E, 0x94, 0x03, "ATmega16/16A"));
    EXPECT_TRUE(other.sendsStartingWith("7B").empty());
    EXPECT_TRUE(other.sendsStartingWith("34 AC A").empty());
    EXPECT_EQ(other.project.deviceIndex, findByName("ATmega8/8A"));
}

TEST(AutoProgram, ACancelledStepIsReportedAsCancelledNamingTheStep)
{
    struct Case {
        bool blankCheck;
        bool eeprom;
        int percent;
        int statusId;
    };
    for (const Case& c : {Case{true, false, -1, 2204}, Case{false, true, -1, 2205}, Case{false, false, 50, 2207}}) {
        SetupRig rig("ATmega8/8A");
        rig.project.autoEmptyCheck = c.blankCheck;
        rig.project.autoEepromProgram = c.eeprom;
        rig.project.autoFlashProgram = true;
        OpsRig::fill(rig.eeprom, pattern(100));
        OpsRig::fill(rig.flash, pattern(2048));
        rig.ui.cancelAtPercent(c.percent);
        EXPECT_FALSE(rig.autoProgram.run(false));
        EXPECT_EQ(rig.ui.lastStatus(), messageText(c.statusId));
        EXPECT_EQ(rig.autoProgram.failureReason, messageText(c.statusId));
    }
}

// Erase, blank check, the memories with verify, and lock and fuse bits, on
// one chip of each kind.
struct ProductionRun {
    const char* device;
    bool erase;
    int flashBytes;
    int eepromBytes;
    bool lockAfterAll;
};

class FullProductionRun : public ::testing::TestWithParam<ProductionRun> {};

TEST_P(FullProductionRun, EndsDoneWithTheChipProgrammed)
{
    const ProductionRun run = GetParam();
    SetupRig rig(run.device);
    Project& project = rig.project;
    project.autoErase = run.erase;
    project.autoEmptyCheck = run.erase;
    project.autoFlashProgram = project.autoFlashVerify = run.flashBytes > 0;
    project.autoEepromProgram = project.autoEepromVerify = run.eepromBytes > 0;
    project.programFuse = run.lockAfterAll;
    project.lockFuse.lockMode = run.lockAfterAll ? 2 : 0;
    const Bytes flash = pattern(static_cast<std::size_t>(run.flashBytes), 3);
    const Bytes eeprom = pattern(static_cast<std::size_t>(run.eepromBytes), 9);
    if (run.flashBytes > 0)
        OpsRig::fill(rig.flash, flash);
    if (run.eepromBytes > 0)
        OpsRig::fill(rig.eeprom, eeprom);

    EXPECT_TRUE(rig.autoProgram.run(false)) << rig.ui.lastStatus();
    EXPECT_TRUE(rig.autoProgram.autoProgramOk);
    std::string done;
    if (run.flashBytes > 0 && run.eepromBytes > 0)
        done = formatMessage(1066, run.flashBytes, run.eepromBytes);
    else if (run.flashBytes > 0)
        done = formatMessage(1064, run.flashBytes);
    else
        done = formatMessage(1065, run.eepromBytes);
    EXPECT_EQ(rig.ui.lastStatus(), done);
    EXPECT_EQ(has(rig.ui.callsStartingWith("status: "), status(1046)), run.erase);
    rig.expectNoViolations();
}

INSTANTIATE_TEST_SUITE_P(
    EveryFamily, FullProductionRun,
    ::testing::Values(ProductionRun{"ATmega8/8A", true, 3000, 100, true}, ProductionRun{"AT89S51", true, 700, 0, true},
                      ProductionRun{"AT89S8253", true, 600, 50, true}, ProductionRun{"AT26DF081A", true, 600, 0, false},
                      ProductionRun{"AT45DB161D", true, 1200, 0, false}, ProductionRun{"AT25256", false, 0, 300, false}),
    [](const auto& info) {
        std::string name = info.param.device;
        name.erase(std::remove_if(name.begin(), name.end(), [](char c) { return !std::isalnum(c); }), name.end());
        return name;
    });

} // namespace
} // namespace quorva::test
