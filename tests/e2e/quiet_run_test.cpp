#include "process.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace quorva {
namespace {

// `quorva "project.kx2" -quietautoprogram` as a production line runs it: in
// a scratch folder, with the settings in QUORVA_SETTINGS and the box behind
// [Ports] COM1.
class QuietRunTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::writeFile(folder.file("app.hex"), ":10000000000102030405060708090A0B0C0D0E0F78\n:00000001FF\n");
        test::writeFile(folder.file("board.kx2"), "[Files]\nFlash=" + folder.file("app.hex") +
                                                      "\nEeprom=[Unspecified]\n[Settings]\nResetStrobeLength=20\n"
                                                      "SPIPeriod=4\n[AutoProgram]\nAutoErase=1\nAutoFlashProgram=1\n"
                                                      "AutoFlashVerify=1\n[Device]\nDeviceNo=17\n");
        writeSettings(1, false);
        setenv("QUORVA_SETTINGS", settings.c_str(), 1);
    }
    void TearDown() override { unsetenv("QUORVA_SETTINGS"); }

    void writeSettings(int comPort, bool russian)
    {
        test::writeFile(settings, "[Connect]\nCOM=" + std::to_string(comPort) + "\n[Language]\nRussian=" +
                                      (russian ? "1" : "0") + "\n[Ports]\nCOM1=" + folder.file("com1") + "\n");
    }
    std::unique_ptr<test::BackgroundProcess> simulate(std::vector<std::string> extra = {})
    {
        std::vector<std::string> argv{QUORVA_SIM, "--link", folder.file("com1"), "--chip", "ATmega8"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        auto sim = std::make_unique<test::BackgroundProcess>(argv);
        EXPECT_TRUE(test::waitForPath(folder.file("com1")));
        return sim;
    }
    test::ProcessResult quiet()
    {
        return test::runProcess({QUORVA, folder.file("board.kx2"), "-quietautoprogram"}, folder.path(), 120000);
    }
    std::string log() const { return test::fileContents(folder.file("log.txt")); }

    test::TempFolder folder;
    std::string settings = folder.file("quorva.ini");
};

TEST_F(QuietRunTest, GoodRunLogsOkAndExitsZeroTwoRunsTwoStartLines)
{
    auto sim = simulate();
    const test::ProcessResult first = quiet();
    EXPECT_EQ(first.status, 0) << log();
    EXPECT_EQ(log(), "QUORVA started in quietautoprogram mode.\nAUTOPROGRAM: OK\n");
    const test::ProcessResult second = quiet();
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(log(), "QUORVA started in quietautoprogram mode.\nAUTOPROGRAM: OK\n"
                     "QUORVA started in quietautoprogram mode.\nAUTOPROGRAM: OK\n");
    // The start project went to the front of the recent list.
    EXPECT_NE(test::fileContents(settings).find("Project1=" + folder.file("board.kx2")), std::string::npos);
}

TEST_F(QuietRunTest, RussianOutcomeLine)
{
    writeSettings(1, true);
    auto sim = simulate();
    EXPECT_EQ(quiet().status, 0);
    EXPECT_EQ(log(), "QUORVA started in quietautoprogram mode.\nАвтопрограммирование: ЗАВЕРШЕНО УСПЕШНО\n");
}

TEST_F(QuietRunTest, SilentBoxEndsInError)
{
    auto sim = simulate({"--fault", "silence"});
    const test::ProcessResult run = quiet();
    EXPECT_NE(run.status, 0);
    const std::string text = log();
    EXPECT_EQ(text.rfind("QUORVA started in quietautoprogram mode.\n", 0), 0u);
    EXPECT_NE(text.find("Connection error\n"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 19), "AUTOPROGRAM: Error\n");
}

TEST_F(QuietRunTest, NoPortConfiguredEndsAtOnceWithTheErrorLogged)
{
    writeSettings(0, false);
    const test::ProcessResult run = quiet();
    EXPECT_NE(run.status, 0);
    const std::string text = log();
    EXPECT_NE(text.find("No board specified\n"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 19), "AUTOPROGRAM: Error\n");
}

TEST_F(QuietRunTest, WithoutAnOptionOrADisplayAPlainStartSaysADisplayIsNeeded)
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        unsetenv(name); // whatever desktop the tests run under
    const test::ProcessResult run = test::runProcess({QUORVA, folder.file("board.kx2")}, folder.path());
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("needs a display"), std::string::npos) << run.err;
}

// The bytes the box received, as "34 AC 80 ...", from its trace.
std::string received(const std::string& trace)
{
    std::string bytes;
    for (std::size_t at = trace.find(" rx "); at != std::string::npos; at = trace.find(" rx ", at + 1)) {
        const std::string value = trace.substr(at + 4, 2);
        if (value != "ga") // a garbled byte
            bytes += (bytes.empty() ? "" : " ") + value;
    }
    return bytes;
}

