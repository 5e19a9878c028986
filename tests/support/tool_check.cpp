#include "tool_check.h"

#include <algorithm>
#include <cstdlib>
#include <unistd.h>

namespace quorva::test {

std::optional<std::string> missingTool(const std::string& tool, const std::string& package)
{
    const char* pathVariable = std::getenv("PATH");
    const std::string folders = pathVariable ? pathVariable : "";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t colon = std::min(folders.find(':', start), folders.size());
        const std::string candidate = folders.substr(start, colon - start) + "/" + tool;
        if (colon > start && access(candidate.c_str(), X_OK) == 0)
            return std::nullopt;
        start = colon + 1;
    }
    return tool + " is not installed (Debian package " + package + ")";
}

bool continuousIntegration()
{
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

} // namespace quorva::test
