#pragma once

#include "cli_commands.h"

namespace quorva::cli {

// Subcommands that set a chip up or run the production sequence. Each takes
// --device NAME or --project FILE (autoprogram: --project) and exits with 0
// exactly when the command did what was asked.
int chipErase(CliContext& context);
int chipFuses(CliContext& context);
int chipFusesWrite(CliContext& context);
int chipFusesVerify(CliContext& context);
int chipPowerOfTwo(CliContext& context);
int chipAutoProgram(CliContext& context);

} // namespace quorva::cli
