#pragma once

#include "cli_commands.h"

namespace quorva::cli {

// quorva-cli ports [--probe]: the serial devices present, the COM numbers
// that open them, whether this user may; with --probe, which one is a box.
int listPorts(CliContext& context);

} // namespace quorva::cli
