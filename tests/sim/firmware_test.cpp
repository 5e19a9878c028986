#include "rig.h"

#include "firmware_image.h"

namespace quorva::sim::test {
namespace {

BoxOptions bootLoaderOnly()
{
    BoxOptions options;
    options.firmwareInstalled = false;
    return options;
}

// The firmware transfer: '^', '+', 3072 acknowledged groups, then drain.
void transfer(Rig& rig, const Bytes& image)
{
    ASSERT_EQ(rig.ask({0x5E}, 1), Bytes{'+'});
    for (std::size_t group = 0; group < image.size() / 4; ++group) {
        for (std::size_t i = 0; i < 4; ++i)
            ASSERT_TRUE(rig.port.sendByte(image[group * 4 + i]));
        ASSERT_NE(rig.port.receiveByte(), -1) << "group " << group;
    }
    rig.clock.sleepMs(200);
    while (rig.port.receiveByte() != -1) {
    }
}

std::string versionText(Rig& rig)
{
    const Bytes length = rig.ask({0x3F}, 1);
    const Bytes text = rig.read(length.at(0) + 1u);
    return std::string(text.begin(), text.end() - 1);
}

TEST(Firmware, BootLoaderWithoutFirmwareAnswersPingWithMinus)
{
    Rig rig("ATmega8", bootLoaderOnly());
    EXPECT_EQ(rig.ask({0x25}, 1), Bytes{'-'});
    EXPECT_EQ(rig.ask({0x40}, 3), (Bytes{'l', 'd', 'r'}));
    EXPECT_NE(versionText(rig).find("Bootloader"), std::string::npos);
    EXPECT_EQ(rig.ask({0x4E}, 6).size(), 6u);
    // Anything else goes unanswered.
    rig.send({0x26, 0x02});
    EXPECT_TRUE(rig.silent());
}

TEST(Firmware, AcceptsASimulatorImageAndRestartsIntoIt)
{
    Rig rig("ATmega8", bootLoaderOnly());
    const Bytes image = makeFirmwareImage("11a", "QUORVA ISP 1.1a");
    transfer(rig, image);
    EXPECT_EQ(rig.box.receivedFirmware(), image);
    rig.clock.sleepMs(150);
    EXPECT_EQ(rig.ask({0x25}, 1), Bytes{'+'});
    EXPECT_EQ(rig.ask({0x40}, 3), (Bytes{'1', '1', 'a'}));
    EXPECT_EQ(versionText(rig), "QUORVA ISP 1.1a");
    rig.expectNoViolations();
}

TEST(Firmware, RefusesAnythingElseAndStaysInTheBootLoader)
{
    Rig rig("ATmega8");
    // After power-up the box is in its boot loader until a Ping starts the firmware.
    EXPECT_NE(versionText(rig).find("Bootloader"), std::string::npos);
    Bytes image = makeFirmwareImage("10c", "x");
    image[100] ^= 0x01;
    transfer(rig, image);
    EXPECT_EQ(rig.box.firmwareRejection(), "checksum mismatch");
    EXPECT_EQ(rig.ask({0x25}, 1), Bytes{'-'});

    std::string reason;
    EXPECT_FALSE(checkFirmwareImage(Bytes(kFirmwareImageSize, 0x00), &reason));
    EXPECT_EQ(reason, "not a simulator image");
    EXPECT_FALSE(checkFirmwareImage(Bytes(100, 0x00), &reason));
    const auto info = checkFirmwareImage(makeFirmwareImage("ld2", "T"), &reason);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->code, "ld2");
    EXPECT_EQ(info->versionText, "T");
}

TEST(Firmware, RunningFirmwareIsNotReadyForAnUpdate)
{
    Rig rig("ATmega8");
    EXPECT_EQ(rig.ask({0x25}, 1), Bytes{'+'});
    EXPECT_EQ(rig.ask({0x5E}, 1), Bytes{'-'});
    rig.box.powerCycle();
    rig.port.open(2, 19200);
    EXPECT_EQ(rig.ask({0x5E}, 1), Bytes{'+'});
}

} // namespace
} // namespace quorva::sim::test
