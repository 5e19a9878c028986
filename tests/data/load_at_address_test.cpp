#include "buffer_fixture.h"
#include "data/load_address.h"

#include <climits>

namespace quorva::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(LoadAddressText, ProposalIsAtLeastFourUpperCaseHexDigits)
{
    EXPECT_EQ(proposedAddressText(0x2000), "2000");
    EXPECT_EQ(proposedAddressText(5), "0005");
    EXPECT_EQ(proposedAddressText(0xABCDE), "ABCDE");
}

TEST(LoadAddressText, ReadAsDecimalOrHexadecimal)
{
    EXPECT_EQ(parseAddressText("4096", false), 0x1000);
    EXPECT_EQ(parseAddressText("4096", true), 0x4096);
    EXPECT_EQ(parseAddressText("0x1F", true), 0x1F);
    EXPECT_EQ(parseAddressText("0X1f", true), 0x1F);
    EXPECT_EQ(parseAddressText("1F", false), 1);
    EXPECT_EQ(parseAddressText(" 2000", true), 0x2000);
    EXPECT_EQ(parseAddressText("ABCDEF", true), 0xABCDEF);
    EXPECT_EQ(parseAddressText("12zz", true), 0x12);
    EXPECT_EQ(parseAddressText("-10", true), -16);
}

TEST(LoadAddressText, TextThatIsNoNumberGivesZero)
{
    for (const char* text : {"zz", "", "x10", "0x", "-", " "}) {
        EXPECT_EQ(parseAddressText(text, true), 0) << text;
        EXPECT_EQ(parseAddressText(text, false), 0) << text;
    }
}

TEST(LoadAddressText, HugeNumbersSaturate)
{
    EXPECT_EQ(parseAddressText("FFFFFFFFFF", true), INT_MAX);
    EXPECT_EQ(parseAddressText("-99999999999", false), INT_MIN);
}

class LoadAtAddressTest : public BufferFixture {
protected:
    void SetUp() override
    {
        BufferFixture::SetUp();
        Bytes start(0x2000);
        for (std::size_t i = 0; i < start.size(); ++i)
            start[i] = static_cast<std::uint8_t>(i);
        base = put("base.bin", std::string(start.begin(), start.end()));
        block = put("block.bin", std::string(0x100, '\xA5'));
        flash.loadFile(base);
        original = contentsOf(flash);
        ui.clearCalls();
    }

    const std::string overlapQuestion = question(
        "Warning: file will overlap exsisting and this operation may lost some data. Continue?", "yes");
    std::string base;
    std::string block;
    Bytes original;
};

TEST_F(LoadAtAddressTest, TheProposedAddressAppendsWithoutAQuestion)
{
    flash.markModified();
    ui.loadAddressNext(0x2000);
    EXPECT_TRUE(flash.loadAtAddress(block));
    EXPECT_EQ(ui.calls(), std::vector<std::string>{"dialog: load address 8192 -> 8192"});
    ASSERT_EQ(flash.length(), 0x2100);
    EXPECT_TRUE(std::equal(original.begin(), original.end(), flash.data().begin()));
    EXPECT_EQ(flash.data()[0x2000], 0xA5);
    EXPECT_EQ(flash.data()[0x20FF], 0xA5);
    // The buffer now belongs to the merged file, unmodified.
    EXPECT_EQ(flashLabel, block);
    EXPECT_EQ(flash.fileName(), block);
    EXPECT_FALSE(flash.modified());
}

TEST_F(LoadAtAddressTest, AnAddressBeyondTheEndGrowsTheBufferWithErasedBytes)
{
    ui.loadAddressNext(0x3000);
    EXPECT_TRUE(flash.loadAtAddress(block));
    ASSERT_EQ(flash.length(), 0x3100);
    const Bytes merged = contentsOf(flash);
    EXPECT_TRUE(std::equal(original.begin(), original.end(), merged.begin()));
    EXPECT_TRUE(std::all_of(merged.begin() + 0x2000, merged.begin() + 0x3000, [](auto b) { return b == 0xFF; }));
    EXPECT_TRUE(std::all_of(merged.begin() + 0x3000, merged.end(), [](auto b) { return b == 0xA5; }));
    EXPECT_EQ(statesOf(flash), Bytes(0x3100, ByteLoaded));
}

