#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/device_lookup.h"
#include "catalogue/fuse_layout.h"

namespace quorva {
namespace {

struct LayoutRow {
    int layout = 0;
    int bytes = 0;
    bool bootLock = false;
    std::vector<std::pair<std::string, int>> warnings;
    std::vector<std::string> devices;
    std::vector<std::string> names;
};

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    if (text.empty())
        return parts;
    std::istringstream in(text);
    std::string part;
    while (std::getline(in, part, separator))
        parts.push_back(part);
    return parts;
}

std::vector<LayoutRow> readFixture()
{
    std::ifstream in(QUORVA_TEST_DATA "/fixtures/fuse_layouts.txt");
    std::vector<LayoutRow> rows;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> fields = split(line, '|');
        fields.resize(6);
        LayoutRow row;
        row.layout = std::stoi(fields[0]);
        row.bytes = std::stoi(fields[1]);
        row.bootLock = fields[2] == "yes";
        if (fields[3] != "-") {
            for (const std::string& warning : split(fields[3], ';')) {
                const std::size_t colon = warning.find(':');
                row.warnings.emplace_back(warning.substr(0, colon), std::stoi(warning.substr(colon + 1)));
            }
        }
        row.devices = split(fields[4], ';');
        row.names = split(fields[5], ',');
        rows.push_back(row);
    }
    return rows;
}

// Where fuse bit k is expected: AVR bits sit in byte 3 of fuse instruction
// k / 8 at bit k mod 8, except ATmega162's third byte (from bit 1) and the
// AT89S8253 (byte 1); bits beyond the layout's fuse bytes sit nowhere.
BitPosition expectedPosition(int layout, int bytes, int k)
{
    if (layout == 37)
        return {1, k};
    if (k / 8 >= bytes)
        return {};
    if (layout == 19 && k >= 16)
        return {3, k % 8 + 1};
    return {3, k % 8};
}

TEST(FuseLayouts, NamesPositionsWarningsAndDevicesMatchTheTranscription)
{
    const std::vector<LayoutRow> rows = readFixture();
    ASSERT_EQ(rows.size(), 36u); // every layout a device uses
    std::set<int> described;
    for (const LayoutRow& row : rows) {
        SCOPED_TRACE("layout " + std::to_string(row.layout));
        described.insert(row.layout);
        const FuseLayout& layout = fuseLayoutAt(row.layout);
        ASSERT_EQ(layout.fuseBitCount, static_cast<int>(row.names.size()));
        EXPECT_EQ(fuseByteCount(layout), row.bytes);
        for (int k = 0; k < 32; ++k) {
            const auto uk = static_cast<std::size_t>(k);
            if (k >= layout.fuseBitCount) {
                EXPECT_EQ(layout.fuseBitName[uk], nullptr);
                continue;
            }
            EXPECT_STREQ(layout.fuseBitName[uk], row.names[uk].c_str());
            const BitPosition want = expectedPosition(row.layout, row.bytes, k);
            for (int j = 0; j < kFuseBytes; ++j) {
                const auto uj = static_cast<std::size_t>(j);
                const bool carries = want.present() && (row.layout == 37 ? j == 0 : j == k / 8);
                EXPECT_EQ(layout.fuseWriteMap[uj][uk], carries ? want : BitPosition{}) << "bit " << k;
                EXPECT_EQ(layout.fuseReadBit[uj][uk], carries ? want.bit : -1) << "bit " << k;
            }
            int warning = 0;
            for (const auto& [name, warningClass] : row.warnings)
                if (name == row.names[uk])
                    warning = warningClass;
            EXPECT_EQ(layout.fuseWarning[uk], warning) << row.names[uk];
        }
        if (row.bootLock) {
            EXPECT_EQ(layout.bootLockCount, 4);
            EXPECT_EQ(layout.bootLockBit, (std::array<int, 4>{2, 3, 4, 5}));
            EXPECT_STREQ(layout.bootLockName[0], "BLB01");
            EXPECT_STREQ(layout.bootLockName[1], "BLB02");
            EXPECT_STREQ(layout.bootLockName[2], "BLB11");
            EXPECT_STREQ(layout.bootLockName[3], "BLB12");
        } else {
            EXPECT_EQ(layout.bootLockCount, 0);
        }
        for (const std::string& device : row.devices) {
            const int index = findByName(device);
            ASSERT_GE(index, 0) << device;
            EXPECT_EQ(deviceTable[static_cast<std::size_t>(index)].fuseLayout, row.layout) << device;
        }
    }
    for (const DeviceInfo& device : deviceTable)
        EXPECT_TRUE(described.contains(device.fuseLayout)) << device.name;
}

