#include "base/atomic_file.h"
#include "base/ini_document.h"
#include "base/ini_file.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace quorva {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;

std::string contentsOf(const std::string& path)
{
    return test::fileContents(path);
}

TEST(IniDocumentTest, ReadsNamesWithoutRegardToCaseAndKeepsDefaults)
{
    const auto ini = IniDocument::parse("[Connect]\r\ncom=7\r\n[language]\nRussian = 1 \n");
    EXPECT_EQ(ini.getInt("CONNECT", "COM", 0), 7);
    EXPECT_EQ(ini.getInt("Language", "RUSSIAN", 0), 1);
    EXPECT_EQ(ini.getInt("Connect", "HighSpeed", 42), 42);
    EXPECT_EQ(ini.getInt("Missing", "COM", -3), -3);
    EXPECT_EQ(ini.getString("Connect", "Other", "[Unspecified]"), "[Unspecified]");
}

TEST(IniDocumentTest, ReadsIntegersLikeProfileFiles)
{
    EXPECT_EQ(parseProfileInt("12"), 12);
    EXPECT_EQ(parseProfileInt("-12"), -12);
    EXPECT_EQ(parseProfileInt("+5"), 5);
    EXPECT_EQ(parseProfileInt("  33abc"), 33);
    EXPECT_EQ(parseProfileInt("abc"), 0);
    EXPECT_EQ(parseProfileInt("0x10"), 0);
    EXPECT_EQ(parseProfileInt("-"), 0);
    EXPECT_EQ(parseProfileInt("99999999999999999999"), 2147483647);
    EXPECT_EQ(parseProfileInt("-99999999999999999999"), -2147483647 - 1);

    const auto ini = IniDocument::parse("[S]\nText=yes\nEmpty=\nNumber=1000ms\n");
    EXPECT_EQ(ini.getInt("S", "Text", 9), 0);
    EXPECT_EQ(ini.getInt("S", "Empty", 9), 9);
    EXPECT_EQ(ini.getInt("S", "Number", 9), 1000);
}

TEST(IniDocumentTest, ReadsTheFirstOccurrenceAndCutsLongValues)
{
    const std::string longValue(5000, 'x');
    const auto ini = IniDocument::parse("[A]\nk=1\nk=2\n[a]\nk=3\n[B]\nlong=" + longValue + "\nq=\"quoted\"\n");
    EXPECT_EQ(ini.getInt("A", "K", 0), 1);
    EXPECT_EQ(ini.getString("B", "long", "").size(), IniDocument::kMaxValueLength);
    EXPECT_EQ(ini.getString("B", "q", ""), "quoted");
}

TEST(IniDocumentTest, EditsInPlaceAndKeepsForeignLines)
{
    auto ini = IniDocument::parse("; settings\n[Connect]\nCOM = 3\nUnknown=x\n\n[Other]\nkeep=1\n");
    ini.setInt("connect", "com", 5);
    ini.setInt("Connect", "HighSpeed", 1);
    ini.setString("Language", "Russian", "1");
    EXPECT_EQ(ini.serialize(), "; settings\r\n[Connect]\r\nCOM =5\r\nUnknown=x\r\nHighSpeed=1\r\n\r\n"
                               "[Other]\r\nkeep=1\r\n[Language]\r\nRussian=1\r\n");
}

TEST(IniDocumentTest, AppendsMissingKeysInWriteOrder)
{
    IniDocument ini;
    ini.setString("Files", "Flash", "a.hex");
    ini.setString("Settings", "Device", "3");
    ini.setString("Files", "Eeprom", "b.eep");
    EXPECT_EQ(ini.serialize(), "[Files]\r\nFlash=a.hex\r\nEeprom=b.eep\r\n[Settings]\r\nDevice=3\r\n");
}

TEST(IniDocumentTest, ValueWithLineBreakCannotForgeKeys)
{
    IniDocument ini;
    ini.setString("Recent", "Project1", "/tmp/a\n[Connect]\nCOM=9");
    EXPECT_EQ(ini.getString("Recent", "Project1", ""), "/tmp/a");
    EXPECT_EQ(ini.getInt("Connect", "COM", 0), 0);
}

