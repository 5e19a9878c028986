#pragma once

#include "base/ui.h"

#include <optional>
#include <string>

namespace quorva {

// Filters in the "description|pattern|...||" form the choosers take.
inline constexpr const char* kFlashOpenFilter = "HEX Files|*.hex|BIN Files|*.bin|All Files|*.*||";
inline constexpr const char* kFlashSaveFilter = "HEX Files|*.hex|EEP Files|*.eep|BIN Files|*.bin|All Files|*.*||";
inline constexpr const char* kEepromFilter = "EEP Files|*.eep|HEX Files|*.hex|BIN Files|*.bin|All Files|*.*||";
// Projects saved under the old default extension .kx3 open too.
inline constexpr const char* kProjectOpenFilter = "QUORVA Projects|*.kx2;*.kx3|QUORVA Projects (*.quorva)|*.quorva||";
inline constexpr const char* kProjectSaveFilter =
    "QUORVA Projects (*.kx2)|*.kx2|QUORVA Projects (*.quorva)|*.quorva||";
inline constexpr const char* kFlashExtension = "HEX";
inline constexpr const char* kEepromExtension = "EEP";
inline constexpr const char* kProjectExtension = "kx2";
inline constexpr const char* kUntitled = "Untitled";

// Where a chooser opens: on the file it is about (the buffer's or the
// project's own), else on the path last chosen in it, else in the project's
// folder; only with none of these on "Untitled" in the current folder.
// Unnamed files are empty or "[Unspecified]".
std::string chooserStart(const std::string& currentFile, const std::string& remembered, const std::string& projectFile);

// A file chooser that remembers the path last chosen in it for as long as
// its owner lives.
class RememberingChooser {
public:
    enum class Kind { Open, Save };

    RememberingChooser(Kind kind, std::string filter, std::string defaultExtension);

    // Shows the chooser where chooserStart says; nothing when the person cancels.
    std::optional<std::string> choose(Ui& ui, const std::string& currentFile = {}, const std::string& projectFile = {});

    const FileChooser& settings() const { return settings_; }
    Kind kind() const { return kind_; }

private:
    Kind kind_;
    FileChooser settings_;
};

// The choosers of the two buffers and of the project.
RememberingChooser flashOpenChooser();
RememberingChooser flashSaveChooser();
RememberingChooser eepromOpenChooser();
RememberingChooser eepromSaveChooser();
RememberingChooser projectOpenChooser();
RememberingChooser projectSaveChooser();

} // namespace quorva
