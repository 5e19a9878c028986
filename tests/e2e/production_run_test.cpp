#include "process.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

std::string bytes(std::initializer_list<int> values)
{
    std::string text;
    for (int v : values)
        text += static_cast<char>(v);
    return text;
}

std::size_t occurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// quorva-cli autoprogram on a simulated ATmega8: erase, blank check, fuses
// first, then program and verify Eeprom and Flash, with a serial number in
// the Eeprom image.
class ProductionRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::writeFile(settings, "[Connect]\nCOM=3\n[Ports]\nCOM3=" + folder.file("com3") + "\n");
        std::string flash;
        for (int i = 0; i < 300; ++i)
            flash += static_cast<char>(i * 7 + 1);
        test::writeFile(folder.file("app.bin"), flash);
        test::writeFile(folder.file("serial.bin"), bytes({0x00, 0x12, 0xFF}));
        test::writeFile(project, "[Files]\nFlash=" + folder.file("app.bin") + "\nEeprom=" + folder.file("serial.bin") +
                                     "\n[Settings]\nResetStrobeLength=20\nSPIPeriod=4\n"
                                     "[AutoProgram]\nAutoErase=1\nAutoEmptyCheck=1\nAutoFlashProgram=1\n"
                                     "AutoFlashVerify=1\nAutoEepromProgram=1\nAutoEepromVerify=1\nAutoIncrement=1\n"
                                     "AutoIncAddress=2\nProgramFuse=1\nProgramFuseBeforeAll=1\nFuse1=1\nFuse13=1\n"
                                     "[Device]\nDeviceNo=17\n");
    }

    std::unique_ptr<test::BackgroundProcess> simulate(const std::string& chip = "ATmega8")
    {
        std::vector<std::string> argv{
            QUORVA_SIM,  "--link",      folder.file("com3"), "--chip",       chip,
            "--instant", "--state-out", folder.file("chip"), "--violations", folder.file("violations.txt")};
        auto sim = std::make_unique<test::BackgroundProcess>(argv);
        EXPECT_TRUE(test::waitForPath(folder.file("com3")));
        return sim;
    }

    test::ProcessResult cli(std::vector<std::string> arguments)
    {
        std::vector<std::string> argv{QUORVA_CLI, "--settings", settings};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return test::runProcess(argv, folder.path(), 120000);
    }

    // The chip as the simulator left it.
    void expectChip(const std::string& eepromStart)
    {
        EXPECT_EQ(test::fileContents(folder.file("chip/eeprom.bin")).substr(0, 3), eepromStart);
        EXPECT_EQ(test::fileContents(folder.file("chip/flash.bin")).substr(0, 300), test::fileContents(folder.file("app.bin")));
        // CKSEL1 and SPIEN programmed.
        EXPECT_NE(test::fileContents(folder.file("chip/chip.json")).find("\"fuses\": [253, 223"), std::string::npos);
        EXPECT_EQ(test::fileContents(folder.file("violations.txt")), "");
    }

    test::TempFolder folder;
    std::string settings = folder.file("quorva.ini");
    std::string project = folder.file("board.kx2");
};

