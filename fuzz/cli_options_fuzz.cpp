// quorva-cli's option parse on any arguments (split at NUL).
#include "fuzz_support.h"

#include "cli/cli_options.h"

#include <algorithm>

namespace {

using namespace quorva;
using namespace quorva::fuzz;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> arguments = splitAtNul(data, size);
    arguments.insert(arguments.begin(), "quorva-cli");
    const std::vector<const char*> argv = argvOf(arguments);
    const cli::ParsedOptions parsed = cli::parseCliOptions(static_cast<int>(arguments.size()), argv.data());

    FUZZ_CHECK(parsed.options.has_value() == parsed.error.empty());
    if (!parsed.options)
        return 0;
    const cli::CliOptions& options = *parsed.options;
    if (options.comPort)
        FUZZ_CHECK(*options.comPort >= 1 && *options.comPort <= 255);
    if (options.baudCode)
        FUZZ_CHECK(*options.baudCode >= 0 && *options.baudCode <= 2);
    for (const auto& path : {options.settingsPath, options.tracePath, options.portPath})
        FUZZ_CHECK(!path || !path->empty());

    // Everything the parse hands on was given: the subcommand, its
    // arguments in their order, every value.
    auto next = arguments.begin() + 1;
    for (const std::string& argument : options.arguments) {
        next = std::find(next, arguments.end(), argument);
        FUZZ_CHECK(next != arguments.end());
        ++next;
    }
    const auto given = [&arguments](const std::string& text) {
        return std::any_of(arguments.begin() + 1, arguments.end(),
                           [&text](const std::string& a) { return a == text || a.ends_with("=" + text); });
    };
    if (!options.command.empty())
        FUZZ_CHECK(given(options.command));
    for (const auto& path : {options.settingsPath, options.tracePath, options.portPath})
        FUZZ_CHECK(!path || given(*path));
    // An option's name never becomes the subcommand unless "--" came first.
    if (options.command.size() > 1 && options.command[0] == '-')
        FUZZ_CHECK(std::find(arguments.begin(), arguments.end(), "--") != arguments.end());
    return 0;
}
