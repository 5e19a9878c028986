#include "shell/command_line.h"

#include <gtest/gtest.h>

namespace quorva {
namespace {

struct Case {
    const char* raw;
    std::optional<std::string> path;
    std::string option;
};

TEST(CommandLineTest, SplitsProjectAndOptionCharacterByCharacter)
{
    const Case cases[] = {
        {"\"C:\\kx\\quorva.exe\"", std::nullopt, ""},
        {"\"C:\\kx\\quorva.exe\" ", std::nullopt, ""},
        {"quorva.exe", std::nullopt, ""},
        {"quorva.exe board.kx2", "board.kx2", ""},
        // Unquoted: the rest of the line is the path, option and all.
        {"quorva.exe board.kx2 -autoprogram", "board.kx2 -autoprogram", ""},
        {"\"q.exe\" \"board.kx2\" -autoprogram", "board.kx2", "-autoprogram"},
        {"\"q.exe\" \"board.kx2\" -quietautoprogram", "board.kx2", "-quietautoprogram"},
        // Two blanks: the option text keeps the second one.
        {"\"q.exe\" \"board.kx2\"  -autoprogram", "board.kx2", " -autoprogram"},
        // Any single character separates.
        {"\"q.exe\" \"board.kx2\"x-autoprogram", "board.kx2", "-autoprogram"},
        // Nothing, or one character, after the path: no option.
        {"\"q.exe\" \"board.kx2\"", "board.kx2", ""},
        {"\"q.exe\" \"board.kx2\" ", "board.kx2", ""},
        {"\"q.exe\" \"my board.kx2\" -autoprogram", "my board.kx2", "-autoprogram"},
        // An empty pair of quotes names no project.
        {"\"q.exe\" \"\"", std::nullopt, ""},
        {"\"q.exe\" \"\" -autoprogram", std::nullopt, "-autoprogram"},
        // An opening quote with nothing after it.
        {"\"q.exe\" \"", std::nullopt, ""},
        // No closing quote: the path runs to the end.
        {"\"q.exe\" \"board.kx2 -autoprogram", "board.kx2 -autoprogram", ""},
        // The program path without its closing quote swallows everything.
        {"\"q.exe board.kx2", std::nullopt, ""},
        // Paths are taken as they stand.
        {"\"q.exe\"  board.kx2", " board.kx2", ""},
        {"", std::nullopt, ""},
    };
    for (const Case& c : cases) {
        const CommandLine parsed = parseCommandLine(c.raw);
        EXPECT_EQ(parsed.projectPath, c.path) << c.raw;
        EXPECT_EQ(parsed.optionText, c.option) << c.raw;
    }
}

TEST(CommandLineTest, OnlyExactOptionTextsStartARun)
{
    EXPECT_TRUE(autoRunMode("-autoprogram").autoRun);
    EXPECT_FALSE(autoRunMode("-autoprogram").quietRun);
    EXPECT_TRUE(autoRunMode("-quietautoprogram").autoRun);
    EXPECT_TRUE(autoRunMode("-quietautoprogram").quietRun);
    for (const char* other : {"", " -autoprogram", "-AUTOPROGRAM", "-autoprogram ", "-autoprogramx", "autoprogram"}) {
        EXPECT_FALSE(autoRunMode(other).autoRun) << other;
        EXPECT_FALSE(autoRunMode(other).quietRun) << other;
    }
}

TEST(CommandLineTest, ArgvIsRebuiltAsTheQuotedForm)
{
    const char* plain[] = {"/usr/bin/quorva"};
    EXPECT_EQ(rawCommandLine(1, plain), "\"/usr/bin/quorva\"");

    const char* shell[] = {"quorva", "proj.kx2", "-quietautoprogram"};
    const std::string raw = rawCommandLine(3, shell);
    EXPECT_EQ(raw, "\"quorva\" \"proj.kx2\" -quietautoprogram");
    const CommandLine parsed = parseCommandLine(raw);
    EXPECT_EQ(parsed.projectPath, "proj.kx2");
    EXPECT_TRUE(autoRunMode(parsed.optionText).quietRun);

    const char* spaced[] = {"quorva", "/home/me/my boards/a.kx2", "-autoprogram"};
    EXPECT_EQ(parseCommandLine(rawCommandLine(3, spaced)).projectPath, "/home/me/my boards/a.kx2");

    const char* empty[] = {"quorva", ""};
    EXPECT_FALSE(parseCommandLine(rawCommandLine(2, empty)).projectPath.has_value());

    // A quote in the program path must not end it early.
    const char* quotedFolder[] = {"/opt/my \"tools\"/quorva", "a.kx2", "-autoprogram"};
    const CommandLine started = parseCommandLine(rawCommandLine(3, quotedFolder));
    EXPECT_EQ(started.projectPath, "a.kx2");
    EXPECT_EQ(started.optionText, "-autoprogram");
    const char* quoteOnly[] = {"\"q.exe\" \"\""};
    EXPECT_FALSE(parseCommandLine(rawCommandLine(1, quoteOnly)).projectPath.has_value());

    // Further arguments keep their order, one blank apart.
    const char* many[] = {"quorva", "a.kx2", "-autoprogram", "extra"};
    EXPECT_EQ(parseCommandLine(rawCommandLine(4, many)).optionText, "-autoprogram extra");
}

} // namespace
} // namespace quorva
