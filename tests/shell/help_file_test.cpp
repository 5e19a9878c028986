#include "shell/help_file.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

namespace quorva {
namespace {

TEST(HelpFileTest, TakesTheFirstCandidateThatIsAReadableFile)
{
    test::TempFolder folder;
    const std::string missing = folder.file("missing.htm");
    const std::string aFolder = folder.file("folder.htm");
    const std::string page = folder.file("quorva.htm");
    std::filesystem::create_directory(aFolder);
    test::writeFile(page, "<!DOCTYPE html>");
    const std::string later = folder.file("later.htm");
    test::writeFile(later, "<!DOCTYPE html>");

    EXPECT_EQ(firstReadableFile({missing, aFolder, page, later}), page);
    EXPECT_EQ(firstReadableFile({missing, aFolder}), std::nullopt);
    EXPECT_EQ(firstReadableFile({}), std::nullopt);
}

TEST(HelpFileTest, PassesOverAFileItMayNotRead)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads a file whatever its mode";
    test::TempFolder folder;
    const std::string locked = folder.file("locked.htm");
    const std::string open = folder.file("open.htm");
    test::writeFile(locked, "<!DOCTYPE html>");
    test::writeFile(open, "<!DOCTYPE html>");
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    EXPECT_EQ(firstReadableFile({locked}), std::nullopt);
    EXPECT_EQ(firstReadableFile({locked, open}), open);
}

} // namespace
} // namespace quorva
