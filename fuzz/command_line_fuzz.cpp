// The start-up command line: the raw string as it stands, and the one built
// from a process's arguments (split at NUL here).
#include "fuzz_support.h"

#include "shell/command_line.h"

namespace {

using namespace quorva;
using namespace quorva::fuzz;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view raw(reinterpret_cast<const char*>(data), size);
    const CommandLine parsed = parseCommandLine(raw);
    if (parsed.projectPath)
        FUZZ_CHECK(!parsed.projectPath->empty()); // two quotes in a row name no project
    const AutoRunMode mode = autoRunMode(parsed.optionText);
    FUZZ_CHECK(mode.autoRun || !mode.quietRun);

    // A first argument without quotes opens that project, whatever the
    // program path is; the arguments after it, joined by blanks, are the
    // option text.
    const std::vector<std::string> arguments = splitAtNul(data, size);
    const std::vector<const char*> argv = argvOf(arguments);
    const int argc = static_cast<int>(arguments.size());
    const CommandLine started = parseCommandLine(rawCommandLine(argc, argv.data()));
    if (argc < 2 || arguments[1].empty()) {
        FUZZ_CHECK(!started.projectPath);
        return 0;
    }
    if (arguments[1].find('"') != std::string::npos)
        return 0;
    FUZZ_CHECK(started.projectPath == arguments[1]);
    std::string options;
    for (int i = 2; i < argc; ++i)
        options += (i > 2 ? " " : "") + arguments[static_cast<std::size_t>(i)];
    FUZZ_CHECK(started.optionText == options);
    return 0;
}
