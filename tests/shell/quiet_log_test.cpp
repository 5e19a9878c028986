#include "shell/quiet_log.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

TEST(QuietLogTest, EveryRunAppendsItsStartLineAndOutcome)
{
    test::TempFolder folder;
    test::CurrentDirectory inFolder(folder.path());
    for (const char* outcome : {"AUTOPROGRAM: OK", "AUTOPROGRAM: Error"}) {
        QuietLog log;
        ASSERT_TRUE(log.open());
        log.writeLine(outcome);
    }
    EXPECT_EQ(test::fileContents(folder.file("log.txt")),
              "QUORVA started in quietautoprogram mode.\nAUTOPROGRAM: OK\n"
              "QUORVA started in quietautoprogram mode.\nAUTOPROGRAM: Error\n");
}

TEST(QuietLogTest, UnopenableLogIsSilentlySkipped)
{
    test::TempFolder folder;
    QuietLog log;
    EXPECT_FALSE(log.open(folder.file("no/such/folder/log.txt")));
    EXPECT_FALSE(log.isOpen());
    log.writeLine("ignored");
}

} // namespace
} // namespace quorva
