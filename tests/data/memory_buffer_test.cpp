#include "buffer_fixture.h"
#include "data/hex_codec.h"
#include "data_test_helpers.h"

#include <cstdio>
#include <filesystem>

namespace quorva::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class MemoryBufferTest : public BufferFixture {};

TEST_F(MemoryBufferTest, EmptyBufferShowsUnspecifiedWithoutStarEvenWhenModified)
{
    flash.markModified();
    EXPECT_TRUE(flash.modified());
    EXPECT_TRUE(project.modified);
    EXPECT_EQ(flashLabel, "[Unspecified]");
    EXPECT_EQ(flash.checksum(), 0);
    EXPECT_EQ(flash.length(), 0);
}

TEST_F(MemoryBufferTest, ChecksumIsTheByteSumModulo65536)
{
    flash.loadFile(put("three.bin", "\x01\x02\xFF"));
    EXPECT_EQ(eeprom.loadFile(put("many.bin", std::string(300, '\xFF'))), true);
    EXPECT_EQ(eeprom.checksum(), (300 * 255) % 65536);
    eeprom.loadFile(put("abc.bin", "\x01\x02\xFF"));
    EXPECT_EQ(eeprom.checksum(), 0x0102);
    // The Flash copy got a 0xFF pad byte.
    EXPECT_EQ(flash.checksum(), 0x0201);
}

TEST_F(MemoryBufferTest, LoadingAnOddLengthPadsFlashButNotEeprom)
{
    const std::string file = put("odd.bin", "\x10\x20\x30");
    EXPECT_TRUE(flash.loadFile(file));
    EXPECT_TRUE(eeprom.loadFile(file));
    EXPECT_EQ(contentsOf(flash), (Bytes{0x10, 0x20, 0x30, 0xFF}));
    EXPECT_EQ(contentsOf(eeprom), (Bytes{0x10, 0x20, 0x30}));
    EXPECT_EQ(statesOf(flash), Bytes(4, ByteLoaded));
    EXPECT_EQ(flash.fileName(), file);
    EXPECT_EQ(flashLabel, file);
    EXPECT_EQ(eepromLabel, file);
    EXPECT_FALSE(flash.modified());
    EXPECT_TRUE(ui.calls().empty());
}

TEST_F(MemoryBufferTest, RawFilesBeyondTheImageLimitAreCutThereWithoutAWord)
{
    std::string big(static_cast<std::size_t>(kImageLimit) + 4096, '\x5A');
    big[static_cast<std::size_t>(kImageLimit) - 1] = '\x01';
    for (const char* name : {"big.bin", "big.img"}) {
        ASSERT_TRUE(flash.loadFile(put(name, big)));
        EXPECT_EQ(flash.length(), kImageLimit) << name;
        EXPECT_EQ(flash.data()[static_cast<std::size_t>(kImageLimit) - 1], 0x01) << name;
    }
    EXPECT_TRUE(ui.calls().empty());
}

TEST_F(MemoryBufferTest, HexTextOfTheLargestDeviceImageLoadsWhole)
{
    // AT45DB642D: 8,650,752 bytes, more than 8 MB; its HEX text is about 24 MB.
    const Image image = patternImage(8650752);
    const std::string file = put("at45.hex", encodeHex(image));
    ASSERT_TRUE(flash.loadFile(file));
    ASSERT_EQ(flash.length(), static_cast<int>(image.size()));
    EXPECT_TRUE(contentsOf(flash) == image);
    EXPECT_TRUE(ui.calls().empty());
}

TEST_F(MemoryBufferTest, UnreadableFileShowsMessage1144AndKeepsTheContents)
{
    flash.loadFile(put("kept.bin", "\x01\x02"));
    const std::string missing = path("missing.hex");
    EXPECT_TRUE(flash.loadFile(missing));
    EXPECT_TRUE(flash.loadFile(folder.path()));
    EXPECT_EQ(ui.calls(), (std::vector<std::string>{errorBox("Cannot read file '" + missing + "'"),
                                                    errorBox("Cannot read file '" + folder.path() + "'")}));
    EXPECT_EQ(contentsOf(flash), (Bytes{0x01, 0x02}));
    EXPECT_EQ(flash.fileName(), path("kept.bin"));
}

