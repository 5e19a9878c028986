#include "cli_options.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace quorva::cli {

ParsedOptions parseCliOptions(int argc, const char* const* argv)
{
    CliOptions options;
    bool yes = false;
    bool no = false;
    bool optionsEnded = false;
    const auto fail = [](std::string message) { return ParsedOptions{std::nullopt, std::move(message)}; };

    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i] ? argv[i] : "";
        if (!optionsEnded && arg.size() > 1 && arg.front() == '-') {
            const auto value = [&](std::string_view name) -> std::optional<std::string> {
                if (arg.size() > name.size() && arg.substr(0, name.size()) == name && arg[name.size()] == '=')
                    return std::string(arg.substr(name.size() + 1));
                if (arg == name && i + 1 < argc && argv[i + 1])
                    return std::string(argv[++i]);
                return std::nullopt;
            };
            const auto named = [&](std::string_view name) { return arg == name || arg.rfind(std::string(name) + "=", 0) == 0; };
            if (arg == "--") {
                optionsEnded = true;
            } else if (arg == "--help" || arg == "-h") {
                options.help = true;
            } else if (arg == "--version" || arg == "-V") {
                options.version = true;
            } else if (arg == "--json") {
                options.json = true;
            } else if (arg == "--fixed-waits") {
                options.fixedWaits = true;
            } else if (arg == "--yes" || arg == "-y") {
                yes = true;
            } else if (arg == "--no" || arg == "-n") {
                no = true;
            } else if (named("--settings")) {
                const auto path = value("--settings");
                if (!path || path->empty())
                    return fail("--settings needs a file name");
                options.settingsPath = *path;
            } else if (named("--trace")) {
                const auto path = value("--trace");
                if (!path || path->empty())
                    return fail("--trace needs a file name");
                options.tracePath = *path;
            } else if (named("--port")) {
                const auto path = value("--port");
                if (!path || path->empty())
                    return fail("--port needs a device path");
                options.portPath = *path;
            } else if (named("--com")) {
                // A list ("1,3,4") names the boxes of a production run side by side.
                const auto list = value("--com");
                options.comPorts.clear();
                std::string_view rest = list ? std::string_view(*list) : std::string_view();
                bool fine = list.has_value();
                while (fine) {
                    const std::string_view number = rest.substr(0, rest.find(','));
                    // from_chars, not atoi: a number beyond int is undefined for atoi.
                    int com = 0;
                    std::from_chars(number.data(), number.data() + number.size(), com);
                    fine = com >= 1 && com <= 255 && std::to_string(com) == number &&
                           std::find(options.comPorts.begin(), options.comPorts.end(), com) == options.comPorts.end();
                    if (fine)
                        options.comPorts.push_back(com);
                    if (number.size() == rest.size())
                        break;
                    rest.remove_prefix(number.size() + 1);
                }
                if (!fine)
                    return fail("--com takes a port number from 1 to 255, or a list of different ones (1,3,4)");
                options.comPort = options.comPorts.front();
            } else if (named("--baud")) {
                const auto rate = value("--baud");
                if (rate == "19200")
                    options.baudCode = 0;
                else if (rate == "115200")
                    options.baudCode = 1;
                else if (rate == "921600")
                    options.baudCode = 2;
                else
                    return fail("--baud takes 19200, 115200 or 921600");
            } else if (named("--records")) {
                const auto location = value("--records");
                if (!location || location->empty())
                    return fail("--records needs a file, a postgresql:// URL, service=NAME or off");
                options.recordsLocation = *location;
            } else if (named("--lang")) {
                const auto language = value("--lang");
                if (language == "en")
                    options.russian = false;
                else if (language == "ru")
                    options.russian = true;
                else
                    return fail("--lang takes en or ru");
            } else if (options.command.empty()) {
                // Only the name: a mistyped --records=URL may carry a password.
                return fail("unknown option " + std::string(arg.substr(0, arg.find('='))));
            } else {
                options.arguments.emplace_back(arg); // the subcommand's own option
            }
            continue;
        }
        if (options.command.empty())
            options.command = std::string(arg);
        else
            options.arguments.emplace_back(arg);
    }
    if (yes && no)
        return fail("--yes and --no exclude each other");
    options.answers = yes ? AnswerPolicy::Yes : no ? AnswerPolicy::No : AnswerPolicy::Prompt;
    return {options, {}};
}

} // namespace quorva::cli