TEST_F(LoadAtAddressTest, OverlapAsksAndYesReplacesOnlyTheCoveredBytes)
{
    ui.loadAddressNext(0x1000);
    ui.answerNext(Answer::Yes);
    EXPECT_TRUE(flash.loadAtAddress(block));
    EXPECT_EQ(ui.calls(), (std::vector<std::string>{"dialog: load address 8192 -> 4096", overlapQuestion}));
    ASSERT_EQ(flash.length(), 0x2000);
    for (int i = 0; i < 0x2000; ++i) {
        const int expected = i >= 0x1000 && i < 0x1100 ? 0xA5 : original[static_cast<std::size_t>(i)];
        ASSERT_EQ(flash.data()[static_cast<std::size_t>(i)], expected) << i;
    }
}

TEST_F(LoadAtAddressTest, RefusedMergesShow1023AndChangeNothing)
{
    flash.data()[0] = 0x99;
    flash.markModified();
    ui.loadAddressNext(0x1000); // overlap answered No
    ui.answerNext(Answer::No);
    EXPECT_TRUE(flash.loadAtAddress(block));
    ui.loadAddressNext(std::nullopt); // Cancel
    EXPECT_TRUE(flash.loadAtAddress(block));
    ui.loadAddressNext(-16); // a "-" typed in the dialog
    EXPECT_TRUE(flash.loadAtAddress(block));
    ui.loadAddressNext(static_cast<int>(kImageLimit) - 0x80); // would grow past what a file can hold
    EXPECT_TRUE(flash.loadAtAddress(block));

    const auto boxes = ui.callsStartingWith("box: ");
    EXPECT_EQ(boxes, std::vector<std::string>(4, errorBox("Cannot load file")));
    EXPECT_EQ(ui.callsStartingWith("ask: ").size(), 1u);
    Bytes expected = original;
    expected[0] = 0x99;
    EXPECT_EQ(contentsOf(flash), expected);
    EXPECT_TRUE(flash.modified());
    EXPECT_EQ(flash.fileName(), base);
}

TEST_F(LoadAtAddressTest, AddressZeroFromGarbageTextStillAsks)
{
    ui.loadAddressNext(parseAddressText("zz", true));
    ui.answerNext(Answer::Yes);
    EXPECT_TRUE(flash.loadAtAddress(block));
    EXPECT_EQ(ui.callsStartingWith("ask: "), std::vector<std::string>{overlapQuestion});
    EXPECT_EQ(flash.data()[0], 0xA5);
}

TEST_F(LoadAtAddressTest, FlashStaysEvenAfterAnOddMerge)
{
    const std::string odd = put("odd.bin", "\x01\x02\x03");
    ui.loadAddressNext(0x2000);
    flash.loadAtAddress(odd);
    EXPECT_EQ(flash.length(), 0x2004);
    EXPECT_EQ(flash.data()[0x2003], 0xFF);

    eeprom.loadFile(odd);
    ui.loadAddressNext(3);
    eeprom.loadAtAddress(odd);
    EXPECT_EQ(contentsOf(eeprom), (Bytes{1, 2, 3, 1, 2, 3}));
}

TEST_F(LoadAtAddressTest, AnEmptyBufferRefusesSilentlyAfterTheChooser)
{
    ui.chooseNext(block);
    EXPECT_FALSE(eeprom.openAtAddress());
    EXPECT_EQ(ui.calls().size(), 1u);
    EXPECT_EQ(ui.calls()[0].rfind("open-file: EEP Files", 0), 0u);
    EXPECT_FALSE(eeprom.hasData());
}

TEST_F(LoadAtAddressTest, UnreadableFileShows1144AndNoDialog)
{
    EXPECT_TRUE(flash.loadAtAddress(path("missing.bin")));
    EXPECT_EQ(ui.calls(), std::vector<std::string>{errorBox("Cannot read file '" + path("missing.bin") + "'")});
    EXPECT_EQ(contentsOf(flash), original);
}

TEST_F(LoadAtAddressTest, MergesHexFilesAtTheirDecodedImage)
{
    // A HEX file's image starts at address 0 of the file, whatever the gap.
    const std::string hex = put("part.hex", ":0100020042BB\n:00000001FF\n");
    ui.loadAddressNext(0x2000);
    flash.loadAtAddress(hex);
    ASSERT_EQ(flash.length(), 0x2004);
    EXPECT_EQ(flash.data()[0x2000], 0xFF);
    EXPECT_EQ(flash.data()[0x2002], 0x42);
}

} // namespace
} // namespace quorva::test