TEST_F(MemoryBufferTest, ReloadOfAVanishedFileLeavesAnEmptyBufferBearingTheName)
{
    const std::string file = put("gone.bin", "\x01\x02");
    flash.loadFile(file);
    std::remove(file.c_str());
    EXPECT_TRUE(flash.reload());
    EXPECT_EQ(ui.calls(), std::vector<std::string>{errorBox("Cannot read file '" + file + "'")});
    EXPECT_EQ(flash.length(), 0);
    EXPECT_FALSE(flash.hasData());
    EXPECT_EQ(flash.fileName(), file);
}

TEST_F(MemoryBufferTest, ReloadRereadsTheFileOrClearsWithoutOne)
{
    const std::string file = put("changing.bin", "\x01\x02");
    flash.loadFile(file);
    flash.data()[0] = 0x77;
    flash.markModified();
    writeFile(file, "\x03\x04\x05\x06");
    EXPECT_TRUE(flash.reload());
    EXPECT_EQ(contentsOf(flash), (Bytes{3, 4, 5, 6}));
    EXPECT_FALSE(flash.modified());

    eeprom.createBlank(8);
    EXPECT_TRUE(eeprom.reload());
    EXPECT_FALSE(eeprom.hasData());
    EXPECT_EQ(eeprom.fileName(), "[Unspecified]");
}

TEST_F(MemoryBufferTest, IncrementSerialCarriesThroughAtMostFourBytes)
{
    eeprom.loadFile(put("serial.bin", std::string("\x07\x00\xFF", 3)));
    eeprom.incrementSerial(2);
    EXPECT_EQ(contentsOf(eeprom), (Bytes{0x07, 0x01, 0x00}));
    EXPECT_EQ(statesOf(eeprom), (Bytes{ByteLoaded, ByteEdited, ByteEdited}));
    EXPECT_TRUE(eeprom.modified());
    EXPECT_EQ(eepromLabel, eeprom.fileName() + "*");

    // Beyond the end counts at the last byte.
    eeprom.incrementSerial(1000);
    EXPECT_EQ(contentsOf(eeprom), (Bytes{0x07, 0x01, 0x01}));

    // Four bytes of FF wrap to zero; the carry out of the fourth is lost.
    eeprom.loadFile(put("wrap.bin", "\x07\xFF\xFF\xFF\xFF\x09"));
    eeprom.incrementSerial(4);
    EXPECT_EQ(contentsOf(eeprom), (Bytes{0x07, 0x00, 0x00, 0x00, 0x00, 0x09}));

    // At address 0 the carry stops at the start of the buffer.
    eeprom.loadFile(put("start.bin", "\xFF\x01"));
    eeprom.incrementSerial(0);
    EXPECT_EQ(contentsOf(eeprom), (Bytes{0x00, 0x01}));

    // An empty buffer has nothing to count.
    flash.incrementSerial(0);
    EXPECT_FALSE(flash.modified());
}

TEST_F(MemoryBufferTest, CreateBlankKeepsTheNameAndClearDropsIt)
{
    const std::string file = put("named.bin", "\x01\x02");
    flash.loadFile(file);
    stateRefreshes = 0;
    EXPECT_TRUE(flash.createBlank(6));
    EXPECT_EQ(contentsOf(flash), Bytes(6, 0xFF));
    EXPECT_EQ(statesOf(flash), Bytes(6, BytePending));
    EXPECT_TRUE(flash.modified());
    EXPECT_TRUE(project.modified);
    EXPECT_EQ(flash.fileName(), file);
    EXPECT_EQ(flashLabel, file + "*");
    EXPECT_GE(stateRefreshes, 1);

    // Clear forgets the file but not that the contents were changed.
    flash.setBusy(true);
    EXPECT_TRUE(flash.clear());
    EXPECT_FALSE(flash.busy());
    EXPECT_FALSE(flash.hasData());
    EXPECT_TRUE(flash.modified());
    EXPECT_EQ(flashLabel, "[Unspecified]");
}

