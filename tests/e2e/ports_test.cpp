#include "process.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

TEST(PortsTest, ProbingFindsTheBoxBehindItsComNumber)
{
    test::TempFolder folder;
    const std::string settings = folder.file("quorva.ini");
    test::writeFile(settings, "[Ports]\nCOM3=" + folder.file("com3") + "\nCOM4=" + folder.file("com4") + "\n");
    test::BackgroundProcess box({QUORVA_SIM, "--link", folder.file("com3")});
    test::BackgroundProcess silent({QUORVA_SIM, "--link", folder.file("com4"), "--fault", "silence"});
    ASSERT_TRUE(test::waitForPath(folder.file("com3")));
    ASSERT_TRUE(test::waitForPath(folder.file("com4")));

    const test::ProcessResult run = test::runProcess({QUORVA_CLI, "--settings", settings, "ports", "--probe"});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::size_t line = run.out.find(folder.file("com3") + " -> /dev/pts/");
    ASSERT_NE(line, std::string::npos) << run.out;
    const std::string text = run.out.substr(line, run.out.find('\n', line) - line);
    EXPECT_NE(text.find(": COM3; may be opened; the box answers: "), std::string::npos) << text;
    EXPECT_NE(run.out.find(": COM4; may be opened; no box answers\n"), std::string::npos) << run.out;
    EXPECT_EQ(test::runProcess({QUORVA_CLI, "--settings", settings, "ports", "--all"}).status, 2);
}

} // namespace
} // namespace quorva
