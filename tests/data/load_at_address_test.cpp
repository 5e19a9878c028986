#include "buffer_fixture.h"
#include "data/load_address.h"

#include <optional>

namespace quorva::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(LoadAddressText, ProposalIsAtLeastFourUpperCaseHexDigits)
{
    EXPECT_EQ(proposedAddressText(0x2000), "2000");
    EXPECT_EQ(proposedAddressText(5), "0005");
    EXPECT_EQ(proposedAddressText(0xABCDE), "ABCDE");
}

TEST(LoadAddressText, OnlyAWholeNumberOfTheChosenBaseIsAnAddress)
{
    EXPECT_EQ(readAddressText("4096", false), 0x1000);
    EXPECT_EQ(readAddressText("4096", true), 0x4096);
    EXPECT_EQ(readAddressText("0x1F", true), 0x1F);
    EXPECT_EQ(readAddressText("0X1f", true), 0x1F);
    EXPECT_EQ(readAddressText(" 2000 ", true), 0x2000);
    EXPECT_EQ(readAddressText("FFFFFF", true), kHighestLoadAddress);
    for (const char* text : {"XYZ", "zz", "", " ", "12zz", "0x", "x10", "-10", "+5", "1000000"})
        EXPECT_EQ(readAddressText(text, true), std::nullopt) << text;
    for (const char* text : {"1F", "00B6h", "0x10", "-1", "16777216"})
        EXPECT_EQ(readAddressText(text, false), std::nullopt) << text;
}

TEST(LoadAddressModel, SwitchingTheBaseKeepsTheAddressAndOkRefusesTextThatIsNone)
{
    LoadAddressModel model(0xB6);
    EXPECT_EQ(model.text, "00B6");
    EXPECT_TRUE(model.hexadecimal());
    model.setHexadecimal(false);
    EXPECT_EQ(model.text, "182");
    EXPECT_EQ(model.textMaxLength(), 8); // the highest address in decimal
    ScriptedUi ui;
    EXPECT_EQ(model.accept(ui), 0xB6);
    model.setHexadecimal(true);
    EXPECT_EQ(model.text, "00B6");

    // Text that is no number stays as typed, and OK says what is allowed.
    model.text = "XYZ";
    model.setHexadecimal(false);
    EXPECT_EQ(model.text, "XYZ");
    EXPECT_EQ(model.accept(ui), std::nullopt);
    model.setHexadecimal(true);
    EXPECT_EQ(model.accept(ui), std::nullopt);
    EXPECT_EQ(ui.callsStartingWith("box: "),
              (std::vector<std::string>{
                  "box: warning | " + std::string(kCaption) + " | Enter a decimal address from 0 to 16777215.",
                  "box: warning | " + std::string(kCaption) + " | Enter a hexadecimal address from 0 to FFFFFF."}));
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

    const std::string overlapQuestion =
        "ask: yes-no question default 1 | " + std::string(kCaption) +
        " | Warning: file will overlap exsisting and this operation may lost some data. Continue? -> yes";
    const std::string notMerged =
        "box: information | " + std::string(kCaption) + " | The file was not merged; the buffer is unchanged.";
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
    // The buffer keeps its own file, which no longer holds what it shows.
    EXPECT_EQ(flashLabel, base + "*");
    EXPECT_EQ(flash.fileName(), base);
    EXPECT_TRUE(flash.modified());
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
    // Enter would keep the image: No is the default.
    EXPECT_EQ(ui.calls(), (std::vector<std::string>{"dialog: load address 8192 -> 4096", overlapQuestion}));
    ASSERT_EQ(flash.length(), 0x2000);
    for (int i = 0; i < 0x2000; ++i) {
        const int expected = i >= 0x1000 && i < 0x1100 ? 0xA5 : original[static_cast<std::size_t>(i)];
        ASSERT_EQ(flash.data()[static_cast<std::size_t>(i)], expected) << i;
    }
}

TEST_F(LoadAtAddressTest, DeclinedOrImpossibleMergesChangeNothing)
{
    flash.data()[0] = 0x99;
    flash.markModified();
    ui.loadAddressNext(0x1000); // overlap answered No
    ui.answerNext(Answer::No);
    EXPECT_TRUE(flash.loadAtAddress(block));
    ui.loadAddressNext(std::nullopt); // Cancel
    EXPECT_TRUE(flash.loadAtAddress(block));
    ui.loadAddressNext(-16); // no dialog gives one; a front end still might
    EXPECT_TRUE(flash.loadAtAddress(block));
    ui.loadAddressNext(static_cast<int>(kImageLimit) - 0x80); // would grow past what a file can hold
    EXPECT_TRUE(flash.loadAtAddress(block));

    EXPECT_EQ(
        ui.callsStartingWith("box: "),
        (std::vector<std::string>{notMerged, notMerged, errorBox("Cannot load file"), errorBox("Cannot load file")}));
    EXPECT_EQ(ui.callsStartingWith("ask: ").size(), 1u);
    Bytes expected = original;
    expected[0] = 0x99;
    EXPECT_EQ(contentsOf(flash), expected);
    EXPECT_TRUE(flash.modified());
    EXPECT_EQ(flash.fileName(), base);
}

TEST_F(LoadAtAddressTest, SavingAfterAMergeWritesTheBuffersOwnFile)
{
    ui.loadAddressNext(0x2000);
    ASSERT_TRUE(flash.loadAtAddress(block));
    flash.save();
    EXPECT_EQ(fileContents(block), std::string(0x100, '\xA5'));
    const std::string saved = fileContents(base);
    ASSERT_EQ(saved.size(), 0x2100u);
    EXPECT_EQ(static_cast<std::uint8_t>(saved[0x20FF]), 0xA5);
    EXPECT_FALSE(flash.modified());

    // Eeprom alike; a buffer read from the chip stays nameless.
    eeprom.createBlank(16);
    ui.loadAddressNext(16);
    ASSERT_TRUE(eeprom.loadAtAddress(block));
    EXPECT_EQ(eeprom.fileName(), kUnspecifiedFile);
    EXPECT_EQ(eeprom.length(), 0x110);
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