TEST_F(MemoryBufferTest, ChoosersOfferTheBuffersOwnFormatFirstAndRememberThePath)
{
    EXPECT_FALSE(flash.open());
    EXPECT_FALSE(eeprom.open());
    const std::string chosen = put("chosen.hex", ":0100000042BD\n:00000001FF\n");
    ui.chooseNext(chosen);
    EXPECT_TRUE(flash.open());
    EXPECT_FALSE(flash.open());
    EXPECT_EQ(ui.calls(),
              (std::vector<std::string>{
                  "open-file: HEX Files|*.hex|BIN Files|*.bin|All Files|*.*|| | HEX | Untitled -> (cancel)",
                  "open-file: EEP Files|*.eep|HEX Files|*.hex|BIN Files|*.bin|All Files|*.*|| | EEP | Untitled -> (cancel)",
                  "open-file: HEX Files|*.hex|BIN Files|*.bin|All Files|*.*|| | HEX | Untitled -> " + chosen,
                  "open-file: HEX Files|*.hex|BIN Files|*.bin|All Files|*.*|| | HEX | " + chosen + " -> (cancel)"}));
    EXPECT_EQ(contentsOf(flash), (Bytes{0x42, 0xFF}));
    EXPECT_EQ(flash.saveChooser().settings().filter, "HEX Files|*.hex|EEP Files|*.eep|BIN Files|*.bin|All Files|*.*||");
    EXPECT_EQ(eeprom.saveChooser().settings().filter, "EEP Files|*.eep|HEX Files|*.hex|BIN Files|*.bin|All Files|*.*||");
    EXPECT_EQ(eeprom.saveChooser().settings().defaultExtension, "EEP");
}

TEST_F(MemoryBufferTest, ChoosersOpenBesideTheirFileElseInTheProjectsFolder)
{
    std::filesystem::create_directory(path("sub"));
    const std::string elsewhere = put("sub/image.hex", ":0100000042BD\n:00000001FF\n");
    project.fileName = path("p.kx2");
    EXPECT_FALSE(flash.open());
    ASSERT_TRUE(eeprom.loadFile(elsewhere));
    EXPECT_FALSE(eeprom.open());
    eeprom.clear();
    ui.chooseNext(elsewhere);
    EXPECT_TRUE(eeprom.open());
    eeprom.clear();
    EXPECT_FALSE(eeprom.open()); // the path last chosen in it comes before the project's folder
    const auto calls = ui.calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_TRUE(calls[0].ends_with("| HEX | " + path("Untitled") + " -> (cancel)")) << calls[0];
    EXPECT_TRUE(calls[1].ends_with("| EEP | " + elsewhere + " -> (cancel)")) << calls[1];
    EXPECT_TRUE(calls[2].ends_with("| EEP | " + path("Untitled") + " -> " + elsewhere)) << calls[2];
    EXPECT_TRUE(calls[3].ends_with("| EEP | " + elsewhere + " -> (cancel)")) << calls[3];
    EXPECT_EQ(chooserStart("[Unspecified]", "Untitled", "[Unspecified]"), "Untitled");
}

TEST_F(MemoryBufferTest, SaveWithoutAFileNameAsksForOne)
{
    flash.save(); // empty: nothing at all
    flash.createBlank(2);
    flash.save();
    EXPECT_EQ(ui.calls(), std::vector<std::string>{"save-file: HEX Files|*.hex|EEP Files|*.eep|BIN Files|*.bin|All "
                                                   "Files|*.*|| | HEX | Untitled | confirm overwrite -> (cancel)"});
    EXPECT_TRUE(flash.modified());
    EXPECT_EQ(flash.fileName(), "[Unspecified]");
}

