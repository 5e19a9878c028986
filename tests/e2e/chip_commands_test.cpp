#include "process.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <thread>

namespace quorva {
namespace {

const std::string kFixtures = std::string(QUORVA_TEST_DATA) + "/fixtures/";

// quorva-cli programs, verifies and reads back avr-gcc images on a chip
// simulated by quorva-sim over a pseudo-terminal.
class ChipCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::writeFile(settings, "[Connect]\nCOM=2\nHighSpeed=0\n[Ports]\nCOM2=" + folder.file("com2") + "\n");
    }

    void simulate(const std::string& chip, const std::vector<std::string>& options = {})
    {
        std::vector<std::string> argv{QUORVA_SIM, "--link", folder.file("com2"), "--chip", chip, "--violations",
                                      violations};
        argv.insert(argv.end(), options.begin(), options.end());
        sim = std::make_unique<test::BackgroundProcess>(argv);
        ASSERT_TRUE(test::waitForPath(argv[2]));
    }

    test::ProcessResult cli(std::vector<std::string> arguments)
    {
        std::vector<std::string> argv{QUORVA_CLI, "--settings", settings, "--baud", "921600"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return test::runProcess(argv, folder.path(), 120000);
    }

    // The box saw a clean protocol throughout.
    void expectCleanLine()
    {
        ASSERT_TRUE(sim);
        EXPECT_EQ(sim->stop(), 0);
        EXPECT_EQ(test::fileContents(violations), "");
    }

    // The read-back starts with the image and holds 0xFF after it.
    static void expectImageThenBlank(const std::string& readBack, const std::string& image, std::size_t size)
    {
        ASSERT_EQ(readBack.size(), size);
        EXPECT_EQ(readBack.substr(0, image.size()), image);
        EXPECT_TRUE(std::all_of(readBack.begin() + static_cast<std::ptrdiff_t>(image.size()), readBack.end(),
                                [](char c) { return static_cast<unsigned char>(c) == 0xFF; }));
    }

    test::TempFolder folder;
    std::string settings = folder.file("quorva.ini");
    std::string violations = folder.file("violations.txt");
    std::unique_ptr<test::BackgroundProcess> sim;
};

TEST_F(ChipCommandsTest, ProgramsVerifiesAndReadsBackAnATmega328P)
{
    simulate("ATmega328P");
    const auto blank = cli({"blank-check", "--device", "ATmega328P"});
    EXPECT_EQ(blank.status, 0) << blank.out << blank.err;
    EXPECT_NE(blank.out.find("Blank check: Flash is blank"), std::string::npos);

    const auto program = cli({"program-flash", kFixtures + "blink328p.hex", "--device", "ATmega328P"});
    EXPECT_EQ(program.status, 0) << program.out << program.err;
    EXPECT_NE(program.out.find("Flash program: Done (266 bytes programmed)"), std::string::npos) << program.out;
    const auto eeprom = cli({"program-eeprom", kFixtures + "blink328p.eep", "--device", "ATmega328P"});
    EXPECT_EQ(eeprom.status, 0) << eeprom.out << eeprom.err;

    const auto verify = cli({"verify-flash", kFixtures + "blink328p.hex", "--device", "ATmega328P"});
    EXPECT_EQ(verify.status, 0) << verify.out;
    EXPECT_NE(verify.out.find("Flash verify: OK (266 bytes verified)"), std::string::npos);
    EXPECT_EQ(cli({"verify-eeprom", kFixtures + "blink328p.eep", "--device", "ATmega328P"}).status, 0);

    EXPECT_EQ(cli({"read-flash", folder.file("flash.bin"), "--device", "ATmega328P"}).status, 0);
    expectImageThenBlank(test::fileContents(folder.file("flash.bin")),
                         test::fileContents(kFixtures + "blink328p.bin"), 32768);
    EXPECT_EQ(cli({"read-eeprom", folder.file("eeprom.bin"), "--device", "ATmega328P"}).status, 0);
    expectImageThenBlank(test::fileContents(folder.file("eeprom.bin")),
                         test::fileContents(kFixtures + "blink328p_eeprom.bin"), 1024);

    // Scripts can rely on the exit status.
    const auto notBlank = cli({"blank-check", "--device", "ATmega328P"});
    EXPECT_EQ(notBlank.status, 1);
    EXPECT_NE(notBlank.out.find("Blank check: Flash is not empty"), std::string::npos);
    const auto differs = cli({"verify-flash", kFixtures + "tables2560.hex", "--device", "ATmega328P"});
    EXPECT_EQ(differs.status, 1);

    const auto signature = cli({"signature", "--device", "ATmega328P"});
    EXPECT_EQ(signature.status, 0);
    EXPECT_NE(signature.out.find("Signature: 1E 95 0F - ATmega328P"), std::string::npos) << signature.out;
    const auto calibration = cli({"calibration", "--device", "ATmega328P"});
    EXPECT_EQ(calibration.status, 0);
    EXPECT_NE(calibration.out.find("Calibration byte:"), std::string::npos) << calibration.out;
    expectCleanLine();
}

TEST_F(ChipCommandsTest, ProgramsAnATmega2560ImageReachingAbove128K)
{
    simulate("ATmega2560");
    const auto program = cli({"program-flash", kFixtures + "tables2560.hex", "--device", "ATmega256x"});
    EXPECT_EQ(program.status, 0) << program.out << program.err;
    EXPECT_NE(program.out.find("Flash program: Done (135426 bytes programmed)"), std::string::npos);
    const auto verify = cli({"verify-flash", kFixtures + "tables2560.hex", "--device", "ATmega256x"});
    EXPECT_EQ(verify.status, 0) << verify.out;
    EXPECT_EQ(cli({"read-flash", folder.file("flash.bin"), "--device", "ATmega256x"}).status, 0);
    expectImageThenBlank(test::fileContents(folder.file("flash.bin")),
                         test::fileContents(kFixtures + "tables2560.bin"), 262144);
    expectCleanLine();
}

TEST_F(ChipCommandsTest, FixedWaitsComeBackWithTheOptionOrTheSetting)
{
    simulate("ATmega328P");
    const auto pagesWaitedOut = [&](std::vector<std::string> options) {
        const std::string trace = folder.file("trace.txt");
        std::vector<std::string> arguments{"--trace", trace};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.insert(arguments.end(), {"program-flash", kFixtures + "blink328p.hex", "--device", "ATmega328P"});
        const auto program = cli(arguments);
        EXPECT_EQ(program.status, 0) << program.out << program.err;
        const std::string log = test::fileContents(trace);
        std::remove(trace.c_str());
        // Three pages: Poll RDY/BSY after each, or the table's 15 ms.
        const bool polled = log.find("send 35 F0 00 00") != std::string::npos;
        const bool waited = log.find("wait 15 ms") != std::string::npos;
        EXPECT_NE(polled, waited) << log;
        return waited;
    };
    EXPECT_FALSE(pagesWaitedOut({}));
    EXPECT_TRUE(pagesWaitedOut({"--fixed-waits"}));
    std::string withKey = test::fileContents(settings);
    withKey.insert(withKey.find("[Ports]"), "FixedWaits=1\n");
    test::writeFile(settings, withKey);
    EXPECT_TRUE(pagesWaitedOut({}));
    expectCleanLine();
}

TEST_F(ChipCommandsTest, CtrlCDuringAReadLeavesTheFileItWasToWrite)
{
    simulate("ATmega2560", {"--pace"}); // 256 KB at 19200 baud: minutes
    test::writeFile(folder.file("flash.bin"), "kept");
    test::BackgroundProcess run({"/bin/sh", "-c",
                                 "exec " + std::string(QUORVA_CLI) + " --settings " + settings + " read-flash " +
                                     folder.file("flash.bin") + " --device ATmega256x > " + folder.file("out.txt")});
    // Ctrl-C means Cancel once the read runs.
    const auto reading = [&] {
        return test::fileContents(folder.file("out.txt")).find("Read: Reading Flash") != std::string::npos;
    };
    for (int i = 0; i < 500 && !reading(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    run.signal(SIGINT);
    EXPECT_EQ(run.wait(30000), 1);
    const std::string out = test::fileContents(folder.file("out.txt"));
    EXPECT_NE(out.find("Flash read cancelled; the buffer is unchanged."), std::string::npos) << out;
    EXPECT_EQ(test::fileContents(folder.file("flash.bin")), "kept");
    expectCleanLine();
}

TEST_F(ChipCommandsTest, RefusesToGuessTheDeviceAndReportsAMissingBox)
{
    const auto unnamed = cli({"program-flash", kFixtures + "blink328p.hex"});
    EXPECT_EQ(unnamed.status, 2);
    EXPECT_NE(unnamed.err.find("--device NAME"), std::string::npos);
    EXPECT_EQ(cli({"read-flash", "--device", "ATmega328P"}).status, 2);
    EXPECT_EQ(cli({"signature", "--device", "NoSuchChip"}).status, 2);

    const auto absent = cli({"signature", "--device", "ATmega328P"});
    EXPECT_EQ(absent.status, 1);
    EXPECT_NE(absent.out.find("Connection error: cannot open COM port."), std::string::npos) << absent.out;
}

} // namespace
} // namespace quorva
