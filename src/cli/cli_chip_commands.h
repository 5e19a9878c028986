#pragma once

#include "cli_commands.h"

namespace quorva::cli {

// Subcommands that work on the chip behind the box. Each takes --device NAME
// or --project FILE and exits with 0 exactly when the command succeeded (the
// blank check: when the chip is blank).
int chipSignature(CliContext& context);
int chipCalibration(CliContext& context);
int chipProgramFlash(CliContext& context);
int chipProgramEeprom(CliContext& context);
int chipReadFlash(CliContext& context);
int chipReadEeprom(CliContext& context);
int chipVerifyFlash(CliContext& context);
int chipVerifyEeprom(CliContext& context);
int chipBlankCheck(CliContext& context);

} // namespace quorva::cli
