// quorva-cli autoprogram with several simulated boxes at once, and with
// separate processes sharing one serial-number file.

#include "process.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <memory>
#include <regex>
#include <set>
#include <thread>

namespace quorva {
namespace {

constexpr unsigned kFirstSerial = 0x12FF; // the image's bytes 00 12 FF

class GangRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string ports = "[Ports]\n";
        for (int com = 1; com <= 4; ++com)
            ports += "COM" + std::to_string(com) + "=" + folder.file("com" + std::to_string(com)) + "\n";
        test::writeFile(settings, "[Connect]\nCOM=1\n" + ports);
        std::string flash;
        for (int i = 0; i < 64; ++i)
            flash += static_cast<char>(i * 3);
        test::writeFile(folder.file("app.bin"), flash);
        test::writeFile(serialFile, std::string("\x00\x12\xFF", 3));
        test::writeFile(project, "[Files]\nFlash=" + folder.file("app.bin") + "\nEeprom=" + serialFile +
                                     "\n[Settings]\nResetStrobeLength=20\nPolling=1\n[AutoProgram]\n"
                                     "AutoFlashProgram=1\nAutoEepromProgram=1\n"
                                     "AutoEepromVerify=1\nAutoIncrement=1\nAutoIncAddress=2\n[Device]\nDeviceNo=17\n");
    }

    void simulate(int com, std::vector<std::string> extra = {})
    {
        const std::string n = std::to_string(com);
        std::vector<std::string> argv{QUORVA_SIM, "--link",    folder.file("com" + n), "--chip",
                                      "ATmega8",  "--instant", "--state-out",          folder.file("chip" + n)};
        argv.insert(argv.end(), extra.begin(), extra.end());
        sims.push_back(std::make_unique<test::BackgroundProcess>(argv));
        ASSERT_TRUE(test::waitForPath(folder.file("com" + n)));
    }

    test::ProcessResult cli(std::vector<std::string> arguments)
    {
        std::vector<std::string> argv{QUORVA_CLI, "--settings", settings};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return test::runProcess(argv, folder.path(), 180000);
    }

    // The Eeprom serial numbers the chip lines report, in order.
    static std::vector<unsigned> serialsIn(const std::string& out)
    {
        std::vector<unsigned> numbers;
        const std::regex line("Eeprom serial number ([0-9]+): DONE");
        for (auto it = std::sregex_iterator(out.begin(), out.end(), line); it != std::sregex_iterator(); ++it)
            numbers.push_back(static_cast<unsigned>(std::stoul((*it)[1])));
        return numbers;
    }

    unsigned numberInFile() const
    {
        const std::string bytes = test::fileContents(serialFile);
        EXPECT_EQ(bytes.size(), 3u) << "the serial file is not whole";
        unsigned value = 0;
        for (const char c : bytes)
            value = value << 8 | static_cast<unsigned char>(c);
        return value;
    }

    static void expectConsecutive(const std::vector<unsigned>& numbers, std::size_t count)
    {
        const std::set<unsigned> distinct(numbers.begin(), numbers.end());
        EXPECT_EQ(numbers.size(), count);
        ASSERT_EQ(distinct.size(), numbers.size()) << "a number was given twice";
        EXPECT_EQ(*distinct.begin(), kFirstSerial);
        EXPECT_EQ(*distinct.rbegin(), kFirstSerial + count - 1);
    }

    test::TempFolder folder;
    std::string settings = folder.file("quorva.ini");
    std::string project = folder.file("board.kx2");
    std::string serialFile = folder.file("serial.bin");
    std::vector<std::unique_ptr<test::BackgroundProcess>> sims;
};

