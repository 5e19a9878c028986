#pragma once

#include "cli_options.h"
#include "shell/settings_store.h"

#include <iosfwd>
#include <span>
#include <string>
#include <vector>

namespace quorva::cli {

// What a subcommand works with.
struct CliContext {
    const CliOptions& options;
    SettingsStore& settings;
    ConsoleUi& ui;
    std::ostream& out;
    std::ostream& err;
};

struct Subcommand {
    const char* name;
    const char* arguments; // shown in the usage line
    const char* summary;
    // Returns the process's exit status.
    int (*run)(CliContext& context);
    // Its output under --json is itself one JSON document, so no event
    // line may follow a success.
    bool printsJsonDocument = false;
};

std::span<const Subcommand> subcommands();
const Subcommand* findSubcommand(const std::string& name);

void printUsage(std::ostream& out);
void printVersion(std::ostream& out);

// The whole program: options, settings, language, then the subcommand.
int runCli(int argc, const char* const* argv, std::ostream& out, std::ostream& err, std::istream& in,
           bool inputIsTerminal, bool outputIsTerminal);

} // namespace quorva::cli