TEST_F(ProductionRunTest, TwoChipsInOneProcessGetConsecutiveNumbers)
{
    auto sim = simulate();
    const test::ProcessResult run = cli({"autoprogram", "--project", project, "--count", "2", "--no-wait"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("Chip 1 of 2\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Chip 2 of 2\n"), std::string::npos);
    EXPECT_EQ(occurrences(run.out, "Autoprogram: DONE (300 Flash and 3 Eeprom bytes programmed)\n"), 2u);
    EXPECT_EQ(occurrences(run.out, "AUTOPROGRAM: OK\n"), 2u);
    EXPECT_EQ(sim->stop(), 0);
    // The second chip (the same simulated one) carries the next number; the
    // image file does not, without --save-serial.
    expectChip(bytes({0x00, 0x13, 0x00}));
    EXPECT_EQ(test::fileContents(folder.file("serial.bin")), bytes({0x00, 0x12, 0xFF}));
}

TEST_F(ProductionRunTest, SavedSerialNumbersCarryOverToTheNextProcess)
{
    auto sim = simulate();
    const test::ProcessResult first = cli({"autoprogram", "--project", project, "--save-serial"});
    EXPECT_EQ(first.status, 0) << first.out << first.err;
    EXPECT_EQ(test::fileContents(folder.file("serial.bin")), bytes({0x00, 0x13, 0x00}));
    const test::ProcessResult second = cli({"autoprogram", "--project", project, "--save-serial"});
    EXPECT_EQ(second.status, 0) << second.out << second.err;
    EXPECT_EQ(test::fileContents(folder.file("serial.bin")), bytes({0x00, 0x13, 0x01}));
    EXPECT_EQ(sim->stop(), 0);
    expectChip(bytes({0x00, 0x13, 0x00}));
}

TEST_F(ProductionRunTest, AFailedRunExitsNonZeroAndKeepsTheNumber)
{
    // No box behind the port.
    const test::ProcessResult run = cli({"autoprogram", "--project", project, "--save-serial", "--count", "3"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(occurrences(run.out, "AUTOPROGRAM: Error\n"), 1u) << run.out;
    EXPECT_EQ(test::fileContents(folder.file("serial.bin")), bytes({0x00, 0x12, 0xFF}));
    EXPECT_EQ(cli({"autoprogram", "--device", "ATmega8"}).status, 2) << "the sequence lives in a project";
}

TEST_F(ProductionRunTest, AnotherChipFailsACheckedRunWhateverYesSays)
{
    std::string text = test::fileContents(project);
    text.replace(text.find("[Settings]\n"), 11, "[Settings]\nCheckSign=1\n");
    test::writeFile(project, text);
    auto sim = simulate("ATmega128");
    for (const char* answers : {"--no", "--yes"}) {
        const test::ProcessResult run = cli({answers, "autoprogram", "--project", project});
        EXPECT_EQ(run.status, 1) << answers;
        EXPECT_NE(run.out.find("Autoprogram: ERROR wrong device - the project is for ATmega8/8A, the chip answers "
                               "1E 97 02 (ATmega128/128A)\nAUTOPROGRAM: Error\n"),
                  std::string::npos)
            << answers << run.out << run.err;
        EXPECT_EQ(run.out.find("Device: "), std::string::npos) << "the device stays the project's";
    }
    EXPECT_EQ(sim->stop(), 0);
    const std::string flash = test::fileContents(folder.file("chip/flash.bin"));
    EXPECT_EQ(flash.find_first_not_of('\xFF'), std::string::npos) << "nothing written";
    EXPECT_EQ(test::fileContents(folder.file("chip/chip.json")).find("\"fuses\": [253"), std::string::npos);
    EXPECT_EQ(test::fileContents(folder.file("violations.txt")), "");
}

TEST_F(ProductionRunTest, FusesAreReadWrittenAndVerifiedByName)
{
    auto sim = simulate();
    EXPECT_EQ(cli({"--yes", "fuses-write", "--device", "ATmega8", "--lock", "1", "SPIEN", "CKSEL1", "BLB01"}).status,
              0);
    const test::ProcessResult read = cli({"fuses", "--device", "ATmega8"});
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_NE(read.out.find("Lock mode: 1 (LB1: Write protect)\n"), std::string::npos) << read.out;
    EXPECT_NE(read.out.find("Programmed: CKSEL1 SPIEN BLB01\n"), std::string::npos);
    EXPECT_EQ(cli({"fuses-verify", "--device", "ATmega8", "--lock", "1", "SPIEN", "CKSEL1", "BLB01"}).status, 0);
    const test::ProcessResult differs = cli({"fuses-verify", "--device", "ATmega8", "SPIEN"});
    EXPECT_EQ(differs.status, 1);
    EXPECT_NE(differs.err.find(" - CKSEL1 should be unprogrammed, is programmed"), std::string::npos) << differs.err;
    // Leaving SPIEN unprogrammed is asked about first; a script without --yes declines.
    EXPECT_EQ(cli({"fuses-write", "--device", "ATmega8"}).status, 1);
    EXPECT_EQ(cli({"fuses-write", "--device", "ATmega8", "NOSUCHBIT"}).status, 2);
    EXPECT_EQ(cli({"erase", "--device", "ATmega8"}).status, 0);
    EXPECT_EQ(sim->stop(), 0);
    EXPECT_EQ(test::fileContents(folder.file("violations.txt")), "");
}

} // namespace
} // namespace quorva
