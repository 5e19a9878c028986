#include "link/firmware_image.h"
#include "link/self_program.h"
#include "scripted_ui.h"
#include "wire_log.h"

#include "box.h"
#include "part_info.h"
#include "firmware_image.h"
#include "sim_port.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace quorva {
namespace {

using Lines = std::vector<std::string>;
using Image = std::vector<std::uint8_t>;

sim::BoxOptions simulatedBox()
{
    return sim::BoxOptions{}; // the simulated boot loader calls itself simulated
}

struct UpdateRig {
    explicit UpdateRig(sim::BoxOptions options = simulatedBox())
        : box(clock, sim::makeChip(*sim::findChip("ATmega8")), std::move(options))
    {
        port.attach(2, box);
    }
    void update(const Image& image)
    {
        updateFirmware(connection, 3, std::span<const std::uint8_t, kFirmwareImageSize>(image.data(), kFirmwareImageSize));
    }
    Lines statuses() const { return ui.callsStartingWith("status: "); }
    Lines boxes() const { return ui.callsStartingWith("box: "); }

    RecordingClock clock;
    sim::Box box;
    sim::SimPort port{clock};
    test::ScriptedUi ui;
    Connection connection{port, clock, ui};
};

Image builtIn()
{
    const auto image = builtInFirmwareImage();
    return Image(image.begin(), image.end());
}

TEST(FirmwareImageTest, BuiltInImageIsTheSimulatorsAndReadsAsVersion10c)
{
    const Image image = builtIn();
    EXPECT_TRUE(isSimulatorImage(image));
    std::string reason;
    const auto info = sim::checkFirmwareImage(image, &reason);
    ASSERT_TRUE(info) << reason;
    EXPECT_EQ(info->code, Connection::kRequiredFirmware);
    EXPECT_EQ(firmwareVersionText("10c"), "1.0c");
    EXPECT_EQ(firmwareVersionText("M2a"), "10.2a");
    EXPECT_FALSE(isSimulatorImage(Image(kFirmwareImageSize, 0xFF)));
}

TEST(FirmwareUpdateTest, SimulatedBoxTakesTheBuiltInImageAndRunsIt)
{
    UpdateRig rig;
    rig.ui.selfProgramNext(true);
    rig.update(builtIn());
    EXPECT_EQ(rig.box.receivedFirmware(), builtIn());
    EXPECT_TRUE(rig.box.firmwareInstalled());
    EXPECT_EQ(rig.box.firmwareRejection(), "");
    EXPECT_EQ(rig.boxes(), (Lines{"box: information | Programmer QUORVA | Please detach and then attach power to the "
                                  "programmer, then ensure, that \"Bootloader\" is displayed as version number."}));
    const Lines dialogs = rig.ui.callsStartingWith("dialog: ");
    EXPECT_EQ(dialogs, Lines{"dialog: self-program QUORVA Bootloader 1.1 (simulated) | 1.0c -> normal"});
    const Lines statuses = rig.statuses();
    ASSERT_GE(statuses.size(), 2u);
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), "status: Version successfully updated"), statuses.end());
    EXPECT_EQ(statuses.back().rfind("status: ", 0), 0u);
    EXPECT_NE(statuses.back().find("(Serial number 51 56 0A 01 2C)"), std::string::npos);
    // Progress ran over the 3072 groups without a Cancel.
    EXPECT_EQ(rig.ui.callsStartingWith("operation: progress ").back(), "operation: progress 99 | 99% completed");
    EXPECT_TRUE(rig.box.violations().empty()) << rig.box.violationReport();
}

TEST(FirmwareUpdateTest, ReducedPacePausesAfterEvery32ndGroup)
{
    UpdateRig rig;
    rig.ui.selfProgramNext(false);
    rig.update(builtIn());
    const std::vector<int> sleeps = rig.clock.sleeps();
    // The transfer starts after the pauses of the version read and the
    // version-only open: find its two 100 ms pauses.
    const auto start = std::search_n(sleeps.begin(), sleeps.end(), 2, 100);
    ASSERT_NE(start, sleeps.end());
    const std::vector<int> groups(start + 2, start + 2 + 64);
    EXPECT_EQ(groups[30], 5);  // group 30
    EXPECT_EQ(groups[31], 30); // group 31, the 32nd
    EXPECT_EQ(groups[63], 30);
    EXPECT_EQ(std::count(groups.begin(), groups.end(), 30), 2);
    EXPECT_EQ(rig.box.receivedFirmware(), builtIn());
}

