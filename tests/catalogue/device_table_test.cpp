#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/device_info.h"
#include "catalogue/device_lookup.h"
#include "catalogue/fuse_layout.h"

namespace quorva {
namespace {

struct Row {
    int index = 0;
    std::string name, group;
    SignatureBytes signature{}, altSignature{};
    int flash = 0, eeprom = 0, page = 0, protocol = 0;
    int timing[4] = {};
    int delay = 0, mode = 0, layout = 0, calibration = 0, deviceNo = 0;
};

SignatureBytes parseSignature(const std::string& hex)
{
    SignatureBytes bytes{};
    for (std::size_t i = 0; i < 3; ++i)
        bytes[i] = static_cast<std::uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
    return bytes;
}

std::vector<Row> readFixture()
{
    std::ifstream in(QUORVA_TEST_DATA "/fixtures/devices.txt");
    std::vector<Row> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        Row row;
        std::string signature, alt, timing;
        fields >> row.index >> row.name >> row.group >> signature >> alt >> row.flash >> row.eeprom >> row.page >>
            row.protocol >> timing >> row.delay >> row.mode >> row.layout >> row.calibration >> row.deviceNo;
        row.signature = parseSignature(signature);
        row.altSignature = alt == "=" ? row.signature : parseSignature(alt);
        std::replace(timing.begin(), timing.end(), '/', ' ');
        std::istringstream(timing) >> row.timing[0] >> row.timing[1] >> row.timing[2] >> row.timing[3];
        rows.push_back(row);
    }
    return rows;
}

// Rows whose published values would make the program misbehave with the
// real chip; the table carries the chip's values instead.
void applyChipCorrections(std::vector<Row>& rows)
{
    rows[67].eeprom = 16384;                       // AT25128: a 128-Kbit part
    rows[10].eeprom = 64;                          // ATtiny48
    rows[14].eeprom = 64;                          // ATtiny88
    rows[78].eeprom = 2048;                        // AT90USB64x
    rows[21].eeprom = 256;                         // ATmega8HVA
    rows[28].eeprom = 256;                         // ATmega16HVA
    rows[18].signature = {0x1E, 0x93, 0x88};       // AT90PWM81
    rows[18].altSignature = {0x1E, 0x93, 0x88};
    rows[18].flash = 8192;
    rows[47].altSignature = {0x1E, 0x95, 0x04};    // ATmega3290
    rows[55].altSignature = {0x1E, 0x96, 0x03};    // ATmega649
}

TEST(DeviceTable, EveryRowMatchesTheIndependentTranscription)
{
    std::vector<Row> rows = readFixture();
    ASSERT_EQ(rows.size(), static_cast<std::size_t>(kDeviceCount));
    applyChipCorrections(rows);
    const std::map<std::string, int> groups = {{"AT25", 0}, {"AT26", 1}, {"AT45", 2}, {"AT86", 3}, {"AT89S", 4},
                                               {"AT90", 5}, {"ATtiny", 6}, {"ATmega", 7}, {"ATA", 8}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_EQ(row.index, &row - rows.data());
        const DeviceInfo& d = deviceTable[static_cast<std::size_t>(row.index)];
        EXPECT_EQ(d.name, row.name);
        EXPECT_EQ(d.family, groups.at(row.group));
        EXPECT_EQ(d.signature, row.signature);
        EXPECT_EQ(d.altSignature, row.altSignature);
        EXPECT_EQ(d.flashSize, row.flash);
        EXPECT_EQ(d.eepromSize, row.eeprom);
        EXPECT_EQ(d.pageSize, row.page);
        EXPECT_EQ(d.protocol, row.protocol);
        EXPECT_EQ(d.flashWriteTiming, row.timing[0]);
        EXPECT_EQ(d.flashReadTiming, row.timing[1]);
        EXPECT_EQ(d.eepromWriteTiming, row.timing[2]);
        EXPECT_EQ(d.eepromReadTiming, row.timing[3]);
        EXPECT_EQ(d.pageWriteDelay, row.delay);
        EXPECT_EQ(d.connectMode, row.mode);
        EXPECT_EQ(d.fuseLayout, row.layout);
        EXPECT_EQ(d.skipSync, 0);
        EXPECT_EQ(d.calibrationCount, row.calibration);
        EXPECT_EQ(d.deviceNo, row.deviceNo);
    }
}

TEST(DeviceTable, CorrectedRowsCarryTheChipsValues)
{
    EXPECT_EQ(deviceTable[67].eepromSize, 16384) << "AT25128";
    EXPECT_EQ(deviceTable[10].eepromSize, 64) << "ATtiny48";
    EXPECT_EQ(deviceTable[14].eepromSize, 64) << "ATtiny88";
    EXPECT_EQ(deviceTable[78].eepromSize, 2048) << "AT90USB64x";
    EXPECT_EQ(deviceTable[21].eepromSize, 256) << "ATmega8HVA";
    EXPECT_EQ(deviceTable[28].eepromSize, 256) << "ATmega16HVA";
    EXPECT_EQ(deviceTable[18].flashSize, 8192) << "AT90PWM81";
    EXPECT_EQ(findBySignature(0x1E, 0x93, 0x88), 18) << "AT90PWM81";
    EXPECT_EQ(findBySignature(0x1E, 0x95, 0x04), 47) << "ATmega3290";
    EXPECT_EQ(findBySignature(0x1E, 0x96, 0x03), 55) << "ATmega649";
}

TEST(DeviceTable, IntegrityOverTheWholeTable)
{
    std::set<int> numbers;
    for (int index = 0; index < kDeviceCount; ++index) {
        const DeviceInfo& d = deviceTable[static_cast<std::size_t>(index)];
        SCOPED_TRACE(d.name);
        ASSERT_GE(d.fuseLayout, 0);
        ASSERT_LT(d.fuseLayout, kFuseLayoutCount);
        const bool hasFuses = (d.protocol == ProtocolAvr && d.family >= FamilyAt90) || d.protocol == ProtocolAt89s8253;
        EXPECT_EQ(fuseLayoutOf(d).fuseBitCount > 0, hasFuses);
        // The shared number 61 (ATmega324A/PA) is the only duplicate.
        if (!numbers.insert(d.deviceNo).second) {
            EXPECT_EQ(d.deviceNo, 61);
        }
        // Every identifiable entry is found by its own bytes, itself or an
        // earlier entry sharing them.
        if (d.family != FamilyAt25) {
            const int found = findBySignature(d.signature);
            ASSERT_GE(found, 0);
            EXPECT_LE(found, index);
        }
    }
}

TEST(DeviceLookup, SharedSignaturesResolveToTheFirstEntry)
{
    EXPECT_EQ(findBySignature(0x1E, 0x93, 0x0A), 23);   // not ATA6602/6612
    EXPECT_EQ(findBySignature(0x1E, 0x94, 0x06), 35);   // not ATA6603/6613
    EXPECT_EQ(findBySignature(0x1E, 0x93, 0x83), 15);
    EXPECT_EQ(findBySignature(0x1E, 0x93, 0x81), 16);   // also AT90PWM216/316's alternative
    EXPECT_EQ(findBySignature(0x1E, 0x91, 0x09), 4);    // also ATtiny261's alternative
    EXPECT_EQ(findBySignature(0x1F, 0x23, 0x00), 80);   // AT45DB011D, never AT45DB021D
    EXPECT_EQ(findBySignature(0x1E, 0x93, 0x0F), 23);   // ATmega88P by the alternative
}

TEST(DeviceLookup, OnlyAtmelFirstBytesAreLookedUp)
{
    EXPECT_EQ(findBySignature(0x00, 0x00, 0x00), -1);   // the AT25 entries' bytes
    EXPECT_EQ(findBySignature(0x1C, 0x23, 0x00), -1);   // an alternative with a foreign first byte
    EXPECT_EQ(findBySignature(0x1E, 0x00, 0x00), -1);
    EXPECT_EQ(findBySignature(0x11E, 0x90, 0x07), -1);
}

TEST(DeviceLookup, DeviceNumbers)
{
    EXPECT_EQ(findByDeviceNo(61), 43);   // ATmega324A, before ATmega324PA
    EXPECT_EQ(findByDeviceNo(17), 20);
    EXPECT_EQ(findByDeviceNo(100), 58);
    EXPECT_EQ(findByDeviceNo(2), 0);     // no entry: the first row
    EXPECT_EQ(findByDeviceNo(-1), 0);
}

TEST(DeviceLookup, FamiliesAndPositions)
{
    EXPECT_STREQ(familyCaption(0), "AT25...");
    EXPECT_STREQ(familyCaption(4), "AT89S...");
    EXPECT_STREQ(familyCaption(8), "ATA...");
    EXPECT_STREQ(familyCaption(9), "");
    EXPECT_EQ(devicesOfFamily(FamilyAt25), (std::vector<int>{67, 68, 69, 70, 71, 72}));
    EXPECT_EQ(devicesOfFamily(FamilyAta), (std::vector<int>{93, 94, 95, 96}));
    EXPECT_TRUE(devicesOfFamily(-1).empty());

    EXPECT_EQ(deviceIndexAt(FamilyAtmega, 0), 19);
    EXPECT_EQ(deviceIndexAt(FamilyAt90, 4), 73);   // the AT90 group spans two stretches
    EXPECT_EQ(deviceIndexAt(FamilyAt25, 6), -1);
    EXPECT_EQ(deviceIndexAt(FamilyAt25, -1), -1);
    EXPECT_EQ(deviceIndexAt(9, 0), -1);

    std::size_t total = 0;
    for (int family = 0; family < kFamilyCount; ++family)
        total += devicesOfFamily(family).size();
    EXPECT_EQ(total, static_cast<std::size_t>(kDeviceCount));
    for (int index = 0; index < kDeviceCount; ++index) {
        const FamilyPosition where = familyPositionOf(index);
        EXPECT_EQ(deviceIndexAt(where.family, where.position), index);
    }
    EXPECT_EQ(familyPositionOf(97).family, -1);
    EXPECT_EQ(deviceAt(97), nullptr);
    EXPECT_EQ(deviceAt(-1), nullptr);
}

TEST(DeviceLookup, PageSizeInBytes)
{
    EXPECT_EQ(pageSizeBytes(deviceTable[20]), 64);     // ATmega8: 32 words
    EXPECT_EQ(pageSizeBytes(deviceTable[95]), 64);     // ATA6612
    EXPECT_EQ(pageSizeBytes(deviceTable[65]), 0);      // AT89S8253
    EXPECT_EQ(pageSizeBytes(deviceTable[86]), 1056);   // AT45DB642D counts bytes
    EXPECT_EQ(pageSizeBytes(deviceTable[69]), 128);    // AT25512
}

TEST(DeviceLookup, NamesAndTheirVariants)
{
    EXPECT_EQ(variantNames("AT90PWM1/2B/3B"), (std::vector<std::string>{"AT90PWM1", "AT90PWM2B", "AT90PWM3B"}));
    EXPECT_EQ(variantNames("ATmega32C1/32M1"), (std::vector<std::string>{"ATmega32C1", "ATmega32M1"}));
    EXPECT_EQ(variantNames("ATmega325/3250"), (std::vector<std::string>{"ATmega325", "ATmega3250"}));
    EXPECT_EQ(variantNames("ATmega8515"), (std::vector<std::string>{"ATmega8515"}));

    EXPECT_EQ(findByName("ATmega8/8A"), 20);
    EXPECT_EQ(findByName("atmega8a"), 20);
    EXPECT_EQ(findByName("ATmega8"), 20);
    EXPECT_EQ(findByName("ATmega3290P"), 48);
    EXPECT_EQ(findByName("AT90PWM316"), 17);
    EXPECT_EQ(findByName("ATmega324PA"), 44);
    EXPECT_EQ(findByName("ATmega"), -1);
    EXPECT_EQ(findByName(""), -1);
}

} // namespace
} // namespace quorva
