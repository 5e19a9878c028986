#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorva {

// A time a person typed (2026-12-09, 2026-12-09T10:00, 2026-12-09 10:00:00,
// each with or without a trailing Z; always UTC) as the records' own ISO
// text with milliseconds, which the store compares as text. Nothing for
// any other form or an impossible date.
std::optional<std::string> normaliseTime(std::string_view text);

} // namespace quorva
