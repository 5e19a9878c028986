#include "data/hex_codec.h"
#include "data/image_limits.h"
#include "data_test_helpers.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace quorva::test {
namespace {

// One well-formed record line without its line end.
std::string record(unsigned type, unsigned address, const std::vector<std::uint8_t>& data)
{
    char text[32];
    std::string line = ":";
    unsigned sum = static_cast<unsigned>(data.size()) + (address >> 8) + (address & 0xFF) + type;
    std::snprintf(text, sizeof text, "%02X%04X%02X", static_cast<unsigned>(data.size()), address, type);
    line += text;
    for (std::uint8_t byte : data) {
        std::snprintf(text, sizeof text, "%02X", byte);
        line += text;
        sum += byte;
    }
    std::snprintf(text, sizeof text, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    return line + text;
}

std::optional<Image> decode(const std::string& text, RecordingPrompts& prompts)
{
    const auto bytes = bytesOf(text);
    return parseHex(bytes, prompts);
}

constexpr const char* kEnd = ":00000001FF\n";

TEST(HexDecode, EndRecordAloneGivesAnEmptyImage)
{
    RecordingPrompts prompts;
    const auto image = decode(kEnd, prompts);
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->empty());
}

TEST(HexDecode, LaterRecordsFillBelowEarlierOnesAndGapsStayErased)
{
    RecordingPrompts prompts;
    const auto image = decode(record(0, 0x10, {0x55}) + "\n" + record(0, 0, {0x11}) + "\n" + kEnd, prompts);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->size(), 0x11u);
    EXPECT_EQ((*image)[0], 0x11);
    for (std::size_t i = 1; i < 0x10; ++i)
        EXPECT_EQ((*image)[i], 0xFF) << i;
    EXPECT_EQ((*image)[0x10], 0x55);
}

TEST(HexDecode, AcceptsLfOrCrLfAndLowerCaseDigits)
{
    RecordingPrompts prompts;
    const auto image = decode(":0200000001ab52\r\n:0100020002fb\n:00000001ff\r\n", prompts);
    ASSERT_TRUE(image);
    EXPECT_EQ(*image, (Image{0x01, 0xAB, 0x02}));
    EXPECT_TRUE(prompts.errors.empty());
    EXPECT_EQ(prompts.questions, 0);
}

TEST(HexDecode, TextThatIsNotHexFailsWithoutAWord)
{
    const std::string data = record(0, 0, {1, 2, 3});
    const std::vector<std::string> cases = {
        data + "\n:00000001FF",           // end record without its line feed
        "\n" + data + "\n" + kEnd,        // blank line first
        " " + data + "\n" + kEnd,         // leading blank
        data + "\n",                      // no end record
        data + "\n\n" + kEnd,             // blank line between records
        "",                               // nothing at all
        ":",                              // a colon and the end of the file
        "PK\x03\x04 zip archive",         // anything else
    };
    for (const std::string& text : cases) {
        RecordingPrompts prompts;
        EXPECT_FALSE(decode(text, prompts)) << text;
        EXPECT_TRUE(prompts.errors.empty()) << text;
        EXPECT_EQ(prompts.questions, 0) << text;
    }
}

TEST(HexDecode, RecordTextMayRunToEightyCharactersCarriageReturnIncluded)
{
    const std::string longest = record(0, 0, std::vector<std::uint8_t>(35, 0x42)); // ':' + 80 characters
    ASSERT_EQ(longest.size(), 81u);
    RecordingPrompts prompts;
    const auto image = decode(longest + "\n" + kEnd, prompts);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), 35u);
    EXPECT_FALSE(decode(longest + "\r\n" + kEnd, prompts));
    EXPECT_FALSE(decode(longest + " \n" + kEnd, prompts));
    EXPECT_TRUE(prompts.errors.empty());
}

TEST(HexDecode, ImpossibleByteCountIsAnError)
{
    // "G0" reads as -16: far above 1024 taken unsigned.
    RecordingPrompts prompts;
    EXPECT_FALSE(decode(":G0000000\n" + std::string(kEnd), prompts));
    EXPECT_EQ(prompts.errors, std::vector<int>{1020});
}

