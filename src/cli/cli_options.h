#pragma once

#include "base/console_ui.h"

#include <optional>
#include <string>
#include <vector>

namespace quorva::cli {

// The options every subcommand shares, and what is left for the subcommand.
struct CliOptions {
    std::optional<std::string> settingsPath; // --settings FILE
    std::optional<bool> russian;              // --lang en|ru, for this run only
    AnswerPolicy answers = AnswerPolicy::Prompt; // --yes / --no
    std::optional<std::string> tracePath;     // --trace FILE
    std::optional<std::string> portPath;      // --port PATH: the device of the chosen COM number
    std::optional<int> comPort;               // --com N (the first of a list)
    std::vector<int> comPorts;                // --com 1,3,4: every box of a production run
    std::optional<int> baudCode;              // --baud 19200|115200|921600, as its code
    std::optional<std::string> recordsLocation; // --records FILE|URL|service=NAME|off
    bool fixedWaits = false;                    // --fixed-waits: the table's fixed waits after each write
    bool json = false;                        // --json: one JSON object per event
    bool help = false;
    bool version = false;
    std::string command;
    std::vector<std::string> arguments;
};

struct ParsedOptions {
    std::optional<CliOptions> options;
    std::string error; // set when options is empty
};

// Global options may stand before or after the subcommand's name; "--" ends
// them. --yes and --no exclude each other.
ParsedOptions parseCliOptions(int argc, const char* const* argv);

} // namespace quorva::cli
