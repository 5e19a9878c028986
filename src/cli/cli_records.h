#pragma once

#include "cli_commands.h"
#include "records/store_location.h"

namespace quorva::cli {

// Where this run keeps its production records: --records when given, else
// the settings' [Production] Records and Database.
StoreLocation recordsLocation(const CliContext& context);

// An argument as a message may echo it: a database URL typed in the wrong
// place keeps its password hidden.
std::string shownArgument(const std::string& argument);

// quorva-cli records: the chips' rows, newest first, or a summary of them.
int listRecords(CliContext& context);
// quorva-cli sequence NAME [--set N [--force]].
int showOrSetSequence(CliContext& context);

} // namespace quorva::cli