TEST(IniDocumentTest, ValuesWithBlanksOrQuotesAtTheEndsReadBackAsWritten)
{
    IniDocument ini;
    for (const std::string value : {"my project .kx2 ", " leading.kx2", "\t", "\"quoted\"", "'single'", "a\"", "\"", ""}) {
        ini.setString("Recent", "Project1", value);
        EXPECT_EQ(ini.getString("Recent", "Project1", "-"), value);
        EXPECT_EQ(IniDocument::parse(ini.serialize()).getString("Recent", "Project1", "-"), value);
    }
    // Only such values get quotes; inner blanks and quotes need none.
    ini.setString("Files", "Flash", "a b\"c.hex");
    ini.setString("Files", "Eeprom", "old.eep ");
    EXPECT_NE(ini.serialize().find("Flash=a b\"c.hex\r\nEeprom=\"old.eep \"\r\n"), std::string::npos);
}

TEST(IniFileTest, WritesThroughAndReadsBack)
{
    TempFolder folder;
    IniFile file(folder.file("settings.ini"));
    EXPECT_EQ(file.getInt("Connect", "COM", 4), 4); // missing file reads as empty
    ASSERT_TRUE(file.setInt("Connect", "COM", 12));
    ASSERT_TRUE(file.setString("Recent", "Project1", "/home/user/board.kx2"));
    EXPECT_EQ(IniFile(file.path()).getInt("connect", "com", 0), 12);
    EXPECT_EQ(contentsOf(file.path()), "[Connect]\r\nCOM=12\r\n[Recent]\r\nProject1=/home/user/board.kx2\r\n");
}

TEST(IniFileTest, ReplaceLeavesNoTemporaryAndKeepsPermissions)
{
    TempFolder folder;
    const std::string path = folder.file("project.kx2");
    { std::ofstream(path) << "[Settings]\nDevice=1\n"; }
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);

    IniFile file(path);
    ASSERT_TRUE(file.setInt("Settings", "Device", 2));
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(folder.names(), std::vector<std::string>{"project.kx2"});
}

TEST(IniFileTest, FailedWriteLeavesTheOldFile)
{
    TempFolder folder;
    const std::string path = folder.file("missing-folder/settings.ini");
    IniFile file(path);
    EXPECT_FALSE(file.setInt("Connect", "COM", 1));
    EXPECT_FALSE(fs::exists(path));
}

TEST(IniFileTest, SymbolicLinkKeepsPointingAtTheRealFile)
{
    TempFolder folder;
    const std::string real = folder.file("real.ini");
    const std::string link = folder.file("link.ini");
    { std::ofstream(real) << "[A]\nx=1\n"; }
    fs::create_symlink(real, link);
    ASSERT_TRUE(IniFile(link).setInt("A", "x", 2));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(IniFile(real).getInt("A", "x", 0), 2);
}

TEST(IniEditTest, BatchIsOneReplaceCommittedOnce)
{
    TempFolder folder;
    const std::string path = folder.file("p.ini");
    { std::ofstream(path) << "[Files]\nFlash=old.hex\n; comment\n"; }
    IniEdit edit(path);
    edit.setString("Files", "Flash", "new.hex");
    edit.setInt("Settings", "Device", 7);
    EXPECT_EQ(IniFile(path).getString("Files", "Flash", ""), "old.hex"); // nothing written yet
    ASSERT_TRUE(edit.commit());
    EXPECT_EQ(contentsOf(path), "[Files]\r\nFlash=new.hex\r\n; comment\r\n[Settings]\r\nDevice=7\r\n");
}

TEST(AtomicFileTest, ReadsOnlyRegularFiles)
{
    TempFolder folder;
    EXPECT_FALSE(readWholeFile(folder.file("none")).has_value());
    EXPECT_FALSE(readWholeFile(folder.file("")).has_value()); // the folder itself
    ASSERT_TRUE(writeFileAtomically(folder.file("bin"), std::string("a\0b", 3)));
    EXPECT_EQ(readWholeFile(folder.file("bin")), std::string("a\0b", 3));
}

} // namespace
} // namespace quorva
