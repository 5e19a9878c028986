#pragma once

#include <string>
#include <string_view>

namespace quorva {

// text as a JSON string literal, quotes included. UTF-8 passes through;
// quotes, backslashes and control characters are escaped.
std::string jsonString(std::string_view text);

} // namespace quorva
