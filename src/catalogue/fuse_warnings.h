#pragma once

#include <string>
#include <vector>

#include "catalogue/fuse_layout.h"
#include "catalogue/lock_fuse_state.h"

namespace quorva {

// The warning lines a setting draws, in the order they are shown: one
// "should be unprogrammed" / "should be programmed" line per warned bit on
// the wrong side, then the external-clock line when CKSEL0..3 are the first
// four bits and all programmed. Empty when the setting is harmless.
std::vector<std::string> dangerousSettingLines(const FuseLayout& layout, const LockFuseState& state);

// The whole question: head (1001), the lines, and the tail (1004). Empty
// when there are no lines. The caller asks it as a Yes/No question with the
// caption catalogue_msg::kWarningCaption, No being the default.
std::string dangerousSettingsQuestion(const std::vector<std::string>& lines);

// Forces every warned fuse bit to its safe value (+1 programmed,
// -1 unprogrammed); used before the auto-program setting is edited.
void forceSafeFuses(const FuseLayout& layout, LockFuseState& state);

} // namespace quorva