TEST(FirmwareUpdateTest, NormalPacePausesOnlyAfterEvery32ndGroup)
{
    UpdateRig rig;
    rig.ui.selfProgramNext(true);
    rig.update(builtIn());
    const std::vector<int> sleeps = rig.clock.sleeps();
    EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), 5), 0);
    // Two 15 ms pauses before the transfer, one after each 32 groups.
    EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), 15), 2 + 3072 / 32);
}

TEST(FirmwareUpdateTest, RunningFirmwareIsNotReady)
{
    sim::BoxOptions options = simulatedBox();
    options.versionText = "QUORVA ISP 1.0c (simulated)";
    UpdateRig rig(options);
    // A Ping starts the firmware, which refuses to take an image.
    rig.port.open(2, 19200);
    const std::uint8_t ping = 0x25;
    rig.port.send(&ping, 1);
    rig.port.receiveByte();
    rig.port.close();
    rig.ui.selfProgramNext(true);
    rig.update(builtIn());
    EXPECT_EQ(rig.boxes().back(), "box: information | Programmer QUORVA | Programmer is not ready to update "
                                  "firmware version. Please switch power off and then on.");
    EXPECT_EQ(rig.statuses().back(), "status: Error while version updating");
}

TEST(FirmwareUpdateTest, LostAcknowledgementFailsTheTransfer)
{
    sim::BoxOptions options = simulatedBox();
    options.faults.disconnectAfterBytes = 2000;
    UpdateRig rig(options);
    rig.ui.selfProgramNext(true);
    rig.update(builtIn());
    EXPECT_EQ(rig.boxes().back(), "box: information | Programmer QUORVA | Connection error");
    EXPECT_EQ(rig.statuses().back(), "status: Error while version updating");
}

TEST(FirmwareUpdateTest, RefusedImageLeavesTheBoxInItsBootLoader)
{
    UpdateRig rig;
    rig.ui.selfProgramNext(true);
    Image damaged = builtIn();
    damaged[100] ^= 0xFF; // the checksum no longer matches
    rig.update(damaged);
    EXPECT_FALSE(rig.box.firmwareRejection().empty());
    const Lines boxes = rig.boxes();
    EXPECT_EQ(boxes.back(), "box: information | Programmer QUORVA | Update firmware version failed.");
    const Lines statuses = rig.statuses();
    EXPECT_EQ(statuses[statuses.size() - 2], "status: Update firmware version failed.");
    EXPECT_EQ(statuses.back(), "status: Error while version updating");
}

TEST(FirmwareUpdateTest, SimulatorImageNeverGoesToARealBox)
{
    sim::BoxOptions real;
    real.bootLoaderText = "QUORVA Bootloader 1.1";
    UpdateRig rig(real);
    rig.ui.selfProgramNext(true);
    rig.update(builtIn());
    ASSERT_EQ(rig.boxes().size(), 1u);
    EXPECT_EQ(rig.boxes()[0].rfind("box: stop | Programmer QUORVA | This build carries no firmware for a real "
                                   "programmer",
                                   0),
              0u);
    EXPECT_TRUE(rig.box.receivedFirmware().empty());
    EXPECT_TRUE(rig.ui.callsStartingWith("dialog: ").empty());
}

TEST(FirmwareUpdateTest, CancelledSettingsDialogSendsNothing)
{
    UpdateRig rig;
    rig.ui.selfProgramNext(std::nullopt);
    rig.update(builtIn());
    EXPECT_TRUE(rig.box.receivedFirmware().empty());
    EXPECT_TRUE(rig.ui.callsStartingWith("operation: ").empty());
}

} // namespace
} // namespace quorva
