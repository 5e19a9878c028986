// Runs that used to end "Done" on a chip that did not hold what was meant:
// each front end now fails them, and the chip shows it was left alone.

#include "process.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace quorva {
namespace {

bool allErased(const std::string& bytes)
{
    return !bytes.empty() &&
           std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) == 0xFF; });
}

// 600 bytes of Intel HEX data; its first 300 characters end mid-record.
std::string intelHex()
{
    static const char* digits = "0123456789ABCDEF";
    std::string text;
    for (int line = 0; line < 38; ++line) {
        const int address = line * 16;
        int sum = 16 + (address >> 8) + (address & 0xFF);
        text += ":10";
        for (int value : {address >> 8, address & 0xFF, 0})
            text += {digits[(value >> 4) & 0xF], digits[value & 0xF]};
        for (int i = 0; i < 16; ++i) {
            const int value = (address + i) * 5 & 0xFF;
            sum += value;
            text += {digits[value >> 4], digits[value & 0xF]};
        }
        const int check = (0x100 - (sum & 0xFF)) & 0xFF;
        text += {digits[check >> 4], digits[check & 0xF], '\r', '\n'};
    }
    return text + ":00000001FF\r\n";
}

class RefusedRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::writeFile(settings, "[Connect]\nCOM=3\n[Ports]\nCOM3=" + folder.file("com3") + "\n");
        setenv("QUORVA_SETTINGS", settings.c_str(), 1);
        // `quorva -autoprogram` here is the console run a machine without a desktop gets.
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            unsetenv(name);
        test::writeFile(folder.file("serial.bin"), std::string("\x01\x02\x03", 3));
    }
    void TearDown() override { unsetenv("QUORVA_SETTINGS"); }

    void simulate(const std::string& chip = "ATmega8")
    {
        std::vector<std::string> argv{
            QUORVA_SIM,  "--link",      folder.file("com3"), "--chip",       chip,
            "--instant", "--state-out", folder.file("chip"), "--violations", folder.file("violations.txt")};
        sim = std::make_unique<test::BackgroundProcess>(argv);
        ASSERT_TRUE(test::waitForPath(folder.file("com3")));
    }
    void project(const std::string& path, const std::string& flash)
    {
        test::writeFile(path, "[Files]\nFlash=" + flash + "\nEeprom=" + folder.file("serial.bin") +
                                  "\n[Settings]\nResetStrobeLength=20\nSPIPeriod=4\n[AutoProgram]\nAutoErase=1\n"
                                  "AutoFlashProgram=1\nAutoFlashVerify=1\nAutoEepromProgram=1\n"
                                  "AutoEepromVerify=1\n[Device]\nDeviceNo=17\n");
    }
    test::ProcessResult cli(std::vector<std::string> arguments)
    {
        std::vector<std::string> argv{QUORVA_CLI, "--settings", settings};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return test::runProcess(argv, folder.path(), 120000);
    }
    test::ProcessResult window(const std::string& projectPath)
    {
        return test::runProcess({QUORVA, projectPath, "-autoprogram"}, folder.path(), 120000);
    }
    // Stops the box; neither memory of the chip was written, nor erased
    // (which would have cleared the Eeprom the box was given).
    void expectChipUntouched()
    {
        ASSERT_TRUE(sim);
        EXPECT_EQ(sim->stop(), 0);
        EXPECT_TRUE(allErased(test::fileContents(folder.file("chip/flash.bin"))));
        EXPECT_TRUE(allErased(test::fileContents(folder.file("chip/eeprom.bin"))));
        EXPECT_EQ(test::fileContents(folder.file("violations.txt")), "");
    }

    test::TempFolder folder;
    std::string settings = folder.file("quorva.ini");
    std::unique_ptr<test::BackgroundProcess> sim;
};

TEST_F(RefusedRunTest, ATruncatedHexFileIsNeverProgrammedAsItsText)
{
    const std::string trunc = folder.file("trunc.hex");
    test::writeFile(trunc, intelHex().substr(0, 300));
    project(folder.file("p.kx2"), trunc);
    simulate();
    const std::string why = "'" + trunc + "' is not an Intel HEX file: line 7 has no line end within 80 characters";

    for (const std::vector<std::string>& command :
         {std::vector<std::string>{"program-flash", trunc, "--device", "ATmega8/8A"},
          std::vector<std::string>{"--yes", "program-flash", trunc, "--device", "ATmega8/8A"},
          std::vector<std::string>{"autoprogram", "--project", folder.file("p.kx2")}}) {
        const test::ProcessResult run = cli(command);
        EXPECT_EQ(run.status, 1) << run.out << run.err;
        EXPECT_NE((run.out + run.err).find(why + ". Its text is not programmed"), std::string::npos)
            << run.out << run.err;
        EXPECT_EQ(run.out.find("Done"), std::string::npos) << run.out;
    }
    const test::ProcessResult started = window(folder.file("p.kx2"));
    EXPECT_NE(started.status, 0);
    EXPECT_NE((started.out + started.err).find(why), std::string::npos) << started.out << started.err;
    EXPECT_NE(started.out.find("AUTOPROGRAM: Error"), std::string::npos) << started.out;
    expectChipUntouched();
}

TEST_F(RefusedRunTest, AProjectFileThatDidNotLoadStopsTheRunBeforeTheChip)
{
    project(folder.file("p.kx2"), folder.file("missing.hex"));
    simulate();
    const std::string reason = "The project names the file '" + folder.file("missing.hex") + "', which did not load";
    for (const test::ProcessResult& run :
         {cli({"autoprogram", "--project", folder.file("p.kx2")}), window(folder.file("p.kx2"))}) {
        EXPECT_NE(run.status, 0);
        EXPECT_NE((run.out + run.err).find(reason), std::string::npos) << run.out << run.err;
        EXPECT_EQ(run.out.find("DONE"), std::string::npos) << run.out;
    }
    expectChipUntouched();
}

TEST_F(RefusedRunTest, AnAt26FreshFromPowerUpIsProgrammedWithoutAnErase)
{
    const std::string image = intelHex();
    test::writeFile(folder.file("app.hex"), image);
    simulate("AT26F021");
    EXPECT_EQ(cli({"program-flash", folder.file("app.hex"), "--device", "AT26F021"}).status, 0);
    const test::ProcessResult verify = cli({"verify-flash", folder.file("app.hex"), "--device", "AT26F021"});
    EXPECT_EQ(verify.status, 0) << verify.out << verify.err;
    EXPECT_EQ(sim->stop(), 0);
    EXPECT_EQ(test::fileContents(folder.file("chip/flash.bin")).substr(0, 3), std::string("\x00\x05\x0A", 3));
    EXPECT_EQ(test::fileContents(folder.file("violations.txt")), "");
}

TEST_F(RefusedRunTest, ProjectsSavedWithTheOldDefaultExtensionOpenEverywhere)
{
    test::writeFile(folder.file("app.hex"), intelHex());
    project(folder.file("board.KX3"), folder.file("app.hex"));
    simulate();
    EXPECT_EQ(cli({"autoprogram", "--project", folder.file("board.KX3")}).status, 0);
    const test::ProcessResult started = window(folder.file("board.KX3"));
    EXPECT_EQ(started.status, 0) << started.out << started.err;
    EXPECT_EQ(sim->stop(), 0);
    EXPECT_EQ(test::fileContents(folder.file("chip/flash.bin")).substr(0, 3), std::string("\x00\x05\x0A", 3));
}

} // namespace
} // namespace quorva
