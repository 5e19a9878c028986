#include "command_line.h"

namespace quorva {

CommandLine parseCommandLine(std::string_view raw)
{
    CommandLine result;
    const std::size_t end = raw.size();
    std::size_t at = 0;

    // The program's own path.
    if (at < end && raw[at] == '"') {
        ++at;
        while (at < end && raw[at] != '"')
            ++at;
        if (at < end)
            ++at;
        if (at < end)
            ++at; // the separator, whatever it is
    } else {
        while (at < end && raw[at] != ' ')
            ++at;
        if (at < end)
            ++at;
    }

    if (at < end && raw[at] == '"') {
        ++at;
        if (at >= end)
            return result;
        const std::size_t close = raw.find('"', at);
        if (close == std::string_view::npos) {
            result.projectPath = std::string(raw.substr(at));
            return result;
        }
        if (end - close - 1 >= 2)
            result.optionText = std::string(raw.substr(close + 2));
        if (close > at)
            result.projectPath = std::string(raw.substr(at, close - at));
        return result;
    }
    if (at < end)
        result.projectPath = std::string(raw.substr(at));
    return result;
}

std::string rawCommandLine(int argc, const char* const* argv)
{
    // The parse skips the program path up to its next quote, so a quote
    // inside it (a folder named so) would end it early and turn the rest
    // into a project path. The path is never used: leave its quotes out.
    std::string raw = "\"";
    for (const char* c = argc > 0 && argv[0] ? argv[0] : ""; *c; ++c)
        if (*c != '"')
            raw += *c;
    raw += "\"";
    if (argc > 1) {
        raw += " \"";
        raw += argv[1] ? argv[1] : "";
        raw += "\"";
    }
    for (int i = 2; i < argc; ++i) {
        raw += ' ';
        raw += argv[i] ? argv[i] : "";
    }
    return raw;
}

AutoRunMode autoRunMode(std::string_view optionText)
{
    if (optionText == kAutoProgramOption)
        return {true, false};
    if (optionText == kQuietAutoProgramOption)
        return {true, true};
    return {};
}

} // namespace quorva
