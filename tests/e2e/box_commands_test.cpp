#include "process.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

// quorva-cli against quorva-sim over real pseudo-terminals, with a settings
// file that maps every COM number into the test's folder.
class BoxCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string ports = "[Connect]\nCOM=3\n[Ports]\n";
        for (int n = 1; n <= 8; ++n)
            ports += "COM" + std::to_string(n) + "=" + folder.file("com" + std::to_string(n)) + "\n";
        test::writeFile(settings, ports);
    }

    std::unique_ptr<test::BackgroundProcess> simulate(int comPort, std::vector<std::string> extra = {})
    {
        std::vector<std::string> argv{QUORVA_SIM, "--link", folder.file("com" + std::to_string(comPort))};
        argv.insert(argv.end(), extra.begin(), extra.end());
        auto sim = std::make_unique<test::BackgroundProcess>(argv);
        EXPECT_TRUE(test::waitForPath(argv[2]));
        return sim;
    }

    test::ProcessResult cli(std::vector<std::string> arguments)
    {
        std::vector<std::string> argv{QUORVA_CLI, "--settings", settings};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return test::runProcess(argv, folder.path());
    }

    test::TempFolder folder;
    std::string settings = folder.file("quorva.ini");
};

TEST_F(BoxCommandsTest, InfoShowsVersionAndSerialNumber)
{
    const std::string violations = folder.file("violations.txt");
    auto sim = simulate(3, {"--violations", violations});
    const test::ProcessResult info = cli({"info"});
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("Serial number: 51 56 0A 01 2C"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("Voltage: 3.3 ... 5.0 V"), std::string::npos);

    // A trace of the exchange for a bug report.
    const test::ProcessResult traced = cli({"--trace", folder.file("trace.log"), "info"});
    EXPECT_EQ(traced.status, 0);
    const std::string trace = test::fileContents(folder.file("trace.log"));
    EXPECT_NE(trace.find("send 25\n"), std::string::npos) << trace;
    EXPECT_NE(trace.find("wait 50 ms\n"), std::string::npos);

    // The box saw a raw 8N1 line at the right speed and a clean protocol.
    EXPECT_EQ(sim->stop(), 0);
    EXPECT_EQ(test::fileContents(violations), "");
}

TEST_F(BoxCommandsTest, InfoWithoutABoxFails)
{
    const test::ProcessResult info = cli({"info"});
    EXPECT_EQ(info.status, 1);
    EXPECT_NE(info.out.find("Connection error: cannot open COM port."), std::string::npos) << info.out;
}

TEST_F(BoxCommandsTest, SearchFindsBothBoxesAndChoosesTheFirst)
{
    auto third = simulate(3);
    auto fifth = simulate(5);
    const test::ProcessResult search = cli({"search"});
    EXPECT_EQ(search.status, 0) << search.err;
    EXPECT_NE(search.out.find("on COM3,  "), std::string::npos) << search.out;
    EXPECT_NE(search.out.find("on COM5\n"), std::string::npos);
    EXPECT_NE(search.out.find("COM3 (" + folder.file("com3") + ")\n"), std::string::npos);
    // The settings keep their own port.
    EXPECT_NE(test::fileContents(settings).find("COM=3"), std::string::npos);
}

} // namespace
} // namespace quorva

namespace quorva {
namespace {

TEST_F(BoxCommandsTest, FirmwareUpdateOfTheSimulatedBox)
{
    auto sim = simulate(3, {"--no-firmware"});
    // Without --yes nobody confirms the settings dialog on a pipe.
    EXPECT_EQ(cli({"firmware-update"}).status, 1);

    const test::ProcessResult update = cli({"--yes", "firmware-update"});
    EXPECT_EQ(update.status, 0) << update.out << update.err;
    EXPECT_NE(update.out.find("Program at normal speed"), std::string::npos) << update.out;
    EXPECT_NE(update.out.find("Version successfully updated"), std::string::npos);

    // The box now runs firmware 1.0c.
    EXPECT_EQ(cli({"info"}).status, 0);

    test::writeFile(folder.file("short.bin"), "not an image");
    EXPECT_EQ(cli({"--yes", "firmware-update", "--image", folder.file("short.bin")}).status, 1);
}

} // namespace
} // namespace quorva
