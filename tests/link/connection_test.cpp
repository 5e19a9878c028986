#include "catalogue/device_lookup.h"
#include "data/project.h"
#include "link/connection.h"
#include "scripted_ui.h"
#include "wire_log.h"

#include "box.h"
#include "part_info.h"
#include "sim_port.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

using Lines = std::vector<std::string>;

// A simulated box on COM3 behind a recording line, with the program's side
// of a connection.
struct ConnectionRig {
    explicit ConnectionRig(const std::string& chip, sim::BoxOptions options = {})
        : box(clock, sim::makeChip(*sim::findChip(chip)), std::move(options))
    {
        simPort.attach(2, box);
        project.deviceIndex = findByName(chip);
    }

    bool connect(int baudCode = 0) { return connection.connect(project, project.deviceIndex, 3, baudCode); }
    std::vector<int> sleeps() const { return clock.sleeps(); }
    Lines boxes() const { return ui.callsStartingWith("box: "); }
    void expectNoViolations() const { EXPECT_TRUE(box.violations().empty()) << box.violationReport(); }

    RecordingClock clock;
    sim::Box box;
    sim::SimPort simPort{clock};
    test::WireLog wire{simPort};
    test::ScriptedUi ui;
    Project project{ui};
    Connection connection{wire, clock, ui};
};

const std::string kInfo = "box: information | Programmer QUORVA | ";

TEST(ConnectionTest, AvrConnectionSendsTheSequenceWithItsWaits)
{
    ConnectionRig rig("ATmega8");
    rig.project.resetStrobeLength = 99;
    ASSERT_TRUE(rig.connect());
    EXPECT_EQ(rig.wire.entries(), (Lines{"open COM3 19200", "send 25", "send 40", "send 26 02", "send 3A 00 00",
                                         "send 23 00 82 00", "send 51", "send 3D"}));
    EXPECT_EQ(rig.sleeps(), (std::vector<int>{50, 50, 50, 50, 99}));
    EXPECT_EQ(rig.ui.callsStartingWith("status: "), (Lines{"status: Reset strobe... (99 ms)",
                                                           "status: Connection accepted"}));
    EXPECT_EQ(rig.connection.connectionDevice()->name, std::string("ATmega8/8A"));

    rig.wire.clear();
    rig.clock.clearSleeps();
    EXPECT_TRUE(rig.connection.closeConnection());
    EXPECT_EQ(rig.wire.entries(), (Lines{"send 2D", "send 23 00 82 00", "close"}));
    EXPECT_EQ(rig.sleeps(), (std::vector<int>{150, 150}));
    rig.expectNoViolations();
}

TEST(ConnectionTest, StrobeOf100UsesTheLongPulseAndSkippedSyncSendsTheEnableItself)
{
    ConnectionRig rig("ATmega8");
    rig.project.resetStrobeLength = 100;
    rig.project.noSynchronization = true;
    ASSERT_TRUE(rig.connect());
    const Lines sends = rig.wire.sends();
    EXPECT_EQ(sends[5], "2A");
    EXPECT_EQ(sends[6], "34 AC 53 00 00");
    EXPECT_EQ(rig.sleeps().back(), 100);
    rig.expectNoViolations();
}

TEST(ConnectionTest, At89s8253GetsTheSckBitAndItsOwnProgrammingEnable)
{
    ConnectionRig rig("AT89S8253");
    rig.project.spiPeriod = 4;
    rig.project.polling = true;
    ASSERT_TRUE(rig.connect());
    const Lines sends = rig.wire.sends();
    ASSERT_EQ(sends.size(), 7u);
    EXPECT_EQ(sends[4], "23 00 86 01");
    EXPECT_EQ(sends[5], "2B");
    EXPECT_EQ(sends[6], "34 AC 53 00 00");
    EXPECT_EQ(rig.ui.lastStatus(), "Connection accepted");
    rig.wire.clear();
    rig.connection.closeConnection();
    EXPECT_EQ(rig.wire.sends(), (Lines{"2D", "23 00 86 01"}));
    rig.expectNoViolations();
}

TEST(ConnectionTest, At25UsesTheThreeByteEnable)
{
    ConnectionRig rig("AT25256");
    ASSERT_TRUE(rig.connect());
    const Lines sends = rig.wire.sends();
    EXPECT_EQ(sends[5], "2B");
    EXPECT_EQ(sends[6], "33 AC 53 00");
    rig.expectNoViolations();
}