TEST_F(QuietRunTest, ACheckedRunFailsOnAnotherChipAndPassesALockedRightOneAfterTheErase)
{
    test::writeFile(folder.file("board.kx2"), "[Files]\nFlash=" + folder.file("app.hex") +
                                                  "\n[Settings]\nCheckSign=1\nResetStrobeLength=20\n[AutoProgram]\n"
                                                  "AutoErase=1\nAutoEmptyCheck=1\nAutoFlashProgram=1\n"
                                                  "AutoFlashVerify=1\n[Device]\nDeviceNo=17\n");
    {
        auto sim = simulate({"--chip", "ATmega128", "--instant", "--trace", folder.file("trace.log"), "--state-out",
                             folder.file("chip")});
        EXPECT_NE(quiet().status, 0);
        EXPECT_EQ(log(), "QUORVA started in quietautoprogram mode.\nAutoprogram: ERROR wrong device - the project is "
                         "for ATmega8/8A, the chip answers 1E 97 02 (ATmega128/128A)\nAUTOPROGRAM: Error\n");
        EXPECT_EQ(sim->stop(), 0);
    }
    const std::string wire = received(test::fileContents(folder.file("trace.log")));
    EXPECT_NE(wire.find("35 30 00 02"), std::string::npos) << wire;
    EXPECT_EQ(wire.find("34 AC 80"), std::string::npos) << "no erase";
    const std::string flash = test::fileContents(folder.file("chip/flash.bin"));
    ASSERT_EQ(flash.size(), 131072u);
    EXPECT_EQ(flash.find_first_not_of('\xFF'), std::string::npos) << "nothing written";

    std::remove(folder.file("log.txt").c_str());
    auto locked = simulate({"--instant", "--fault", "locked"});
    EXPECT_EQ(quiet().status, 0) << log();
    EXPECT_EQ(log(), "QUORVA started in quietautoprogram mode.\nAUTOPROGRAM: OK\n");
}

TEST_F(QuietRunTest, CtrlCCancelsTheRunningStepAndTheLogSaysWhich)
{
    test::writeFile(folder.file("board.kx2"), "[Files]\nFlash=" + folder.file("app.hex") +
                                                  "\n[Settings]\nResetStrobeLength=20\n[AutoProgram]\n"
                                                  "AutoEmptyCheck=1\nAutoFlashProgram=1\n[Device]\nDeviceNo=17\n");
    // Every reply byte takes 5 ms: the blank check's 8 KB take over 40 s.
    auto sim = simulate({"--fault", "slow=5", "--trace", folder.file("trace.log")});
    const test::CurrentDirectory here(folder.path());
    test::BackgroundProcess run({QUORVA, folder.file("board.kx2"), "-quietautoprogram"});
    // Past the connection's few replies, into the blank check's blocks.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::size_t replies = 0;
    while (replies < 300 && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const std::string trace = test::fileContents(folder.file("trace.log"));
        replies = 0;
        for (std::size_t at = trace.find(" tx "); at != std::string::npos; at = trace.find(" tx ", at + 1))
            ++replies;
    }
    run.signal(SIGINT);
    EXPECT_EQ(run.wait(60000), 1);
    EXPECT_EQ(log(), "QUORVA started in quietautoprogram mode.\nAutoprogram: CANCELLED during the blank check\n"
                     "AUTOPROGRAM: Error\n");
}

} // namespace
} // namespace quorva

namespace quorva {
namespace {

TEST_F(QuietRunTest, BrokenHexFileFailsTheRunInsteadOfProgrammingItsText)
{
    test::writeFile(folder.file("app.hex"), "this is not Intel HEX\n");
    auto sim = simulate();
    const test::ProcessResult run = quiet();
    EXPECT_NE(run.status, 0);
    const std::string why =
        "'" + folder.file("app.hex") + "' is not an Intel HEX file: line 1 does not begin with ':'.";
    EXPECT_EQ(log(), "QUORVA started in quietautoprogram mode.\n" + why +
                         " Its bytes were loaded as they stand in the file, as text.\n" + why +
                         " Its text is not programmed into the chip; nothing was done.\nAUTOPROGRAM: Error\n");
}

TEST_F(QuietRunTest, AFailedStepLeavesItsReasonJustBeforeTheOutcomeLine)
{
    // Verify only, against a blank chip.
    test::writeFile(folder.file("board.kx2"), "[Files]\nFlash=" + folder.file("app.hex") +
                                                  "\n[Settings]\nResetStrobeLength=20\n[AutoProgram]\n"
                                                  "AutoFlashVerify=1\n[Device]\nDeviceNo=17\n");
    auto sim = simulate();
    EXPECT_NE(quiet().status, 0);
    // The outcome stays the last line, as the tools that read the log expect.
    EXPECT_EQ(log(), "QUORVA started in quietautoprogram mode.\nFlash verify: ERROR at byte 0 (0x0)\n"
                     "AUTOPROGRAM: Error\n");
}

} // namespace
} // namespace quorva
