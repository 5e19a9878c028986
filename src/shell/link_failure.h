#pragma once

#include <string>

namespace quorva {

// The status xdg-open ends with when it could not run at all, which is what
// its own status 3 ("a required tool could not be found") says too.
inline constexpr int kLinkOpenerMissing = 3;

// The warning text for a link the desktop did not open: "Can't open link:"
// and the reason for xdg-open's exit status.
std::string linkFailureText(int xdgOpenStatus);

} // namespace quorva