TEST(HexDecode, DataMustEndBelowTheImageLimit)
{
    RecordingPrompts prompts;
    const std::string top = record(4, 0, {0x00, 0xFF}) + "\n";
    const auto image = decode(top + record(0, 0xFFFE, {0xA5, 0x5A}) + "\n" + kEnd, prompts);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->size(), static_cast<std::size_t>(kImageLimit));
    EXPECT_EQ((*image)[kImageLimit - 1], 0x5A);
    EXPECT_EQ((*image)[0], 0xFF);

    EXPECT_FALSE(decode(top + record(0, 0xFFFF, {0xA5, 0x5A}) + "\n" + kEnd, prompts));
    EXPECT_FALSE(decode(record(4, 0, {0x01, 0x00}) + "\n" + record(0, 0, {0}) + "\n" + kEnd, prompts));
    EXPECT_EQ(prompts.errors, (std::vector<int>{1020, 1020}));
}

TEST(HexDecode, EmptyDataRecordIsAnErrorAtZeroAndExtendsTheImageElsewhere)
{
    RecordingPrompts prompts;
    EXPECT_FALSE(decode(":0000000000\n" + std::string(kEnd), prompts));
    EXPECT_EQ(prompts.errors, std::vector<int>{1020});
    const auto image = decode(record(0, 0, {7}) + "\n" + record(0, 0x20, {}) + "\n" + kEnd, prompts);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), 0x20u);
    EXPECT_EQ((*image)[0x1F], 0xFF);
}

TEST(HexDecode, RecordShorterThanItsFieldsIsAnErrorAndNothingBeyondTheLineIsRead)
{
    const std::vector<std::string> cases = {
        ":0400000001\n",       // data and checksum missing
        ":04000000010203\r\n", // two data bytes and the checksum missing
        ":020000020\n",        // segment value cut
        ":02000004\n",         // linear value missing
        ":000000\n",           // type missing
        ":0\n",                // count cut
    };
    for (const std::string& line : cases) {
        RecordingPrompts prompts;
        // The end record follows, so a decoder reading on would find digits.
        EXPECT_FALSE(decode(line + kEnd, prompts)) << line;
        EXPECT_EQ(prompts.errors, std::vector<int>{1020}) << line;
    }
    // A line cut at the very end of the file, too.
    RecordingPrompts prompts;
    EXPECT_FALSE(decode(":10000000\n", prompts));
}

TEST(HexDecode, StrayCharactersInTheAddressNeverWriteBeforeTheImage)
{
    // "G0" makes the high address byte -16, so the address comes out negative.
    for (const char* text : {":02G0000011223300\n", ":01G0000011000\n", ":01G00000FF00\n"}) {
        RecordingPrompts prompts;
        prompts.answers = {true};
        EXPECT_FALSE(decode(text + std::string(kEnd), prompts)) << text;
        EXPECT_EQ(prompts.errors, std::vector<int>{1020}) << text;
    }
}

TEST(HexDecode, BadChecksumAskedOncePerFile)
{
    std::string bad1 = record(0, 0x10, {0x22});
    std::string bad2 = record(0, 0x20, {0x33});
    bad1.back() = bad1.back() == '0' ? '1' : '0';
    bad2.back() = bad2.back() == '0' ? '1' : '0';
    const std::string text = record(0, 0, {0x11}) + "\n" + bad1 + "\n" + bad2 + "\n" + kEnd;

    RecordingPrompts yes;
    yes.answers = {true};
    const auto image = decode(text, yes);
    ASSERT_TRUE(image);
    EXPECT_EQ(yes.questions, 1);
    ASSERT_EQ(image->size(), 0x21u);
    EXPECT_EQ((*image)[0x10], 0x22);
    EXPECT_EQ((*image)[0x20], 0x33);

    RecordingPrompts no;
    EXPECT_FALSE(decode(text, no));
    EXPECT_EQ(no.questions, 1);
    EXPECT_TRUE(no.errors.empty());
}

