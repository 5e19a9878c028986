#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quorva {

// The help page beside the program's working folder, as it has always been
// looked for; the name the "cannot find" message gives.
inline constexpr const char* kHelpFile = "help/quorva.htm";

// Where the Help command looks, in order: the working folder's copy (a build
// tree, an unpacked archive), the installed manual beside the running
// program's own prefix (a .deb installs under /usr whatever prefix the build
// was configured for), then the documentation folder of the configured prefix.
std::vector<std::string> helpFileCandidates();

// The first candidate that is a regular file this user may read; a folder of
// that name or a file without read permission would only hand the desktop a
// page it cannot show.
std::optional<std::string> firstReadableFile(const std::vector<std::string>& candidates);

} // namespace quorva
