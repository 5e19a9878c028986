#pragma once

#include "cli_commands.h"

namespace quorva::cli {

// Subcommands that talk to the box itself rather than to a chip.
int programmerInfo(CliContext& context);
int searchProgrammer(CliContext& context);
int firmwareUpdate(CliContext& context);

} // namespace quorva::cli