TEST_F(MemoryBufferTest, SaveAsWritesMarksSavedAndCleansTheProject)
{
    flash.createBlank(2);
    flash.data()[0] = 0x01;
    EXPECT_FALSE(eeprom.saveAs()); // no data: no chooser
    const std::string file = path("out.hex");
    ui.chooseNext(file);
    EXPECT_TRUE(flash.saveAs());
    EXPECT_EQ(fileContents(file), ":0200000001FFFE\r\n:00000001FF\r\n");
    EXPECT_EQ(flash.fileName(), file);
    EXPECT_EQ(flashLabel, file);
    EXPECT_FALSE(flash.modified());
    EXPECT_FALSE(project.modified);
    EXPECT_EQ(statesOf(flash), Bytes(2, ByteSaved));

    // Save goes straight to the named file now.
    flash.data()[1] = 0x02;
    flash.markModified();
    ui.clearCalls();
    flash.save();
    EXPECT_TRUE(ui.calls().empty());
    EXPECT_EQ(fileContents(file), ":020000000102FB\r\n:00000001FF\r\n");
}

TEST_F(MemoryBufferTest, FormatFollowsTheExtensionAndOthersAsk)
{
    eeprom.loadFile(put("in.bin", "\x01\x02\x03"));
    const std::string hex = ":03000000010203F7\r\n:00000001FF\r\n";

    EXPECT_TRUE(eeprom.writeFile(path("caps.HEX")));
    EXPECT_TRUE(eeprom.writeFile(path("data.Eep")));
    EXPECT_TRUE(eeprom.writeFile(path("raw.bin")));
    EXPECT_TRUE(ui.calls().empty());
    EXPECT_EQ(fileContents(path("caps.HEX")), hex);
    EXPECT_EQ(fileContents(path("data.Eep")), hex);
    EXPECT_EQ(fileContents(path("raw.bin")), "\x01\x02\x03");

    ui.answerNext(Answer::Yes);
    ui.answerNext(Answer::No);
    EXPECT_TRUE(eeprom.writeFile(path("yes.txt")));
    EXPECT_TRUE(eeprom.writeFile(path("no.txt")));
    EXPECT_EQ(fileContents(path("yes.txt")), hex);
    EXPECT_EQ(fileContents(path("no.txt")), "\x01\x02\x03");
    EXPECT_EQ(ui.calls(),
              (std::vector<std::string>{
                  question("Would you like to save '" + path("yes.txt") + "' in Intel HEX format?", "yes"),
                  question("Would you like to save '" + path("no.txt") + "' in Intel HEX format?", "no")}));
}

TEST_F(MemoryBufferTest, FileThatCannotBeCreatedShows1015AndChangesNothing)
{
    eeprom.loadFile(put("in.bin", "\x01\x02\x03"));
    eeprom.markModified();
    EXPECT_FALSE(eeprom.writeFile(path("no-such-folder/out.txt")));
    EXPECT_FALSE(eeprom.writeFile(folder.path()));
    EXPECT_EQ(ui.calls(), (std::vector<std::string>{errorBox("Cannot save file"), errorBox("Cannot save file")}));
    EXPECT_TRUE(eeprom.modified());
    EXPECT_EQ(statesOf(eeprom), Bytes(3, ByteLoaded));
}

TEST_F(MemoryBufferTest, SavingReplacesTheFileAndLeavesNoTemporaryBehind)
{
    const std::string file = put("image.bin", "old contents that are longer");
    eeprom.loadFile(put("in.bin", "new"));
    EXPECT_TRUE(eeprom.writeFile(file));
    EXPECT_EQ(fileContents(file), "new");
    EXPECT_EQ(folder.names(), (std::vector<std::string>{"image.bin", "in.bin"}));
}

TEST_F(MemoryBufferTest, BadChecksumAnsweredNoLoadsTheTextRaw)
{
    const std::string text = ":0100000042BE\n:00000001FF\n";
    ui.answerNext(Answer::No);
    EXPECT_TRUE(eeprom.loadFile(put("bad.hex", text)));
    ASSERT_EQ(ui.calls().size(), 2u); // the question, then the warning that it was taken raw
    EXPECT_EQ(ui.calls().front(), question("If this file is in Intel HEX format, its control sum is invalid. Would "
                                           "you still like to load this file as HEX?",
                                           "no"));
    EXPECT_EQ(eeprom.length(), static_cast<int>(text.size()));
}

