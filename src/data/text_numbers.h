#pragma once

#include <string_view>

namespace quorva {

// Reads an integer the way the C "%d" (base 10) or "%x" (base 16, "0x"
// allowed) conversions do: leading white space, an optional sign, then
// digits; text that does not begin with a number gives 0. Values beyond the
// int range saturate instead of wrapping.
int scanInteger(std::string_view text, int base);

} // namespace quorva
