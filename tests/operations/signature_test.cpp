#include "ops_rig.h"

#include "dataflash_chip.h"
#include "serial_flash_chip.h"

namespace quorva::test {
namespace {

TEST(ReadSignature, IdentifiesTheChipAndSwitchesTheSelectedDevice)
{
    OpsRig rig("ATmega328P", instantBox(), "ATmega88P");
    std::vector<int> switched;
    rig.context.deviceIdentified = [&switched](int index) { switched.push_back(index); };
    rig.settings.highSpeed = 1;
    rig.commands.readSignature();
    EXPECT_EQ(rig.ui.lastStatus(), "Signature: 1E 93 0F - ATmega88/88P/88PA");
    EXPECT_EQ(switched, std::vector<int>{findByName("ATmega88P")});
    EXPECT_EQ(rig.context.lastSignature, (std::array<int, 3>{0x1E, 0x93, 0x0F}));
    EXPECT_EQ(rig.context.lastResult, 0);
    EXPECT_EQ(rig.wire.entries().back(), "close");
    EXPECT_EQ(rig.box.baud(), 19200);
    rig.expectNoViolations();

    // The selected device itself is not switched to again.
    OpsRig same("ATmega328P");
    same.context.deviceIdentified = [&switched](int index) { switched.push_back(index); };
    same.commands.readSignature();
    EXPECT_EQ(switched.size(), 1u);
}

TEST(ReadSignature, ALockedChipIsNamedSo)
{
    sim::BoxOptions locked = instantBox();
    locked.faults.lockedChip = true;
    OpsRig rig("ATmega328P", locked);
    rig.commands.readSignature();
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1111));
    EXPECT_EQ(rig.context.lastSignature, (std::array<int, 3>{0x00, 0x01, 0x02}));
}

TEST(ReadSignature, AFailedReadClosesTheConnectionAndSaysSo)
{
    sim::BoxOptions silent = instantBox();
    silent.faults.silentAfter = 8;
    OpsRig rig("ATmega328P", silent);
    rig.commands.readSignature();
    EXPECT_EQ(rig.boxes(), std::vector<std::string>{infoBox(1105)});
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1105));
    EXPECT_EQ(rig.context.lastResult, -1);
    // The second byte never came; the rest of the signature reads 255.
    EXPECT_EQ(rig.context.lastSignature, (std::array<int, 3>{0x1E, 255, 255}));
    const auto entries = rig.wire.entries();
    EXPECT_EQ(entries[entries.size() - 2], "send 2D");
    EXPECT_EQ(entries.back(), "close");
}

TEST(ReadSignature, AT89SPartsUseTheirOwnInstruction)
{
    OpsRig rig("AT89S51");
    rig.commands.readSignature();
    EXPECT_EQ(rig.sendsStartingWith("35"),
              (std::vector<std::string>{"35 28 00 00", "35 28 01 00", "35 28 02 00"}));
    EXPECT_EQ(rig.ui.lastStatus(), "Signature: 1E 51 06 - AT89S51");

    OpsRig s8253("AT89S8253");
    s8253.commands.readSignature();
    EXPECT_EQ(s8253.sendsStartingWith("35"),
              (std::vector<std::string>{"35 28 00 30", "35 28 00 31", "35 28 00 32"}));
    EXPECT_EQ(s8253.ui.lastStatus(), "Signature: 1E 73 FF - AT89S8253");
}

TEST(ReadSignature, DataFlashShowsItsPageLength)
{
    OpsRig standard("AT45DB161D");
    standard.commands.readSignature();
    EXPECT_EQ(standard.ui.lastStatus(), "Signature: 1F 26 00 - AT45DB161D, PAGE_LEN=528 bytes.");
    standard.expectNoViolations();

    OpsRig binary("AT45DB161D");
    binary.chip<sim::DataFlashChip>().setPowerOfTwo(true);
    binary.commands.readSignature();
    EXPECT_EQ(binary.ui.lastStatus(), "Signature: 1F 26 00 - AT45DB161D, PAGE_LEN=512 bytes.");
}

TEST(ReadSignature, ADataFlashWithoutAStatusByteIsAFailedRead)
{
    sim::BoxOptions silent = instantBox();
    silent.faults.silentAfter = 13; // the connection, deselect, select, D7
    OpsRig rig("AT45DB161D", silent);
    rig.commands.readSignature();
    EXPECT_EQ(rig.boxes(), std::vector<std::string>{infoBox(1105)});
    EXPECT_EQ(rig.context.lastResult, -1);
    EXPECT_EQ(rig.wire.entries().back(), "close");
}

TEST(ReadSignature, SerialFlashAnswersItsIdentification)
{
    OpsRig rig("AT26DF161A");
    rig.commands.readSignature();
    EXPECT_EQ(rig.ui.lastStatus(), "Signature: 1F 46 01 - AT26DF161A");
    EXPECT_EQ(rig.context.lastResult, 0);
    rig.expectNoViolations();
}

TEST(Calibration, ShowsFourBytesByFrequency)
{
    OpsRig rig("ATmega8/8A");
    rig.settings.highSpeed = 2;
    rig.commands.readCalibration();
    EXPECT_EQ(rig.sendsStartingWith("35"),
              (std::vector<std::string>{"35 38 00 00", "35 38 00 01", "35 38 00 02", "35 38 00 03"}));
    EXPECT_EQ(rig.ui.lastStatus(), "Calibration bytes: A1 A6 AB B0");
    EXPECT_EQ(rig.boxes(), std::vector<std::string>{std::string("box: information | ") + messageText(1025) +
                                                    " | Calibration bytes:\n\n    1 MHz: 0xA1\n    2 MHz: 0xA6"
                                                    "\n    4 MHz: 0xAB\n    8 MHz: 0xB0"});
    // Always at 19200 baud.
    EXPECT_EQ(rig.simPort.openings(), (std::vector<std::pair<int, int>>{{2, 19200}}));
    EXPECT_EQ(rig.context.lastResult, 0);
    EXPECT_EQ(rig.wire.entries().back(), "close");

    OpsRig single("ATtiny13/13A");
    single.commands.readCalibration();
    EXPECT_EQ(single.ui.lastStatus(), "Calibration byte: A1");
    EXPECT_EQ(single.boxes(), std::vector<std::string>{std::string("box: information | ") + messageText(1025) +
                                                       " | Calibration byte:\n\n    1 MHz: 0xA1"});
}

TEST(Calibration, AChipThatStopsAnsweringShowsNoPartialResult)
{
    sim::BoxOptions silent = instantBox();
    silent.faults.silentAfter = 8;
    OpsRig rig("ATmega8/8A", silent);
    rig.commands.readCalibration();
    EXPECT_EQ(rig.ui.lastStatus(), messageText(1140));
    EXPECT_EQ(rig.boxes(), std::vector<std::string>{infoBox(1027)});
    const auto calls = rig.ui.calls();
    EXPECT_EQ(calls[calls.size() - 2], "wait-cursor: off");
    EXPECT_EQ(calls.back(), infoBox(1027));
    EXPECT_EQ(rig.context.lastResult, -1);
}

} // namespace
} // namespace quorva::test
