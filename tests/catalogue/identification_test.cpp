#include <gtest/gtest.h>

#include "base/messages.h"
#include "catalogue/identification.h"

namespace quorva {
namespace {

TEST(Identification, KnownDevices)
{
    const Identification atmega88p = identify({0x1E, 0x93, 0x0F});
    EXPECT_EQ(atmega88p.deviceIndex, 23);
    EXPECT_EQ(atmega88p.text(), "ATmega88/88P/88PA");
    EXPECT_FALSE(atmega88p.locked);
    EXPECT_EQ(identify({0x1F, 0x26, 0x00}, IdentifyRule::AfterErase).deviceIndex, 84);
}

TEST(Identification, Outcomes)
{
    setRussianUi(false);
    const Identification locked = identify({0x00, 0x01, 0x02});
    EXPECT_FALSE(locked.found());
    EXPECT_TRUE(locked.locked);
    EXPECT_EQ(locked.outcomeId, 1080);
    EXPECT_EQ(locked.text(), "Device is locked");

    EXPECT_EQ(identify({0x1E, 0x99, 0x99}).outcomeId, 1079);
    EXPECT_EQ(identify({0x1F, 0x99, 0x99}).outcomeId, 1079);
    EXPECT_EQ(identify({0x1F, 0x99, 0x99}).text(), "Unknown ATMEL device");
    EXPECT_EQ(identify({0x00, 0x00, 0x00}).outcomeId, 1081);   // AT25 parts are never identified
    EXPECT_EQ(identify({0xFF, 0xFF, 0xFF}).outcomeId, 1081);
    EXPECT_FALSE(identify({0xFF, 0xFF, 0xFF}).locked);
}

TEST(Identification, AfterEraseOnlyAvrMakerBytesAreAtmel)
{
    EXPECT_EQ(identify({0x1E, 0x99, 0x99}, IdentifyRule::AfterErase).outcomeId, 1079);
    EXPECT_EQ(identify({0x1F, 0x99, 0x99}, IdentifyRule::AfterErase).outcomeId, 1081);
    EXPECT_TRUE(identify({0x00, 0x01, 0x02}, IdentifyRule::AfterErase).locked);
}

} // namespace
} // namespace quorva
