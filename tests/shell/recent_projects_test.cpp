#include "shell/recent_projects.h"
#include "shell/settings_store.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

class RecentProjectsTest : public ::testing::Test {
protected:
    void push(const std::string& path) { recent.pushRecent(path, store); }
    std::vector<std::string> stored() const
    {
        std::vector<std::string> paths;
        for (int i = 1; i <= 8; ++i)
            paths.push_back(store.getString("Recent", ("Project" + std::to_string(i)).c_str(), "<none>"));
        return paths;
    }
    std::vector<std::string> entries() const { return {recent.entries().begin(), recent.entries().end()}; }

    test::TempFolder folder;
    SettingsStore store{folder.file("quorva.ini")};
    RecentProjects recent;
};

TEST_F(RecentProjectsTest, NineOpensKeepTheEightMostRecent)
{
    int rebuilds = 0;
    recent.setOnChanged([&] { ++rebuilds; });
    for (int i = 1; i <= 9; ++i)
        push("/p" + std::to_string(i) + ".kx2");
    const std::vector<std::string> expected{"/p9.kx2", "/p8.kx2", "/p7.kx2", "/p6.kx2",
                                            "/p5.kx2", "/p4.kx2", "/p3.kx2", "/p2.kx2"};
    EXPECT_EQ(entries(), expected);
    EXPECT_EQ(stored(), expected);
    EXPECT_EQ(rebuilds, 9);
}

TEST_F(RecentProjectsTest, ReopeningEntryFiveMovesOnlyTheEntriesAboveIt)
{
    for (int i = 8; i >= 1; --i)
        push("/p" + std::to_string(i) + ".kx2"); // entry k holds /p(k+1)
    push(recent.entry(5)); // a copy, as the menu item does
    EXPECT_EQ(entries(), (std::vector<std::string>{"/p6.kx2", "/p1.kx2", "/p2.kx2", "/p3.kx2", "/p4.kx2",
                                                   "/p5.kx2", "/p7.kx2", "/p8.kx2"}));
}

TEST_F(RecentProjectsTest, LetterCaseVariantsAreOneEntryAndTheNewerSpellingWins)
{
    push("/Boards/A.kx2");
    push("/other.kx2");
    push("/boards/a.KX2");
    EXPECT_EQ(entries()[0], "/boards/a.KX2");
    EXPECT_EQ(entries()[1], "/other.kx2");
    EXPECT_EQ(entries()[2], "[Unspecified]");
}

TEST_F(RecentProjectsTest, MenuListsEntriesUpToTheFirstEmptySlot)
{
    EXPECT_TRUE(recent.menuItems().empty());
    push("/a.kx2");
    push("/b.kx2");
    const auto items = recent.menuItems();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].commandId, 32801);
    EXPECT_EQ(items[0].path, "/b.kx2");
    EXPECT_EQ(items[1].commandId, 32802);
}

TEST_F(RecentProjectsTest, OverLongPathsNeverEnterOrSurviveInTheList)
{
    const std::string longest(RecentProjects::kMaxPathLength, 'x');
    push(longest);
    EXPECT_EQ(recent.entry(0), longest);

    push("/short.kx2");
    push(std::string(RecentProjects::kMaxPathLength + 1, 'y'));
    EXPECT_EQ(recent.entry(0), "/short.kx2");
    EXPECT_EQ(recent.entry(1), longest);

    // A hand-edited file: the over-long and empty entries are dropped, the
    // rest move up.
    test::writeFile(store.path(), "[Recent]\nProject1=/one.kx2\nProject2=" + std::string(2000, 'z') +
                                      "\nProject3=\nProject4=/four.kx2\n");
    recent.loadRecent(store);
    EXPECT_EQ(entries(), (std::vector<std::string>{"/one.kx2", "/four.kx2", "[Unspecified]", "[Unspecified]",
                                                   "[Unspecified]", "[Unspecified]", "[Unspecified]",
                                                   "[Unspecified]"}));
}

} // namespace
} // namespace quorva
