#pragma once

#include "cli_commands.h"

#include "shell/gang_run.h"

#include <memory>
#include <optional>
#include <string>

namespace quorva::cli {

struct GangRequest {
    std::string projectPath;
    int chips = 0; // in all; 0 = one per box
    bool noWait = false;
    // The production log: its start line, a line per chip, the outcome.
    std::optional<std::string> logPath;
    SerialSequence* eepromSerials = nullptr;
    SerialSequence* flashSerials = nullptr;
    std::shared_ptr<SharedRecordStore> records;
    std::string serialSequence; // of the records; empty: the image's numbers
};

// "COM3, chip 2, Eeprom serial number 4864: DONE", or the error and its reason.
std::string chipLine(const GangChip& chip);

// quorva-cli autoprogram --com 1,3,4: the production sequence on every box
// at once, a line per chip as it ends, then a summary. Ctrl-C cancels every
// box. 0 only when every chip asked for ended "DONE".
int runGang(CliContext& context, const GangRequest& request);

} // namespace quorva::cli