TEST(ConnectionTest, DataFlashEntrySendsParametersByteByByteAndReadsItsStatus)
{
    ConnectionRig rig("AT45DB161D");
    rig.project.spiPeriod = 0;
    ASSERT_TRUE(rig.connect());
    Lines sends = rig.wire.sends();
    ASSERT_EQ(sends.size(), 14u);
    EXPECT_EQ(sends[2].substr(0, 2), "26");
    sends.erase(sends.begin() + 2);
    EXPECT_EQ(sends, (Lines{"25", "40", "3A 00 00", "23 00 04 00", "23", "00", "80", "00", "6C", "36", "D7", "37",
                            "6B"}));
    EXPECT_EQ(rig.sleeps(), (std::vector<int>{50, 50, 50, 50, 150, 1, 1, 1, 25, 25, 15, 15}));
    // The status line is left as it was.
    EXPECT_TRUE(rig.ui.callsStartingWith("status: ").empty());
    rig.expectNoViolations();
}

TEST(ConnectionTest, HighSpeedReopensAndClosingReturnsTheBoxTo19200)
{
    ConnectionRig rig("ATmega328P");
    ASSERT_TRUE(rig.connect(2));
    const Lines entries = rig.wire.entries();
    EXPECT_EQ(entries[5], "send 23 02 82 00");
    EXPECT_EQ(entries[6], "close");
    EXPECT_EQ(entries[7], "open COM3 921600");
    const std::vector<int> sleeps = rig.sleeps();
    EXPECT_EQ(std::vector<int>(sleeps.begin(), sleeps.begin() + 6), (std::vector<int>{50, 50, 50, 50, 45, 45}));
    EXPECT_EQ(rig.box.baud(), 921600);

    rig.wire.clear();
    EXPECT_TRUE(rig.connection.closeConnection());
    EXPECT_EQ(rig.wire.entries(), (Lines{"send 2D", "send 23 00 82 00", "close"}));
    EXPECT_EQ(rig.box.baud(), 19200);
    ASSERT_TRUE(rig.connect()); // the next connection starts at 19200
    rig.expectNoViolations();
}

TEST(ConnectionTest, FirmwareCodesDecideWhetherToGoOn)
{
    struct Case {
        const char* code;
        Lines boxes;
        const char* status;
        bool bootLoader;
        bool conflict;
    };
    const Case cases[] = {
        {"err", {kInfo + "Internal error while synchronizing with programmer"}, "Connection error", false, false},
        {"ld2",
         {kInfo + "Version conflict. Update firmware version with '\\Advanced\\Update firmware version...' command."},
         "Version conflict. You need to update firmware version.", true, false},
        {"ldr",
         {kInfo + "Version conflict. Update firmware version with '\\Advanced\\Update firmware version...' command."},
         "Version conflict. You need to update firmware version.", true, false},
        {"11a", {kInfo + "Version conflict.\nFW version: 1.1a\nRequired version 1.0c.\nUpdate version and try again."},
         "Version conflict. You need to update firmware version.", false, true},
    };
    for (const Case& c : cases) {
        sim::BoxOptions options;
        options.firmwareCode = c.code;
        ConnectionRig rig("ATmega8", options);
        EXPECT_FALSE(rig.connect()) << c.code;
        EXPECT_EQ(rig.boxes(), c.boxes) << c.code;
        EXPECT_EQ(rig.ui.lastStatus(), c.status) << c.code;
        EXPECT_EQ(rig.connection.bootLoaderSeen(), c.bootLoader) << c.code;
        EXPECT_EQ(rig.connection.versionConflict(), c.conflict) << c.code;
        EXPECT_FALSE(rig.simPort.connected()) << c.code;
    }
}

TEST(ConnectionTest, PingFailures)
{
    {
        sim::BoxOptions options;
        options.faults.silentAfter = 0;
        ConnectionRig rig("ATmega8", options);
        EXPECT_FALSE(rig.connect());
        EXPECT_EQ(rig.boxes(), Lines{kInfo + "Connection error"});
        EXPECT_EQ(rig.ui.lastStatus(), "Connection error");
        // The port is held exclusively: a failed command must give it back.
        EXPECT_FALSE(rig.simPort.connected());
        Connection::Version version;
        EXPECT_FALSE(rig.connection.readVersion(3, version, false));
        EXPECT_FALSE(rig.simPort.connected());
        EXPECT_EQ(rig.connection.searchProgrammer(), 0);
        EXPECT_FALSE(rig.simPort.connected());
    }
    {
        sim::BoxOptions options;
        options.firmwareInstalled = false;
        ConnectionRig rig("ATmega8", options);
        EXPECT_FALSE(rig.connect());
        EXPECT_EQ(rig.boxes(), Lines{kInfo + "Programmer has no firmware and should be updated. Use \"Update "
                                              "firmware version\" command from \"Advanced\" menu."});
        EXPECT_EQ(rig.wire.sends(), Lines{"25"}); // nothing further
        EXPECT_FALSE(rig.simPort.connected());
    }
    {
        // A stale byte: a second Ping after 150 ms, then the line is drained.
        sim::BoxOptions options;
        options.faults.staleByte = 0x55;
        ConnectionRig rig("ATmega8", options);
        EXPECT_TRUE(rig.connect());
        const Lines sends = rig.wire.sends();
        EXPECT_EQ(sends[0], "25");
        EXPECT_EQ(sends[1], "25");
        EXPECT_EQ(rig.sleeps()[1], 150);
        rig.expectNoViolations();
    }
}

