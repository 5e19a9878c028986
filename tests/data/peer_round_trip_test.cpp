// Our HEX files against the field's tools: avr-gcc images read through the
// buffers must equal avr-objcopy's own binary of them, and big images must
// survive a trip through avr-objcopy and srec_cat in both directions.

#include "buffer_fixture.h"
#include "data/hex_codec.h"
#include "data_test_helpers.h"
#include "tool_check.h"

#include <cstdlib>

namespace quorva::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string fixture(const std::string& name)
{
    return std::string(QUORVA_TEST_DATA) + "/fixtures/" + name;
}

Bytes bytesFromFile(const std::string& path)
{
    return bytesOf(fileContents(path));
}

bool run(const std::string& command)
{
    return std::system((command + " 2>/dev/null").c_str()) == 0;
}

class AvrGccImages : public BufferFixture {};

TEST_F(AvrGccImages, FlashAndEepromFilesLoadAsAvrObjcopyReadsThem)
{
    flash.loadFile(fixture("blink.hex"));
    Bytes expected = bytesFromFile(fixture("blink.bin"));
    ASSERT_FALSE(expected.empty());
    if (expected.size() % 2)
        expected.push_back(0xFF);
    EXPECT_EQ(contentsOf(flash), expected);

    eeprom.loadFile(fixture("blink.eep"));
    EXPECT_EQ(contentsOf(eeprom), bytesFromFile(fixture("blink_eeprom.bin")));
    EXPECT_EQ(eeprom.length(), 39);

    // Into the Flash buffer the odd Eeprom image gets its pad byte.
    flash.loadFile(fixture("blink.eep"));
    EXPECT_EQ(flash.length(), 40);
    EXPECT_TRUE(ui.calls().empty());
}

TEST_F(AvrGccImages, OurHexTextOfTheirImagesIsTheirs)
{
    // Below 64 KB both write 16 bytes a record with CR LF.
    EXPECT_EQ(encodeHex(bytesFromFile(fixture("blink.bin"))), fileContents(fixture("blink.hex")));
    EXPECT_EQ(encodeHex(bytesFromFile(fixture("blink_eeprom.bin"))), fileContents(fixture("blink.eep")));
}

TEST_F(AvrGccImages, SavedAndReloadedTheyStayTheSame)
{
    eeprom.loadFile(fixture("blink.eep"));
    const Bytes loaded = contentsOf(eeprom);
    for (const char* name : {"copy.eep", "copy.bin", "copy.HEX"}) {
        ASSERT_TRUE(eeprom.writeFile(path(name)));
        eeprom.loadFile(path(name));
        EXPECT_EQ(contentsOf(eeprom), loaded) << name;
    }
}

struct Peer {
    const char* tool;
    const char* package;     // Debian's
    const char* hexToBinary; // %1 input, %2 output
    const char* binaryToHex;
};

constexpr Peer kPeers[] = {
    {"avr-objcopy", "binutils-avr", "avr-objcopy -I ihex -O binary %1 %2", "avr-objcopy -I binary -O ihex %1 %2"},
    {"srec_cat", "srecord", "srec_cat %1 -Intel -o %2 -Binary", "srec_cat %1 -Binary -o %2 -Intel"},
};

std::string command(const char* pattern, const std::string& in, const std::string& out)
{
    std::string text = pattern;
    text.replace(text.find("%1"), 2, in);
    text.replace(text.find("%2"), 2, out);
    return text;
}

class PeerTools : public ::testing::TestWithParam<Peer> {
protected:
    TempFolder folder;
};

TEST_P(PeerTools, ReadOurHexOfImagesBelowAndAboveOneMegabyte)
{
    const Peer& peer = GetParam();
    QUORVA_REQUIRE_TOOL(peer.tool, peer.package);
    for (std::size_t length : {std::size_t{0x10001}, std::size_t{0x123457}}) {
        const Image image = patternImage(length, 7);
        const std::string hex = folder.file("ours.hex");
        const std::string bin = folder.file("theirs.bin");
        writeFile(hex, encodeHex(image));
        ASSERT_TRUE(run(command(peer.hexToBinary, hex, bin))) << peer.tool;
        EXPECT_TRUE(bytesFromFile(bin) == image) << peer.tool << " " << length;
    }
}

TEST_P(PeerTools, TheirHexOfImagesAboveOneMegabyteReadsBack)
{
    const Peer& peer = GetParam();
    QUORVA_REQUIRE_TOOL(peer.tool, peer.package);
    const Image image = patternImage(0x123457, 11);
    const std::string bin = folder.file("ours.bin");
    const std::string hex = folder.file("theirs.hex");
    writeFile(bin, std::string(image.begin(), image.end()));
    ASSERT_TRUE(run(command(peer.binaryToHex, bin, hex))) << peer.tool;
    RecordingPrompts prompts;
    const auto decoded = parseHex(bytesFromFile(hex), prompts);
    ASSERT_TRUE(decoded) << peer.tool;
    EXPECT_TRUE(*decoded == image) << peer.tool;
    EXPECT_TRUE(prompts.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(Tools, PeerTools, ::testing::ValuesIn(kPeers),
                         [](const ::testing::TestParamInfo<Peer>& info) {
                             return std::string(info.param.tool) == "srec_cat" ? "srec_cat" : "avr_objcopy";
                         });

} // namespace
} // namespace quorva::test
