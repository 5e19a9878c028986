#pragma once

#include "base/messages.h"
#include "cli/cli_commands.h"

#include <sstream>
#include <string>
#include <vector>

namespace quorva::cli {

struct CliRun {
    int status = 0;
    std::string out;
    std::string err;
};

// quorva-cli with these arguments, in this process, without a terminal and
// with nothing on its standard input; the language goes back to English after.
inline CliRun runCliHere(std::vector<const char*> args)
{
    args.insert(args.begin(), "quorva-cli");
    std::ostringstream out;
    std::ostringstream err;
    std::istringstream in;
    CliRun result;
    result.status = runCli(static_cast<int>(args.size()), args.data(), out, err, in, false, false);
    result.out = out.str();
    result.err = err.str();
    setRussianUi(false);
    return result;
}

} // namespace quorva::cli