TEST(HexDecode, ChecksumsOfEndAndAddressRecordsAreNotTested)
{
    RecordingPrompts prompts;
    const auto image = decode(":020000021000FF\n" + record(0, 0, {0x42}) + "\n:00000001AA\n", prompts);
    ASSERT_TRUE(image);
    EXPECT_EQ(prompts.questions, 0);
    EXPECT_EQ(image->size(), 0x10001u);
}

TEST(HexDecode, SegmentAndLinearRecordsSetOneBaseThatTheLaterReplaces)
{
    RecordingPrompts prompts;
    // Segment 0x1000 (base 0x10000), then linear 0x0002 (base 0x20000, not 0x30000).
    auto image = decode(record(2, 0, {0x10, 0x00}) + "\n" + record(0, 0x10, {0xAA}) + "\n" + record(4, 0, {0x00, 0x02}) +
                            "\n" + record(0, 0x10, {0xBB}) + "\n" + kEnd,
                        prompts);
    ASSERT_TRUE(image);
    ASSERT_EQ(image->size(), 0x20011u);
    EXPECT_EQ((*image)[0x10010], 0xAA);
    EXPECT_EQ((*image)[0x20010], 0xBB);

    // Linear first, then a zero segment record clears it.
    image = decode(record(4, 0, {0x00, 0x01}) + "\n" + record(2, 0, {0x00, 0x00}) + "\n" + record(0, 0x4, {0xCC}) + "\n" +
                       kEnd,
                   prompts);
    ASSERT_TRUE(image);
    EXPECT_EQ(*image, (Image{0xFF, 0xFF, 0xFF, 0xFF, 0xCC}));
    EXPECT_TRUE(prompts.errors.empty());
}

TEST(HexDecode, OtherRecordTypesAreSkipped)
{
    RecordingPrompts prompts;
    const auto image = decode(record(3, 0, {0, 0, 0x12, 0x34}) + "\n" + record(5, 0, {0, 1, 2, 3}) + "\n:0000000600\n" +
                                  record(0, 0, {9}) + "\n" + kEnd,
                              prompts);
    ASSERT_TRUE(image);
    EXPECT_EQ(*image, Image{9});
}

TEST(FormatOfPath, LastFourCharactersInAnyCase)
{
    EXPECT_EQ(formatOfPath("/tmp/a.bin"), ImageFormat::Binary);
    EXPECT_EQ(formatOfPath("A.BIN"), ImageFormat::Binary);
    EXPECT_EQ(formatOfPath("image.HEX"), ImageFormat::IntelHex);
    EXPECT_EQ(formatOfPath("data.Eep"), ImageFormat::IntelHex);
    EXPECT_EQ(formatOfPath(".hex"), ImageFormat::IntelHex);
    EXPECT_EQ(formatOfPath("notes.txt"), ImageFormat::Unknown);
    EXPECT_EQ(formatOfPath("hex"), ImageFormat::Unknown);
    EXPECT_EQ(formatOfPath("image.hex.gz"), ImageFormat::Unknown);
    EXPECT_EQ(formatOfPath(""), ImageFormat::Unknown);
}

TEST(ParseImage, BinaryByExtensionOrWhenHexFails)
{
    const std::string hex = record(0, 0, {1, 2, 3}) + "\n" + kEnd;
    RecordingPrompts prompts;
    EXPECT_EQ(textOf(*parseImage("image.Bin", std::span<const std::uint8_t>(bytesOf(hex)), prompts)), hex);
    EXPECT_EQ(*parseImage("image.hex", std::span<const std::uint8_t>(bytesOf(hex)), prompts), (Image{1, 2, 3}));
    EXPECT_EQ(*parseImage("image.dat", std::span<const std::uint8_t>(bytesOf(hex)), prompts), (Image{1, 2, 3}));
    const std::string text = "not a hex file";
    EXPECT_EQ(textOf(*parseImage("x.eep", bytesOf(text), prompts)), text);
    EXPECT_TRUE(parseImage("empty.hex", bytesOf(""), prompts)->empty());
    EXPECT_TRUE(prompts.errors.empty());
}

