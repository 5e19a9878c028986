#include "base/messages.h"
#include "cli/cli_commands.h"
#include "cli/cli_options.h"
#include "cli_run.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace quorva::cli {
namespace {

CliRun run(std::vector<const char*> args)
{
    return runCliHere(std::move(args));
}

TEST(CliOptionsTest, GlobalOptionsStandAnywhere)
{
    const char* argv[] = {"quorva-cli", "--yes",   "message", "--lang=ru",     "1016", "--settings",
                          "/tmp/s.ini", "--trace", "t.log",   "--records=off", "--",   "--help"};
    const ParsedOptions parsed = parseCliOptions(12, argv);
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->command, "message");
    EXPECT_EQ(parsed.options->arguments, (std::vector<std::string>{"1016", "--help"}));
    EXPECT_EQ(parsed.options->answers, AnswerPolicy::Yes);
    EXPECT_EQ(parsed.options->russian, true);
    EXPECT_EQ(parsed.options->settingsPath, "/tmp/s.ini");
    EXPECT_EQ(parsed.options->tracePath, "t.log");
    EXPECT_EQ(parsed.options->recordsLocation, "off");
    EXPECT_FALSE(parsed.options->help);
}

TEST(CliOptionsTest, RejectsWhatItCannotHonour)
{
    const std::vector<std::vector<const char*>> bad{
        {"quorva-cli", "--yes", "--no", "settings"},
        {"quorva-cli", "--lang", "de", "settings"},
        {"quorva-cli", "--settings"},
        {"quorva-cli", "records", "--records"},
        {"quorva-cli", "--records=", "records"},
        {"quorva-cli", "--bogus", "settings"},
        {"quorva-cli", "--com", "0", "info"},
        {"quorva-cli", "--com=256", "info"},
        {"quorva-cli", "--com", "03", "info"},
        {"quorva-cli", "--com", "4294967297", "info"}, // 1 once cut to 32 bits
        {"quorva-cli", "--com", "99999999999999999999", "info"},
    };
    for (const auto& argv : bad) {
        const ParsedOptions parsed = parseCliOptions(static_cast<int>(argv.size()), argv.data());
        EXPECT_FALSE(parsed.options) << argv[1];
        EXPECT_FALSE(parsed.error.empty());
    }
}

TEST(CliTest, HelpVersionAndUnknownCommands)
{
    const CliRun help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: quorva-cli"), std::string::npos);
    EXPECT_NE(help.out.find("settings"), std::string::npos);

    const CliRun version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "quorva-cli In-System Programmer 11.56\n");

    const CliRun none = run({});
    EXPECT_EQ(none.status, 2);
    const CliRun unknown = run({"frobnicate"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("unknown command frobnicate"), std::string::npos);
}

TEST(CliTest, SettingsCommandReadsTheChosenFileWithoutWritingIt)
{
    test::TempFolder folder;
    const std::string path = folder.file("s.ini");
    test::writeFile(path, "[Connect]\nCOM=4\nSpecial3=25\n[Ports]\nCOM4=/dev/ttyACM1\n");
    const CliRun shown = run({"--settings", path.c_str(), "settings"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_NE(shown.out.find("COM: 4 (/dev/ttyACM1)\n"), std::string::npos);
    EXPECT_NE(shown.out.find("Special3: 25\n"), std::string::npos);
    EXPECT_EQ(test::fileContents(path), "[Connect]\nCOM=4\nSpecial3=25\n[Ports]\nCOM4=/dev/ttyACM1\n");
}

TEST(CliTest, LanguageComesFromSettingsUnlessGiven)
{
    test::TempFolder folder;
    const std::string path = folder.file("s.ini");
    test::writeFile(path, "[Language]\nRussian=1\n");
    EXPECT_EQ(run({"--settings", path.c_str(), "message", "1027"}).out, "Ошибка соединения\n");
    EXPECT_EQ(run({"--settings", path.c_str(), "--lang", "en", "message", "1027"}).out, "Connection error\n");
    EXPECT_EQ(run({"--settings", path.c_str(), "message", "1200"}).out, "NOT TRANSLATED\n");
    EXPECT_EQ(run({"--settings", path.c_str(), "message", "12x"}).status, 2);
}

} // namespace
} // namespace quorva::cli

namespace quorva::cli {
namespace {

TEST(CliTest, DeviceCommandsFindDevicesByAnyVariantName)
{
    const CliRun list = run({"devices"});
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("ATmega8/8A"), std::string::npos);
    const std::string listJson = run({"devices", "--json"}).out;
    EXPECT_EQ(listJson.front(), '[');
    EXPECT_EQ(listJson.find("\"event\""), std::string::npos); // no result line after the document
    EXPECT_EQ(run({"devices", "extra"}).status, 2);

