#include <gtest/gtest.h>

#include "base/messages.h"
#include "catalogue/device_lookup.h"
#include "catalogue/fuse_warnings.h"

namespace quorva {
namespace {

class FuseWarnings : public ::testing::Test {
protected:
    void SetUp() override { setRussianUi(false); }

    static const FuseLayout& layoutOf(const char* name)
    {
        return fuseLayoutOf(deviceTable[static_cast<std::size_t>(findByName(name))]);
    }

    static LockFuseState safeAtmega8()
    {
        LockFuseState state;
        state.fuse[13] = true;   // SPIEN
        return state;
    }
};

TEST_F(FuseWarnings, Atmega8WithSpienReleasedAsksToContinue)
{
    const std::vector<std::string> lines = dangerousSettingLines(layoutOf("ATmega8"), LockFuseState{});
    ASSERT_EQ(lines, (std::vector<std::string>{"\n  -  SPIEN should be programmed"}));
    EXPECT_EQ(dangerousSettingsQuestion(lines), std::string(messageText(1001)) + lines[0] + "\nContinue?");
    EXPECT_TRUE(dangerousSettingLines(layoutOf("ATmega8"), safeAtmega8()).empty());
    EXPECT_TRUE(dangerousSettingsQuestion({}).empty());
}

TEST_F(FuseWarnings, At89s8253BothClasses)
{
    LockFuseState state;
    state.fuse[3] = true;   // Extern Clock En programmed, SerialPrgEn released
    EXPECT_EQ(dangerousSettingLines(layoutOf("AT89S8253"), state),
              (std::vector<std::string>{"\n  -  SerialPrgEn should be programmed",
                                        "\n  -  Extern Clock En should be unprogrammed"}));
}

TEST_F(FuseWarnings, ExternalClockOnlyWhereTheFirstBitsAreCksel)
{
    LockFuseState external = safeAtmega8();
    for (std::size_t k = 0; k < 4; ++k)
        external.fuse[k] = true;
    EXPECT_EQ(dangerousSettingLines(layoutOf("ATmega8"), external),
              (std::vector<std::string>{messageText(1165)}));

    external.fuse[2] = false;
    EXPECT_TRUE(dangerousSettingLines(layoutOf("ATmega8"), external).empty());

    // ATtiny13's first four bits are CKSEL0, CKSEL1, SUT0, SUT1; it has no warnings at all.
    LockFuseState all;
    all.fuse.fill(true);
    EXPECT_TRUE(dangerousSettingLines(layoutOf("ATtiny13"), all).empty());
    // ATtiny26 has SPIEN but no warning classes; CKSEL3..0 still warn.
    EXPECT_EQ(dangerousSettingLines(layoutOf("ATtiny26"), all).size(), 1u);
}

TEST_F(FuseWarnings, ForcingSafeValues)
{
    LockFuseState state;
    state.fuse[3] = true;
    state.fuse[1] = true;
    forceSafeFuses(layoutOf("AT89S8253"), state);
    EXPECT_TRUE(state.fuse[0]);
    EXPECT_TRUE(state.fuse[1]);   // no warning class: untouched
    EXPECT_FALSE(state.fuse[3]);

    LockFuseState avr;
    forceSafeFuses(layoutOf("ATmega328P"), avr);
    EXPECT_TRUE(avr.fuse[13]);
    EXPECT_TRUE(dangerousSettingLines(layoutOf("ATmega328P"), avr).empty());
}

} // namespace
} // namespace quorva
