#include "rig.h"

#include "firmware_image.h"

namespace quorva::sim::test {
namespace {

TEST(BoxCommands, AnswersTheIdentificationCommandsOfARunningBox)
{
    Rig rig("ATmega8");
    EXPECT_EQ(rig.ask({0x25}, 1), Bytes{'+'});
    EXPECT_EQ(rig.ask({0x40}, 3), (Bytes{'1', '0', 'c'}));
    const Bytes text = rig.ask({0x3F}, 1);
    ASSERT_EQ(text.size(), 1u);
    const Bytes rest = rig.read(text[0] + 1u);
    ASSERT_EQ(rest.size(), text[0] + 1u);
    EXPECT_EQ(std::string(rest.begin(), rest.end() - 1), "QUORVA ISP 1.0c");
    EXPECT_EQ(rest.back(), 0x0D);
    EXPECT_EQ(rig.ask({0x4E}, 6), (Bytes{0x51, 0x56, 0x0A, 0x01, 0x2C, 0x0D}));
    EXPECT_TRUE(rig.silent());
    rig.expectNoViolations();
}

TEST(BoxCommands, ConfiguredCodesTextsAndPingAnswer)
{
    BoxOptions options;
    options.firmwareCode = "ld2";
    options.pingAnswer = '*';
    options.versionText = "";
    Rig rig("ATmega8", options);
    EXPECT_EQ(rig.ask({0x25}, 1), Bytes{'*'});
    EXPECT_EQ(rig.ask({0x40}, 3), (Bytes{'l', 'd', '2'}));
    EXPECT_EQ(rig.ask({0x3F}, 2), (Bytes{0x00, 0x0D}));
}

TEST(BoxCommands, KeepsPerConnectionStateAndSwitchesSpeedAfterTheReply)
{
    Rig rig("ATmega8");
    rig.handshake(2);
    EXPECT_EQ(rig.box.connectMode(), 2);
    EXPECT_EQ(rig.ask({0x57, 220}, 1), Bytes{0x0D});
    EXPECT_EQ(rig.box.byteDelay(), 220);
    // The acknowledgement still comes at 19200; the line speed changes after it.
    EXPECT_EQ(rig.ask({0x23, 0x02, 0x81, 0x01}, 1), Bytes{0x0D});
    EXPECT_EQ(rig.box.baud(), 921600);
    EXPECT_EQ(rig.box.sckCode(), 0x81);
    EXPECT_TRUE(rig.box.polling());
    // A PC that stays at 19200 is not understood.
    rig.send({0x25});
    EXPECT_TRUE(rig.silent());
    ASSERT_EQ(rig.box.violations().size(), 1u);
    EXPECT_EQ(rig.box.violations()[0].kind, ViolationKind::WrongLineSpeed);
    rig.box.clearViolations();
    rig.port.open(2, 921600);
    EXPECT_EQ(rig.ask({0x25}, 1), Bytes{'+'});
    // Closing: back to 19200 after the reply.
    EXPECT_EQ(rig.ask({0x2D}, 1), Bytes{0x0D});
    EXPECT_EQ(rig.ask({0x23, 0x00, 0x82, 0x00}, 1), Bytes{0x0D});
    EXPECT_EQ(rig.box.baud(), 19200);
    rig.expectNoViolations();
}

TEST(BoxCommands, RecordsWhatThePcGetsWrong)
{
    Rig rig("ATmega8");
    rig.handshake(2);
    EXPECT_EQ(rig.ask({0x3A, 0x01, 0x00}, 1), Bytes{0x0D});
    EXPECT_EQ(rig.ask({0x7D, 0x10}, 16).size(), 16u); // no SetByteDelay yet
    rig.ask({0x57, 220}, 1);
    EXPECT_EQ(rig.ask({0x7D, 65}, 65).size(), 65u);
    rig.send({0x99});
    EXPECT_TRUE(rig.silent());
    rig.send({0x25});
    rig.send({0x25}); // before reading the first answer
    rig.read(2);
    const auto v = rig.box.violations();
    ASSERT_EQ(v.size(), 5u) << rig.box.violationReport();
    EXPECT_EQ(v[0].kind, ViolationKind::AddressNotZero);
    EXPECT_EQ(v[1].kind, ViolationKind::NoByteDelay);
    EXPECT_EQ(v[2].kind, ViolationKind::CountAbove64);
    EXPECT_EQ(v[3].kind, ViolationKind::UnknownCommand);
    EXPECT_EQ(v[4].kind, ViolationKind::ReplyNotRead);
}

TEST(BoxCommands, TakesBlocksInPieces)
{
    Rig rig("AT45DB041D");
    rig.handshake(0, 0x04);
    EXPECT_EQ(rig.ask({0x4C}, 1), Bytes{0x0D});
    // Buffer write of 4 data bytes: count split from its data, data in two pieces.
    rig.send({0x30});
    rig.send({0x00});
    rig.send({0x08, 0x84, 0x00});
    EXPECT_TRUE(rig.silent());
    rig.send({0x00, 0x00, 0xDE, 0xAD});
    EXPECT_TRUE(rig.silent());
    EXPECT_EQ(rig.ask({0xBE, 0xEF}, 1), Bytes{0x0D});
    EXPECT_EQ(rig.ask({0x55}, 1), Bytes{0x0D});
    // Read it back with a buffer read (D4, 3 address bytes, 1 dummy).
    rig.ask({0x4C}, 1);
    EXPECT_EQ(rig.ask({0x30, 0x00, 0x05, 0xD4, 0x00, 0x00, 0x00, 0x00}, 1), Bytes{0x0D});
    EXPECT_EQ(rig.ask({0x31, 0x00, 0x04}, 5), (Bytes{0xDE, 0xAD, 0xBE, 0xEF, 0x0D}));
    rig.expectNoViolations();
}

// A PC that falls behind gets every reply byte once, in order, however far
// behind it falls.
TEST(BoxCommands, KeepsRepliesInOrderForAReaderThatFallsBehind)
{
    Rig rig("ATmega8");
    rig.handshake(2);
    Bytes expected;
    Bytes got;
    for (int i = 0; i < 3000; ++i) {
        rig.send({0x40, 0x25});
        expected.insert(expected.end(), {'1', '0', 'c', '+'});
        const Bytes part = rig.read(static_cast<std::size_t>(i % 4));
        got.insert(got.end(), part.begin(), part.end());
    }
    const Bytes rest = rig.read(expected.size() - got.size());
    got.insert(got.end(), rest.begin(), rest.end());
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(rig.silent());
}

TEST(BoxCommands, EscapeHasNoReply)
{
    Rig rig("ATmega8");
    EXPECT_EQ(rig.ask({0x25}, 1), Bytes{'+'});
    rig.send({0x1B});
    EXPECT_TRUE(rig.silent());
    rig.expectNoViolations();
}

} // namespace
} // namespace quorva::sim::test

