#include "text_numbers.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace quorva {

int scanInteger(std::string_view text, int base)
{
    const bool hexadecimal = base == 16;
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    const auto digitOf = [hexadecimal](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        const char lower = static_cast<char>(c | 0x20);
        if (hexadecimal && lower >= 'a' && lower <= 'f')
            return lower - 'a' + 10;
        return -1;
    };
    if (hexadecimal && i + 2 < text.size() && text[i] == '0' && (text[i + 1] | 0x20) == 'x' &&
        digitOf(text[i + 2]) >= 0)
        i += 2;
    long long value = 0;
    for (; i < text.size() && digitOf(text[i]) >= 0; ++i)
        value = std::min(value * (hexadecimal ? 16 : 10) + digitOf(text[i]), static_cast<long long>(INT_MAX) + 1);
    if (negative)
        value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

} // namespace quorva
