#include "rig.h"

#include "fault_plan.h"

namespace quorva::sim::test {
namespace {

BoxOptions withFault(const char* text)
{
    BoxOptions options;
    std::string error;
    EXPECT_TRUE(parseFault(text, options.faults, &error)) << error;
    return options;
}

TEST(Faults, ParsesTheirTextForms)
{
    FaultPlan plan;
    std::string error;
    EXPECT_TRUE(parseFault("ack=0x26:2:0x00", plan, &error));
    ASSERT_EQ(plan.wrongAcks.size(), 1u);
    EXPECT_EQ(plan.wrongAcks[0].command, 0x26);
    EXPECT_EQ(plan.wrongAcks[0].occurrence, 2u);
    EXPECT_FALSE(parseFault("ack=0x26:0:0x00", plan, &error));
    EXPECT_FALSE(parseFault("signature=ATnothing", plan, &error));
    EXPECT_FALSE(parseFault("stale=0x100", plan, &error));
    EXPECT_FALSE(parseFault("thunder", plan, &error));
    EXPECT_TRUE(parseFault("slow-chip=4", plan, &error));
    EXPECT_EQ(plan.slowChip, 4u);
    EXPECT_FALSE(parseFault("slow-chip=0", plan, &error));
    EXPECT_TRUE(parseFault("never-ready", plan, &error));
    EXPECT_TRUE(plan.neverReady);
}

TEST(Faults, SlowChipsAndOnesThatNeverGetReady)
{
    // An ATmega8 page write takes 4.5 ms; three times slower, 13.5 ms.
    for (const char* fault : {"slow-chip=3", "never-ready"}) {
        SCOPED_TRACE(fault);
        Rig rig("ATmega8", withFault(fault));
        rig.enterAvr();
        rig.goFast();
        rig.spi4(0x4C, 0x00, 0x00, 0x00);
        rig.clock.sleepMs(10);
        EXPECT_EQ(rig.spiRead4(0xF0, 0x00, 0x00) & 0x01, 0x01);
        rig.clock.sleepMs(1000);
        const bool never = std::string(fault) == "never-ready";
        EXPECT_EQ(rig.spiRead4(0xF0, 0x00, 0x00) & 0x01, never ? 0x01 : 0x00);
    }
}

TEST(Faults, SilenceFromTheStartOrAfterSomeCommands)
{
    Rig dead("ATmega8", withFault("silence"));
    dead.send({0x25});
    EXPECT_TRUE(dead.silent());
    EXPECT_EQ(dead.clock.tickMs(), 2800u) << "the time-out is accounted on the clock";

    Rig rig("ATmega8", withFault("silence=2"));
    EXPECT_EQ(rig.ask({0x25}, 1), Bytes{'+'});
    EXPECT_EQ(rig.ask({0x40}, 3).size(), 3u);
    rig.send({0x26, 0x02});
    EXPECT_TRUE(rig.silent());
}

TEST(Faults, StaleByteBeforeTheFirstPingAnswer)
{
    Rig rig("ATmega8", withFault("stale=0x3F"));
    EXPECT_EQ(rig.ask({0x25}, 1), Bytes{0x3F});
    rig.clock.sleepMs(150);
    EXPECT_EQ(rig.ask({0x25}, 1), Bytes{'+'});
    int drained = 0;
    while (rig.port.receiveByte() != -1)
        ++drained;
    EXPECT_EQ(drained, 1);
    EXPECT_EQ(rig.ask({0x25}, 1), Bytes{'+'});
    rig.expectNoViolations();
}

TEST(Faults, WrongAcknowledgementOfAChosenCommand)
{
    Rig rig("ATmega8", withFault("ack=0x26:2:0x00"));
    EXPECT_EQ(rig.ask({0x25}, 1), Bytes{'+'});
    EXPECT_EQ(rig.ask({0x26, 0x02}, 1), Bytes{0x0D});
    EXPECT_EQ(rig.ask({0x26, 0x02}, 1), Bytes{0x00});
    EXPECT_EQ(rig.ask({0x26, 0x02}, 1), Bytes{0x0D});
}

TEST(Faults, PollingErrorOnTheKthCompositeWrite)
{
    Rig rig("ATmega8", withFault("polling=2"));
    rig.enterAvr();
    rig.ask({0x57, 220}, 1);
    rig.send({0x7B, 2});
    EXPECT_EQ(rig.ask({0x01, 0x02}, 1), Bytes{0x0D});
    rig.send({0x7B, 2});
    EXPECT_EQ(rig.ask({0x03, 0x04}, 1), Bytes{0x1B});
}

TEST(Faults, PollingFailsForALockedChip)
{
    BoxOptions options = withFault("locked");
    Rig rig("ATmega16", options);
    rig.enterAvr();
    rig.ask({0x23, 0x00, 0x82, 0x01}, 1);
    rig.ask({0x57, 192}, 1);
    rig.send({0x3E, 1});
    EXPECT_EQ(rig.ask({0x42}, 1), Bytes{0x1B});
}

TEST(Faults, DisconnectAfterSomeBytes)
{
    Rig rig("ATmega8", withFault("disconnect=3"));
    EXPECT_EQ(rig.ask({0x25}, 1), Bytes{'+'});
    rig.send({0x26, 0x02}); // bytes 2 and 3
    EXPECT_EQ(rig.read(1), Bytes{0x0D});
    EXPECT_TRUE(rig.port.sendByte(0x25)); // lost on the way
    EXPECT_TRUE(rig.silent());
    EXPECT_FALSE(rig.port.sendByte(0x25));
    EXPECT_FALSE(rig.port.open(2, 19200)) << "the device is gone";
    rig.box.powerCycle();
    EXPECT_TRUE(rig.port.open(2, 19200));
    EXPECT_EQ(rig.ask({0x25}, 1), Bytes{'+'});
}

TEST(Faults, SlowRepliesArriveLateOrNotAtAll)
{
    Rig rig("ATmega8", withFault("slow=500"));
    const std::uint64_t start = rig.box.nowUs();
    EXPECT_EQ(rig.ask({0x25}, 1), Bytes{'+'});
    EXPECT_GE(rig.box.nowUs() - start, 500000u);
    Rig slower("ATmega8", withFault("slow=3000"));
    slower.send({0x25});
    EXPECT_TRUE(slower.silent());
}

} // namespace
} // namespace quorva::sim::test
