#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quorva {

// A number read the way the C "%d" (base 10) or "%x" (base 16, "0x"
// allowed) conversions read one: leading white space, an optional sign,
// then digits up to the first character that is none.
struct ScannedNumber {
    std::int64_t value; // saturates far beyond the 32-bit range
    std::size_t end;    // position after the last digit
};
// None when the text does not begin with a number.
std::optional<ScannedNumber> scanNumber(std::string_view text, int base);

// scanInteger's int: text that does not begin with a number gives 0, and
// values beyond the int range saturate instead of wrapping.
int scanInteger(std::string_view text, int base);

// The text without the white space at either end.
std::string_view trimmed(std::string_view text);

} // namespace quorva