TEST(ParseImage, AfterAnErrorOrNoTheFileLoadsRaw)
{
    std::string bad = record(0, 0, {1});
    bad.back() = bad.back() == '0' ? '1' : '0';
    const std::string text = bad + "\n" + kEnd;
    RecordingPrompts prompts;
    EXPECT_EQ(textOf(*parseImage("a.hex", bytesOf(text), prompts)), text);
    EXPECT_EQ(prompts.questions, 1);

    const std::string garbled = ":G0000000\n";
    EXPECT_EQ(textOf(*parseImage("a.hex", bytesOf(garbled), prompts)), garbled);
    EXPECT_EQ(prompts.errors, std::vector<int>{1020});
}

TEST(ParseImage, RawImagesStopAtTheImageLimit)
{
    const std::size_t size = static_cast<std::size_t>(kImageLimit) + 5;
    std::vector<std::uint8_t> bytes(size, 0x3C);
    RecordingPrompts prompts;
    const auto copied = parseImage("big.bin", std::span<const std::uint8_t>(bytes), prompts);
    ASSERT_TRUE(copied);
    EXPECT_EQ(copied->size(), static_cast<std::size_t>(kImageLimit));
    const auto taken = parseImage("big.raw", std::move(bytes), prompts);
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->size(), static_cast<std::size_t>(kImageLimit));
    EXPECT_TRUE(prompts.errors.empty());
}

TEST(HexEncode, SixteenBytesALineInUpperCase)
{
    EXPECT_EQ(encodeHex(Image{1, 2, 3}), ":03000000010203F7\r\n:00000001FF\r\n");
    EXPECT_EQ(encodeHex(Image{}), ":00000001FF\r\n");
    Image image(17);
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(0xA0 + i);
    EXPECT_EQ(encodeHex(image), ":10000000A0A1A2A3A4A5A6A7A8A9AAABACADAEAF78\r\n"
                                ":01001000B03F\r\n"
                                ":00000001FF\r\n");
}

TEST(HexEncode, SegmentRecordsStartEach64KilobytesOfALargerImage)
{
    EXPECT_EQ(encodeHex(Image(0xFFFF, 0)).find(":02"), std::string::npos);

    const std::string exact = encodeHex(Image(0x10000, 0));
    EXPECT_EQ(exact.rfind(":020000020000FC\r\n:10000000", 0), 0u);
    EXPECT_EQ(exact.find(":020000021000EC"), std::string::npos);

    const std::string longer = encodeHex(Image(0x10001, 0));
    const std::size_t segment = longer.find(":020000021000EC\r\n");
    ASSERT_NE(segment, std::string::npos);
    EXPECT_EQ(longer.substr(segment + 17), ":0100000000FF\r\n:00000001FF\r\n");
}

TEST(HexEncode, BeyondOneMegabyteLinearRecordsFollowAZeroSegment)
{
    const Image image = patternImage(0x100000 + 0x10010);
    const std::string text = encodeHex(image);
    const std::string firstMegabyte = encodeHex(std::span<const std::uint8_t>(image).first(0x100000));
    // Below 1 MB nothing changes.
    ASSERT_EQ(text.compare(0, firstMegabyte.size() - 13, firstMegabyte, 0, firstMegabyte.size() - 13), 0);
    const std::string rest = text.substr(firstMegabyte.size() - 13);
    EXPECT_EQ(rest.rfind(":020000020000FC\r\n:020000040010EA\r\n:10000000", 0), 0u);
    EXPECT_NE(rest.find("\r\n:020000040011E9\r\n:10000000"), std::string::npos);
    EXPECT_EQ(rest.find(":02000002", 1), std::string::npos);
}

TEST(HexEncode, ReadsBackToTheSameImage)
{
    for (std::size_t length : {std::size_t{1}, std::size_t{15}, std::size_t{0x10000}, std::size_t{0x123457}}) {
        const Image image = patternImage(length, static_cast<unsigned>(length));
        RecordingPrompts prompts;
        const auto decoded = decode(encodeHex(image), prompts);
        ASSERT_TRUE(decoded) << length;
        EXPECT_TRUE(*decoded == image) << length;
        EXPECT_TRUE(prompts.errors.empty());
        EXPECT_EQ(prompts.questions, 0);
    }
}

} // namespace
} // namespace quorva::test
