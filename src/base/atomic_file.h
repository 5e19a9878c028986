#pragma once

#include <functional>
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

// Takes the next piece of a file's contents; false when it could not be written.
using ChunkSink = std::function<bool(std::string_view)>;

// The same for contents made piece by piece, so they never need to be in
// memory whole: produce hands each piece to the sink in order and returns
// false when it gave up (or the sink failed); the old file then stays.
bool writeFileAtomically(const std::string& path, const std::function<bool(const ChunkSink&)>& produce);

// The whole content of a regular file, or nothing when it cannot be read.
std::optional<std::string> readWholeFile(const std::string& path);

} // namespace quorva