namespace quorva::sim::test {
namespace {

TEST(SimPort, SeveralBoxesOnDifferentPortsForTheSearch)
{
    RecordingClock clock;
    Box com3(clock, makeChip(*findChip("ATmega8")));
    Box com5(clock, makeChip(*findChip("ATmega8")));
    SimPort port(clock);
    port.attach(2, com3);
    port.attach(4, com5);
    port.addSilentPort(0);
    EXPECT_FALSE(port.open(1, 19200));
    EXPECT_STREQ(port.status(), "Error in CreateFile");
    ASSERT_TRUE(port.open(0, 19200));
    ASSERT_TRUE(port.sendByte(0x25));
    EXPECT_EQ(port.receiveByte(), -1);
    EXPECT_EQ(clock.tickMs(), 2800u);
    for (int index : {2, 4}) {
        ASSERT_TRUE(port.open(index, 19200));
        ASSERT_TRUE(port.sendByte(0x25));
        EXPECT_EQ(port.receiveByte(), '+');
    }
    EXPECT_EQ(com3.commandCount(), 1u);
    EXPECT_EQ(com5.commandCount(), 1u);
    port.close();
    EXPECT_FALSE(port.sendByte(0x25));
    EXPECT_STREQ(port.status(), "Send: not connected");
    EXPECT_EQ(port.receive(1), nullptr);
}

} // namespace
} // namespace quorva::sim::test
