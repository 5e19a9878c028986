#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorva {

struct CommandLine {
    std::optional<std::string> projectPath;
    std::string optionText;
};

// Splits the raw command line (program path first) into the start project
// and the option text that follows a quoted project path.
CommandLine parseCommandLine(std::string_view raw);

// The one-string command line of a process started with argv: the quoted
// program path, a blank, the quoted first argument, then every further
// argument after one blank. So `quorva proj.kx2 -quietautoprogram` typed in a
// shell reads like the quoted form; an empty first argument like "".
std::string rawCommandLine(int argc, const char* const* argv);

struct AutoRunMode {
    bool autoRun = false;
    bool quietRun = false; // implies autoRun
};

// What the option text asks for. Callers ignore it without a start project.
AutoRunMode autoRunMode(std::string_view optionText);

inline constexpr const char* kAutoProgramOption = "-autoprogram";
inline constexpr const char* kQuietAutoProgramOption = "-quietautoprogram";

} // namespace quorva