TEST(FuseLayouts, StandardAvrInstructions)
{
    const FuseLayout& layout = fuseLayoutAt(32);
    EXPECT_EQ(layout.lockWrite, (Instruction{0xAC, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(layout.lockWriteMap[0], (BitPosition{3, 0}));
    EXPECT_EQ(layout.lockWriteMap[1], (BitPosition{3, 1}));
    EXPECT_FALSE(layout.lockWriteMap[2].present());
    EXPECT_TRUE(layout.lockReadPresent);
    EXPECT_EQ(layout.lockRead, (ReadInstruction{0x58, 0x00, 0x00}));
    EXPECT_EQ(layout.lockReadBit, (std::array<int, 3>{0, 1, -1}));
    EXPECT_TRUE(layout.fuseReadPresent);
    EXPECT_EQ(layout.fuseWrite[0], (Instruction{0xAC, 0xA0, 0xFF, 0xFF}));
    EXPECT_EQ(layout.fuseWrite[1], (Instruction{0xAC, 0xA8, 0xFF, 0xFF}));
    EXPECT_EQ(layout.fuseWrite[2], (Instruction{0xAC, 0xA4, 0xFF, 0xFF}));
    EXPECT_EQ(layout.fuseRead[0], (ReadInstruction{0x50, 0x00, 0x00}));
    EXPECT_EQ(layout.fuseRead[1], (ReadInstruction{0x58, 0x08, 0x00}));
    EXPECT_EQ(layout.fuseRead[2], (ReadInstruction{0x50, 0x08, 0x00}));
}

TEST(FuseLayouts, DeviatingTemplates)
{
    EXPECT_EQ(fuseLayoutAt(26).fuseWrite[1], (Instruction{0xAC, 0xA8, 0x00, 0xFF}));
    EXPECT_EQ(fuseLayoutAt(26).fuseWrite[0], (Instruction{0xAC, 0xA0, 0xFF, 0xFF}));
    const FuseLayout& l35 = fuseLayoutAt(35);
    EXPECT_EQ(l35.lockWrite, (Instruction{0xAC, 0xE0, 0x00, 0xFF}));
    EXPECT_EQ(l35.fuseWrite[0], (Instruction{0xAC, 0xA0, 0x00, 0xFF}));
    EXPECT_EQ(l35.fuseWrite[1], (Instruction{0xAC, 0xA8, 0x00, 0xFF}));
    EXPECT_EQ(l35.fuseWrite[2], (Instruction{0xAC, 0xA4, 0x00, 0xFF}));

    const FuseLayout& l1 = fuseLayoutAt(1);
    EXPECT_EQ(l1.lockWrite, (Instruction{0xAC, 0xE0, 0x00, 0x00}));
    EXPECT_TRUE(l1.lockReadPresent);
    EXPECT_EQ(l1.lockRead, (ReadInstruction{0x24, 0x00, 0x00}));
    EXPECT_EQ(l1.lockReadBit, (std::array<int, 3>{2, 3, 4}));

    const FuseLayout& l28 = fuseLayoutAt(28);
    EXPECT_EQ(l28.lockWrite, (Instruction{0xAC, 0xFF, 0xFF, 0x00}));
    EXPECT_FALSE(l28.lockReadPresent);

    const FuseLayout& l37 = fuseLayoutAt(37);
    EXPECT_EQ(l37.lockWrite, (Instruction{0xAC, 0xE7, 0xFF, 0xFF}));
    EXPECT_EQ(l37.lockWriteMap[0], (BitPosition{1, 2}));
    EXPECT_EQ(l37.lockWriteMap[1], (BitPosition{1, 1}));
    EXPECT_EQ(l37.lockWriteMap[2], (BitPosition{1, 0}));
    EXPECT_EQ(l37.lockRead, (ReadInstruction{0x24, 0xFF, 0xFF}));
    EXPECT_EQ(l37.fuseWrite[0], (Instruction{0xAC, 0x1F, 0xFF, 0xFF}));
    EXPECT_EQ(l37.fuseRead[0], (ReadInstruction{0x21, 0xFF, 0xFF}));
    EXPECT_TRUE(l37.fuseReadPresent);

    for (int index : {0, 22}) {
        const FuseLayout& none = fuseLayoutAt(index);
        EXPECT_FALSE(none.lockReadPresent);
        EXPECT_EQ(none.fuseBitCount, 0);
        EXPECT_EQ(fuseByteCount(none), 0);
    }
}

TEST(FuseLayouts, NoBitIsPlacedTwiceInOneInstructionNorInTwoInstructions)
{
    for (int index = 0; index < kFuseLayoutCount; ++index) {
        SCOPED_TRACE("layout " + std::to_string(index));
        const FuseLayout& layout = fuseLayoutAt(index);
        // One bit in two fuse bytes would be written, and read back, twice.
        for (std::size_t k = 0; k < 32; ++k) {
            int writes = 0;
            int reads = 0;
            for (std::size_t j = 0; j < kFuseBytes; ++j) {
                writes += layout.fuseWriteMap[j][k].present() ? 1 : 0;
                reads += layout.fuseReadBit[j][k] >= 0 ? 1 : 0;
            }
            EXPECT_LE(writes, 1) << "fuse bit " << k;
            EXPECT_LE(reads, 1) << "fuse bit " << k;
        }
        for (int j = 0; j < kFuseBytes; ++j) {
            std::set<std::pair<int, int>> written;
            std::set<int> read;
            for (std::size_t k = 0; k < 32; ++k) {
                const BitPosition position = layout.fuseWriteMap[static_cast<std::size_t>(j)][k];
                if (position.present()) {
                    EXPECT_LT(static_cast<int>(k), layout.fuseBitCount);
                    EXPECT_TRUE(written.insert({position.byte, position.bit}).second) << "write bit " << k;
                }
                const int answerBit = layout.fuseReadBit[static_cast<std::size_t>(j)][k];
                if (answerBit >= 0) {
                    EXPECT_TRUE(read.insert(answerBit).second) << "read bit " << k;
                }
            }
        }
    }
}

} // namespace
} // namespace quorva
