#include "part_info.h"
#include "tool_check.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <regex>
#include <string>

namespace quorva::sim::test {
namespace {

TEST(ChipDatabase, FindsPartsByMarkingAndDeviceTableName)
{
    ASSERT_NE(findChip("atmega8"), nullptr);
    EXPECT_EQ(findChip("ATmega8/8A"), findChip("ATmega8"));
    EXPECT_STREQ(findChip("ATmega256x")->name, "ATmega2560");
    EXPECT_STREQ(findChip("ATA6613")->name, "ATmega168");
    EXPECT_EQ(findChip("ATmega9"), nullptr);
}

TEST(ChipDatabase, FactsThatDifferFromWhatAProgrammerMightAssume)
{
    // A 128-Kbit serial EEPROM: 16 KB.
    EXPECT_EQ(findChip("AT25128")->eepromBytes, 16384u);
    // The smallest DataFlash identifies as 1F 22, not as its bigger sibling.
    EXPECT_EQ(findChip("AT45DB011D")->jedecId[1], 0x22);
    EXPECT_EQ(findChip("AT45DB021D")->jedecId[1], 0x23);
    // ATtiny26 lock bits sit in the second instruction byte.
    EXPECT_EQ(findChip("ATtiny26")->lockPlace, LockPlace::Byte1);
    // ATmega649 and ATmega6490 answer different signatures.
    EXPECT_NE(findChip("ATmega649")->signature, findChip("ATmega6490")->signature);
}

TEST(ChipDatabase, EveryPartIsConsistent)
{
    for (const PartInfo& s : chipDatabase()) {
        SCOPED_TRACE(s.name);
        switch (s.family) {
        case ChipFamily::Avr:
            EXPECT_EQ(s.signature[0], 0x1E);
            EXPECT_GT(s.flashBytes, 0u);
            if (s.pageBytes) {
                EXPECT_EQ(s.flashBytes % s.pageBytes, 0u);
            }
            EXPECT_LE(s.fuseCount, 3);
            break;
        case ChipFamily::At89:
            EXPECT_EQ(s.signature[0], 0x1E);
            break;
        case ChipFamily::DataFlash:
            EXPECT_EQ(s.flashBytes, s.pageCount * s.pageBytes);
            EXPECT_EQ(s.jedecId[0], 0x1F);
            break;
        case ChipFamily::SerialFlash:
            EXPECT_EQ(s.jedecId[0], 0x1F);
            break;
        case ChipFamily::At25:
            EXPECT_EQ(s.eepromBytes % s.pageBytes, 0u);
            break;
        }
    }
}

// What avrdude's part description says, from `avrdude -p NAME/S`.
std::string avrdudePart(const std::string& name)
{
    const std::string command = "avrdude -p '" + name + "/S' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe)
        return {};
    std::string text;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get()))
        text.append(buffer, n);
    return text;
}

long field(const std::string& block, const std::string& key)
{
    std::smatch m;
    if (!std::regex_search(block, m, std::regex("\\b" + key + "\\s*=\\s*(0x[0-9a-fA-F]+|\\d+)")))
        return -1;
    return std::stol(m[1].str(), nullptr, 0);
}

std::string memory(const std::string& part, const std::string& name)
{
    const auto start = part.find("memory \"" + name + "\"");
    if (start == std::string::npos)
        return {};
    return part.substr(start, part.find("\n    ;", start) - start);
}

// avrdude keeps its own transcription of the AVR data sheets; where it knows
// a part, sizes, pages, signatures, fuse bytes and lock placement must agree.
TEST(ChipDatabase, AgreesWithAvrdudeWhereItKnowsThePart)
{
    QUORVA_REQUIRE_TOOL("avrdude", "avrdude");
    // An installed avrdude that prints no part is a changed output, not a skip.
    ASSERT_NE(avrdudePart("ATmega8").find("desc"), std::string::npos) << "avrdude -p ATmega8/S printed no part";
    int compared = 0;
    for (const PartInfo& s : chipDatabase()) {
        if (s.family != ChipFamily::Avr)
            continue;
        const std::string part = avrdudePart(s.name);
        if (part.find("desc") == std::string::npos)
            continue;
        SCOPED_TRACE(s.name);
        ++compared;
        char sig[32];
        std::snprintf(sig, sizeof sig, "0x%02x 0x%02x 0x%02x", s.signature[0], s.signature[1], s.signature[2]);
        EXPECT_NE(part.find(std::string("signature              = ") + sig), std::string::npos);
        const std::string flash = memory(part, "flash");
        EXPECT_EQ(field(flash, "size"), static_cast<long>(s.flashBytes));
        if (flash.find("paged              = yes") != std::string::npos) {
            EXPECT_EQ(field(flash, "page_size"), static_cast<long>(s.pageBytes));
        } else {
            EXPECT_EQ(s.pageBytes, 0u);
        }
        EXPECT_EQ(field(memory(part, "eeprom"), "size"), static_cast<long>(s.eepromBytes));
        EXPECT_EQ(field(memory(part, "calibration"), "size"), static_cast<long>(s.calibrationCount));
        const int fuses = !memory(part, "lfuse").empty() + !memory(part, "hfuse").empty() +
                          !memory(part, "efuse").empty();
        EXPECT_EQ(fuses, s.fuseCount);
        const bool lockInByte1 = memory(part, "lock").find("1010.1100--1111.11ii") != std::string::npos;
        EXPECT_EQ(lockInByte1, s.lockPlace == LockPlace::Byte1);
    }
    EXPECT_GT(compared, 60);
}

} // namespace
} // namespace quorva::sim::test
