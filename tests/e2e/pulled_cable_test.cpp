#include "process.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace quorva {
namespace {

using Clock = std::chrono::steady_clock;

// Less than one read time-out of the port (ms): a command that waited for a
// reply from a line that is gone would take longer than this on its own.
constexpr long kAtOnce = 2800;

// The USB adapter is pulled while a chip is being programmed: quorva-sim's
// line goes dead after so many bytes and its device node disappears. The
// program must notice at once, say so as for any lost connection, and work
// again as soon as a box is back.
class PulledCableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::writeFile(folder.file("quorva.ini"),
                        "[Connect]\nCOM=2\nHighSpeed=0\n[Ports]\nCOM2=" + folder.file("com2") + "\n");
        std::string image;
        for (int i = 0; i < 6000; ++i)
            image += static_cast<char>(i * 7 + 3);
        test::writeFile(folder.file("app.bin"), image);
        test::writeFile(folder.file("board.kx2"), "[Files]\nFlash=" + folder.file("app.bin") +
                                                      "\nEeprom=[Unspecified]\n[Settings]\nResetStrobeLength=20\n"
                                                      "SPIPeriod=4\n[AutoProgram]\nAutoFlashProgram=1\n"
                                                      "AutoFlashVerify=1\n[Device]\nDeviceNo=17\n");
    }

    // A box on COM2; with cutAfter, its line dies after that many bytes.
    void plugIn(int cutAfter = 0)
    {
        std::vector<std::string> argv{QUORVA_SIM, "--link", folder.file("com2"), "--chip", "ATmega8", "--instant"};
        if (cutAfter > 0) {
            argv.push_back("--fault");
            argv.push_back("disconnect=" + std::to_string(cutAfter));
        }
        sim = std::make_unique<test::BackgroundProcess>(argv);
        ASSERT_TRUE(test::waitForPath(folder.file("com2")));
    }

    test::ProcessResult timed(const std::vector<std::string>& argv)
    {
        const auto start = Clock::now();
        test::ProcessResult result = test::runProcess(argv, folder.path(), 120000);
        took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        return result;
    }

    test::ProcessResult programFlash()
    {
        return timed({QUORVA_CLI, "--settings", folder.file("quorva.ini"), "program-flash", folder.file("app.bin"),
                      "--device", "ATmega8/8A"});
    }

    test::ProcessResult quietRun()
    {
        setenv("QUORVA_SETTINGS", folder.file("quorva.ini").c_str(), 1);
        test::ProcessResult result = timed({QUORVA, folder.file("board.kx2"), "-quietautoprogram"});
        unsetenv("QUORVA_SETTINGS");
        return result;
    }

    static bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

    test::TempFolder folder;
    std::unique_ptr<test::BackgroundProcess> sim;
    long took = 0; // ms the last command took
};

TEST_F(PulledCableTest, ProgramFlashEndsAtOnceWithTheConnectionErrorsAndWorksOnceABoxIsBack)
{
    plugIn(600); // a few pages into the Flash
    const test::ProcessResult pulled = programFlash();
    EXPECT_LT(took, kAtOnce);
    EXPECT_EQ(pulled.status, 1);
    const std::string text = pulled.out + pulled.err;
    EXPECT_TRUE(has(text, "[Programmer QUORVA] Connection error\n")) << text;
    EXPECT_TRUE(has(text, "[Programmer QUORVA] Error programming Flash\n")) << text;
    EXPECT_TRUE(has(text, "Flash program: ERROR\n")) << text;
    EXPECT_TRUE(has(text, "[Programmer QUORVA] Warning: incorrect disconnection.\n")) << text;
    EXPECT_FALSE(test::waitForPath(folder.file("com2"), 0)) << "the device node is gone";

    // Without the adapter the port does not open, and the program says so at once.
    const test::ProcessResult unplugged = programFlash();
    EXPECT_LT(took, kAtOnce);
    EXPECT_EQ(unplugged.status, 1);
    EXPECT_TRUE(has(unplugged.out + unplugged.err, "Connection error: cannot open COM port.")) << unplugged.out;
    sim->stop();

    plugIn();
    const test::ProcessResult again = programFlash();
    EXPECT_EQ(again.status, 0) << again.out << again.err;
    EXPECT_TRUE(has(again.out, "Flash program: Done (6000 bytes programmed)\n")) << again.out;
}

TEST_F(PulledCableTest, AReadThatLosesTheBoxLeavesTheFileItWasToWrite)
{
    test::writeFile(folder.file("flash.bin"), "kept");
    plugIn(150); // two bytes a block: about halfway through the 128 blocks
    const test::ProcessResult pulled = timed({QUORVA_CLI, "--settings", folder.file("quorva.ini"), "read-flash",
                                              folder.file("flash.bin"), "--device", "ATmega8/8A"});
    EXPECT_EQ(pulled.status, 1);
    EXPECT_TRUE(has(pulled.out, "Flash read: ERROR; the buffer is unchanged.\n")) << pulled.out;
    EXPECT_EQ(test::fileContents(folder.file("flash.bin")), "kept");
}

TEST_F(PulledCableTest, AQuietRunLogsTheConnectionErrorsAtOnceAndTheNextRunProgramsTheChip)
{
    plugIn(600); // a few pages into the Flash
    const test::ProcessResult pulled = quietRun();
    EXPECT_LT(took, kAtOnce);
    EXPECT_NE(pulled.status, 0);
    const std::string log = test::fileContents(folder.file("log.txt"));
    EXPECT_TRUE(has(log, "Connection error\nError programming Flash\n")) << log;
    EXPECT_TRUE(has(log, "Warning: incorrect disconnection.\n")) << log;
    EXPECT_EQ(log.substr(log.size() - 19), "AUTOPROGRAM: Error\n");
    sim->stop();

    plugIn();
    const test::ProcessResult again = quietRun();
    EXPECT_EQ(again.status, 0) << test::fileContents(folder.file("log.txt"));
    const std::string after = test::fileContents(folder.file("log.txt"));
    EXPECT_EQ(after.substr(after.size() - 16), "AUTOPROGRAM: OK\n") << after;
}

} // namespace
} // namespace quorva