TEST_F(GangRunTest, FourBoxesShareOneSequenceOfSerialNumbers)
{
    for (int com = 1; com <= 4; ++com)
        simulate(com);
    const test::ProcessResult run =
        cli({"autoprogram", "--project", project, "--com", "1,2,3,4", "--count", "20", "--save-serial"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    expectConsecutive(serialsIn(run.out), 20);
    EXPECT_EQ(numberInFile(), kFirstSerial + 20);
    EXPECT_NE(run.out.find("Chips: 20 OK, 0 failed\n"), std::string::npos) << run.out;
    // Each box's last chip holds the number its last line reported.
    for (int com = 1; com <= 4; ++com) {
        EXPECT_EQ(sims[static_cast<std::size_t>(com - 1)]->stop(), 0);
        const std::string eeprom = test::fileContents(folder.file("chip" + std::to_string(com) + "/eeprom.bin"));
        const std::regex last("COM" + std::to_string(com) + ", chip [0-9]+, Eeprom serial number ([0-9]+): DONE");
        unsigned reported = 0;
        for (auto it = std::sregex_iterator(run.out.begin(), run.out.end(), last); it != std::sregex_iterator(); ++it)
            reported = static_cast<unsigned>(std::stoul((*it)[1]));
        ASSERT_GE(eeprom.size(), 3u);
        EXPECT_EQ((static_cast<unsigned char>(eeprom[1]) << 8) | static_cast<unsigned char>(eeprom[2]), reported);
    }
}

TEST_F(GangRunTest, TwoProcessesOnTwoBoxesNeverGiveANumberTwice)
{
    simulate(1);
    simulate(2);
    test::ProcessResult first;
    test::ProcessResult second;
    std::thread other([&] {
        second =
            cli({"autoprogram", "--project", project, "--com", "2", "--count", "10", "--no-wait", "--save-serial"});
    });
    first = cli({"autoprogram", "--project", project, "--com", "1", "--count", "10", "--no-wait", "--save-serial"});
    other.join();
    EXPECT_EQ(first.status, 0) << first.out << first.err;
    EXPECT_EQ(second.status, 0) << second.out << second.err;
    std::vector<unsigned> numbers = serialsIn(first.out);
    const std::vector<unsigned> more = serialsIn(second.out);
    numbers.insert(numbers.end(), more.begin(), more.end());
    expectConsecutive(numbers, 20);
    EXPECT_EQ(numberInFile(), kFirstSerial + 20);
}

TEST_F(GangRunTest, ABoxThatDropsOutStopsAloneAndTheOthersFinish)
{
    simulate(1);
    simulate(2, {"--fault", "disconnect=300"});
    simulate(3);
    const test::ProcessResult run =
        cli({"autoprogram", "--project", project, "--com", "1,2,3", "--count", "9", "--log", folder.file("log.txt")});
    EXPECT_EQ(run.status, 1) << run.out;
    EXPECT_NE(run.out.find("COM2 stopped: the box does not answer\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Chips: 8 OK, 1 failed\n"), std::string::npos) << run.out;
    EXPECT_TRUE(std::regex_search(run.out, std::regex("COM2: [0-9]+ OK, 1 failed\n"))) << run.out;
    // The log: the start line, a whole line per chip, the outcome last.
    const std::string log = test::fileContents(folder.file("log.txt"));
    EXPECT_EQ(log.rfind("QUORVA started in quietautoprogram mode.\n", 0), 0u) << log;
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 11) << log;
    EXPECT_EQ(log.substr(log.size() - 19), "AUTOPROGRAM: Error\n");
    // The failed chip's number is used up, and the line says which it was.
    EXPECT_TRUE(std::regex_search(run.out, std::regex("COM2, chip [0-9]+, Eeprom serial number [0-9]+: ERROR: .+\n")))
        << run.out;
}

TEST_F(GangRunTest, CtrlCStopsEveryBoxAndLeavesTheSerialFileWhole)
{
    simulate(1);
    simulate(2);
    test::BackgroundProcess run({"/bin/sh", "-c",
                                 "exec " + std::string(QUORVA_CLI) + " --settings " + settings +
                                     " autoprogram --project " + project + " --com 1,2 --count 1000 --save-serial > " +
                                     folder.file("out.txt")});
    // Let a few chips pass, then interrupt.
    for (int i = 0; i < 500 && serialsIn(test::fileContents(folder.file("out.txt"))).size() < 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    run.signal(SIGINT);
    EXPECT_EQ(run.wait(30000), 1);
    const std::string out = test::fileContents(folder.file("out.txt"));
    const std::vector<unsigned> done = serialsIn(out);
    EXPECT_GE(done.size(), 3u);
    EXPECT_LT(done.size(), 1000u);
    // Numbers given to cancelled chips are used up; none is repeated.
    EXPECT_GE(numberInFile(), kFirstSerial + done.size());
    EXPECT_LE(numberInFile(), kFirstSerial + done.size() + 2);
    EXPECT_NE(out.find("Chips: "), std::string::npos) << out;
}

} // namespace
} // namespace quorva
