#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "base/messages.h"
#include "catalogue/device_lookup.h"
#include "catalogue/device_report.h"

namespace quorva {
namespace {

std::size_t countOf(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

TEST(DeviceReport, ListHasOneLinePerEntry)
{
    const std::string list = deviceListText();
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), kDeviceCount + 1);
    EXPECT_NE(list.find("   20  ATmega8/8A           ATmega...  1E 93 07      8192     512    64\n"), std::string::npos);
    // AT45 entries hold a page-shift code, not an Eeprom size.
    EXPECT_NE(list.find("AT45DB642D           AT45...    1F 28 00   8650752       -  1056"), std::string::npos);
}

TEST(DeviceReport, JsonCarriesEveryField)
{
    const std::string json = deviceListJson();
    EXPECT_EQ(json.front(), '[');
    EXPECT_EQ(countOf(json, "{\"index\": "), static_cast<std::size_t>(kDeviceCount));
    EXPECT_NE(
        json.find("{\"index\": 18, \"family\": 5, \"name\": \"AT90PWM81\", \"pageSize\": 32, \"flashSize\": 8192, "
                  "\"eepromSize\": 512, \"signature\": [30, 147, 136], \"altSignature\": [30, 147, 136], "
                  "\"protocol\": 0, \"flashWriteTiming\": 220, \"flashReadTiming\": 220, "
                  "\"eepromWriteTiming\": 220, \"eepromReadTiming\": 220, \"pageWriteDelay\": 15, "
                  "\"connectMode\": 2, \"fuseLayout\": 5, \"skipSync\": 0, \"calibrationCount\": 4, "
                  "\"deviceNo\": 99},"),
        std::string::npos);
    EXPECT_EQ(json.substr(json.size() - 4), "}\n]\n");
}

TEST(DeviceReport, DetailsShowWhatFusesDo)
{
    setRussianUi(false);
    const std::string details = deviceDetailsText(findByName("ATmega8"));
    EXPECT_NE(details.find("Fuse byte 1:    write AC A8 FF FF, read 58 08 00"), std::string::npos);
    EXPECT_NE(details.find("13  SPIEN            1          5   +1 must stay programmed"), std::string::npos);
    EXPECT_NE(details.find("BLB12  bit 5"), std::string::npos);
    EXPECT_NE(details.find("2  LB1+LB2: R&W protect"), std::string::npos);

    const std::string pwm = deviceDetailsText(findByName("AT90PWM216"));
    EXPECT_NE(pwm.find("16  BOOTRST          not written"), std::string::npos);

    EXPECT_NE(deviceDetailsText(findByName("AT89S51")).find("one instruction per level"), std::string::npos);
    EXPECT_TRUE(deviceDetailsText(-1).empty());
}

} // namespace
} // namespace quorva