TEST(ConnectionTest, BusyOrMissingPortSaysWhy)
{
    ConnectionRig rig("ATmega8");
    EXPECT_FALSE(rig.connection.connect(rig.project, rig.project.deviceIndex, 7, 0)); // nothing on COM7
    EXPECT_EQ(rig.ui.lastStatus(), "Connection error");
    ASSERT_EQ(rig.boxes().size(), 1u);
    EXPECT_EQ(rig.boxes()[0].rfind(kInfo + "Connection error: cannot open COM port. Check for other applications "
                                           "using it.", 0),
              0u);
}

TEST(ConnectionTest, VersionAndSerialNumber)
{
    ConnectionRig rig("ATmega8");
    Connection::Version version;
    ASSERT_TRUE(rig.connection.readVersion(3, version, false));
    EXPECT_EQ(version.text, "QUORVA ISP 1.0c");
    EXPECT_EQ(version.serial, (std::array<int, 5>{0x51, 0x56, 0x0A, 0x01, 0x2C}));
    EXPECT_EQ(rig.ui.lastStatus(), "QUORVA ISP 1.0c (Serial number 51 56 0A 01 2C)");
    EXPECT_EQ(rig.wire.sends(), (Lines{"25", "40", "3F", "4E", "1B"}));
    EXPECT_EQ(rig.connection.firmwareCode(), (std::array<char, 3>{'1', '0', 'c'}));

    rig.ui.clearCalls();
    rig.connection.showProgrammerInfo(3);
    EXPECT_EQ(rig.ui.callsStartingWith("box: "),
              Lines{"box: none | Programmer QUORVA | QUORVA ISP 1.0c\nVoltage: 3.3 ... 5.0 V\nSerial number: 51 56 0A "
                    "01 2C"});

    rig.ui.clearCalls();
    EXPECT_FALSE(rig.connection.readVersion(0, version, false));
    EXPECT_EQ(rig.ui.calls(), (Lines{"status: Reading firmware version...",
                                     "status: Select COM port or click 'search board'",
                                     kInfo + "No board specified"}));
}

TEST(ConnectionTest, VersionTextFaults)
{
    {
        sim::BoxOptions options;
        options.versionText = "";
        ConnectionRig rig("ATmega8", options);
        Connection::Version version;
        EXPECT_FALSE(rig.connection.readVersion(3, version, false));
        EXPECT_EQ(rig.boxes(), Lines{kInfo + "Error reading version"});
        EXPECT_EQ(version.text, "Unknown firmware version");
    }
    {
        // The serial number must end with 0x0D.
        sim::BoxOptions options;
        options.faults.wrongAcks.push_back({0x4E, 1, 0x00});
        ConnectionRig rig("ATmega8", options);
        Connection::Version version;
        EXPECT_FALSE(rig.connection.readVersion(3, version, false));
        EXPECT_EQ(rig.boxes(), Lines{kInfo + "Error reading serial number"});
        EXPECT_FALSE(rig.simPort.connected());
    }
    {
        // A version text naming the boot loader means there is no firmware.
        sim::BoxOptions options;
        options.versionText = "QUORVA BOOTLOADER";
        ConnectionRig rig("ATmega8", options);
        Connection::Version version;
        EXPECT_FALSE(rig.connection.readVersion(3, version, false));
        EXPECT_EQ(rig.boxes().size(), 1u);
        EXPECT_NE(rig.boxes()[0].find("has no firmware"), std::string::npos);
    }
}

TEST(ConnectionTest, SearchFindsEveryBoxAndChoosesTheFirst)
{
    RecordingClock clock;
    sim::Box third(clock, sim::makeChip(*sim::findChip("ATmega8")));
    sim::Box fifth(clock, sim::makeChip(*sim::findChip("ATmega8")));
    sim::SimPort port(clock);
    port.attach(2, third);
    port.attach(4, fifth);
    test::ScriptedUi ui;
    Connection connection(port, clock, ui);
    EXPECT_EQ(connection.searchProgrammer(), 3);
    EXPECT_EQ(ui.lastStatus(), "QUORVA ISP 1.0c on COM3,  QUORVA ISP 1.0c on COM5");
    EXPECT_TRUE(ui.callsStartingWith("box: ").empty()); // ports that do not open stay quiet
    EXPECT_EQ(ui.callsStartingWith("status: ")[0], "status: Searching for programmer...");
    EXPECT_EQ(ui.callsStartingWith("status: ")[8], "status: Searching for programmer on COM8");

    sim::SimPort empty(clock);
    test::ScriptedUi nobody;
    Connection none(empty, clock, nobody);
    EXPECT_EQ(none.searchProgrammer(), 0);
    EXPECT_EQ(nobody.lastStatus(), "Programmer was not found");
}

} // namespace
} // namespace quorva