TEST_F(MemoryBufferTest, HexFileTakenRawWarnsWithTheReasonAndIsMarkedUntilReplaced)
{
    struct Case {
        const char* text;
        const char* reason;
    };
    const Case cases[] = {
        {":0100000042BF\n:00000001FF", "line 2 has no line end within 80 characters"},
        {":0100000042BF\n\n:00000001FF\n", "line 2 does not begin with ':'"},
        {":0100000042BF\n", "the file ends without an end-of-file record"},
        {":0100000042BF\n:G1\n", "line 2 is not a valid record"},
        {"", "the file ends without an end-of-file record"},
    };
    for (const Case& c : cases) {
        ui.clearCalls();
        const std::string path = put("trunc.hex", c.text);
        EXPECT_TRUE(flash.loadFile(path));
        ASSERT_TRUE(flash.rawText()) << c.text;
        EXPECT_EQ(flash.rawText()->path, path);
        const std::string warning = std::string("box: warning | ") + kCaption + " | '" + path +
                                    "' is not an Intel HEX file: " + c.reason +
                                    ". Its bytes were loaded as they stand in the file, as text.";
        ASSERT_FALSE(ui.calls().empty());
        EXPECT_EQ(ui.calls().back(), warning) << c.text; // after 1020 where the record is broken
    }

    // A refused checksum is a reason too.
    ui.answerNext(Answer::No);
    eeprom.loadFile(put("bad.eep", ":0100000042BE\n:00000001FF\n"));
    ASSERT_TRUE(eeprom.rawText());
    EXPECT_EQ(hexRejectionText(eeprom.rawText()->why), "the checksum of line 1 is wrong");

    // A good file, a read from the chip (a blank image) or a close ends it;
    // other extensions never carried a promise of Intel HEX.
    flash.loadFile(put("good.hex", ":0100000042BF\n:00000001FF\n"));
    EXPECT_FALSE(flash.rawText());
    eeprom.createBlank(16);
    EXPECT_FALSE(eeprom.rawText());
    flash.loadFile(put("notes.txt", "not hex"));
    EXPECT_FALSE(flash.rawText());
    EXPECT_EQ(flash.length(), 8);
}

TEST_F(MemoryBufferTest, AFileThatCannotBeReadIsRememberedOnlyWhileTheBufferIsEmpty)
{
    flash.loadFile(folder.file("missing.hex"));
    EXPECT_EQ(flash.unreadFile(), folder.file("missing.hex"));
    flash.loadFile(put("there.bin", "\x01\x02"));
    EXPECT_EQ(flash.unreadFile(), "");
    // A failed load over loaded data leaves that data, which is not missing.
    flash.loadFile(folder.file("missing.hex"));
    EXPECT_EQ(flash.unreadFile(), "");
}

} // namespace
} // namespace quorva::test

namespace quorva::test {
namespace {

TEST_F(MemoryBufferTest, ChecksumIsTheSumOfEveryByteAtAnyLengthAndContent)
{
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{8}, std::size_t{9},
                                   std::size_t{1023}, std::size_t{1025}, std::size_t{3} << 20}) {
        for (const int fill : {0xFF, -1}) { // all 0xFF (the lanes' worst case), then varied bytes
            std::string bytes(size, '\xFF');
            if (fill < 0)
                for (std::size_t i = 0; i < size; ++i)
                    bytes[i] = static_cast<char>(i * 131 + i / 7);
            eeprom.loadFile(put("sum.bin", bytes));
            unsigned expected = 0;
            for (const char c : bytes)
                expected += static_cast<unsigned char>(c);
            EXPECT_EQ(eeprom.checksum(), static_cast<std::uint16_t>(expected)) << size << " " << fill;
        }
    }
}

} // namespace
} // namespace quorva::test
