#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorva {

// Replaces the file at path with contents: written to a temporary file in the
// same folder, flushed to disk and renamed over the target, so a crash or a
// full disk never leaves a half-written file. A symbolic link is followed and
// its target replaced; an existing file keeps its permissions. The folder must
// exist. False when anything failed; the old file is then untouched.
bool writeFileAtomically(const std::string& path, std::string_view contents);

// The whole content of a regular file, or nothing when it cannot be read.
std::optional<std::string> readWholeFile(const std::string& path);

} // namespace quorva
