#include "help_file.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace quorva {

namespace {
constexpr const char* kManualName = "quorva.htm";
} // namespace

std::vector<std::string> helpFileCandidates()
{
    std::vector<std::string> candidates{kHelpFile};
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        candidates.push_back((program.parent_path() / QUORVA_DOC_DIR_FROM_BIN / kManualName).lexically_normal());
    candidates.push_back(std::string(QUORVA_DOC_DIR) + "/" + kManualName);
    return candidates;
}

std::optional<std::string> firstReadableFile(const std::vector<std::string>& candidates)
{
    for (const std::string& path : candidates) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(path, error))
            continue;
        if (std::ifstream(path))
            return path;
    }
    return std::nullopt;
}

} // namespace quorva
