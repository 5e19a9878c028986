#pragma once

#include "base/clock.h"

#include <string>

namespace quorva {

// Hands a path or link to xdg-open and says whether the desktop took it:
// false when xdg-open is missing or ends with a failure. xdg-open may wait
// for the program it starts, so after patienceMs without an answer that
// program is taken to show the target and xdg-open is left to end alone.
bool openWithDesktop(const std::string& target, Clock& clock, int patienceMs);

} // namespace quorva