    const CliRun one = run({"device", "atmega8a"});
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(one.out.rfind("ATmega8/8A", 0), 0u);
    EXPECT_EQ(run({"device", "ATmega9999"}).status, 1);
}

TEST(CliTest, ConvertAndChecksumImageFiles)
{
    test::TempFolder folder;
    const std::string hex = folder.file("in.hex");
    test::writeFile(hex, ":0400000001020304F2\n:00000001FF\n");
    const CliRun sum = run({"checksum", hex.c_str()});
    EXPECT_EQ(sum.status, 0) << sum.err;
    EXPECT_EQ(sum.out, "Flash length: 4 (0x4) bytes, Checksum = 0x000A\n");

    const std::string bin = folder.file("out.bin");
    EXPECT_EQ(run({"convert", hex.c_str(), bin.c_str()}).status, 0);
    EXPECT_EQ(test::fileContents(bin), std::string("\x01\x02\x03\x04", 4));

    EXPECT_EQ(run({"checksum", folder.file("missing.hex").c_str()}).status, 1);
    EXPECT_EQ(run({"convert", hex.c_str()}).status, 2);
}

} // namespace
} // namespace quorva::cli

namespace quorva::cli {
namespace {

TEST(CliTest, JsonModePrintsOneObjectPerEvent)
{
    test::TempFolder folder;
    const std::string hex = folder.file("in.hex");
    test::writeFile(hex, ":0400000001020304F2\n:00000001FF\n");
    const CliRun sum = run({"--json", "checksum", hex.c_str()});
    EXPECT_EQ(sum.out, "{\"event\":\"status\",\"text\":\"Flash length: 4 (0x4) bytes, Checksum = 0x000A\"}\n"
                       "{\"event\":\"result\",\"command\":\"checksum\",\"status\":0}\n");

    // A question and its answer; a file name with a quote stays valid JSON.
    const std::string odd = folder.file("a\"b.txt");
    const CliRun convert = run({"--json", "--no", "convert", hex.c_str(), odd.c_str()});
    EXPECT_NE(convert.out.find("{\"event\":\"question\",\"caption\":\"In-System Programmer 11.56\",\"text\":\"Would "
                               "you like to save '" + folder.path() + "/a\\\"b.txt' in Intel HEX format?\""),
              std::string::npos)
        << convert.out;
    EXPECT_NE(convert.out.find("\"buttons\":[\"yes\",\"no\"],\"answer\":\"No\"}\n"), std::string::npos);
}

} // namespace
} // namespace quorva::cli

namespace quorva::cli {
namespace {

TEST(CliTest, LoadAtMergesAtAHexadecimalAddress)
{
    test::TempFolder folder;
    test::writeFile(folder.file("base.bin"), std::string("\x01\x02\x03\x04", 4));
    test::writeFile(folder.file("tail.bin"), std::string("\xAA\xBB", 2));
    const std::string out = folder.file("out.bin");
    const CliRun merged = run({"load-at", folder.file("base.bin").c_str(), folder.file("tail.bin").c_str(), "6",
                               out.c_str()});
    EXPECT_EQ(merged.status, 0) << merged.err << merged.out;
    EXPECT_EQ(test::fileContents(out), std::string("\x01\x02\x03\x04\xFF\xFF\xAA\xBB", 8));

    // Overlapping asks first; --no keeps the file unwritten.
    const std::string refused = folder.file("refused.bin");
    EXPECT_EQ(run({"--no", "load-at", folder.file("base.bin").c_str(), folder.file("tail.bin").c_str(), "0x2",
                   refused.c_str()})
                  .status,
              1);
    EXPECT_EQ(test::fileContents(refused), "<missing>");

    // An address that is no hexadecimal number is refused, not taken as 0.
    const CliRun garbage =
        run({"load-at", folder.file("base.bin").c_str(), folder.file("tail.bin").c_str(), "XYZ", refused.c_str()});
    EXPECT_EQ(garbage.status, 2);
    EXPECT_NE(garbage.err.find("Enter a hexadecimal address from 0 to FFFFFF."), std::string::npos) << garbage.err;
    EXPECT_EQ(test::fileContents(refused), "<missing>");
}

TEST(CliTest, ProjectInfoAndRecent)
{
    test::TempFolder folder;
    const std::string project = folder.file("p.kx2");
    test::writeFile(project, "[Files]\nFlash=[Unspecified]\n[Settings]\nSPIPeriod=7\n[AutoProgram]\nLockMode=2\n"
                             "Fuse13=1\n[Device]\nDeviceNo=17\n");
    const CliRun info = run({"project-info", project.c_str()});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("Device: ATmega8/8A (device number 17)\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("SPIPeriod: 7 (150 uS (7 kHz))\n"), std::string::npos);
    EXPECT_NE(info.out.find("LockMode: 2 (LB1+LB2: R&W protect)\n"), std::string::npos);
    EXPECT_NE(info.out.find("Fuse13 SPIEN: programmed\n"), std::string::npos);
    EXPECT_EQ(run({"project-info", folder.file("none.kx2").c_str()}).status, 1);

    const std::string settings = folder.file("s.ini");
    test::writeFile(settings, "[Recent]\nProject1=/a.kx2\nProject2=/b.kx2\nLoadMostRecent=1\n");
    EXPECT_EQ(run({"--settings", settings.c_str(), "recent"}).out, "1  /a.kx2\n2  /b.kx2\nLoadMostRecent: 1\n");
}

} // namespace
} // namespace quorva::cli
