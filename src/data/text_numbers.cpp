#include "text_numbers.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace quorva {

std::optional<ScannedNumber> scanNumber(std::string_view text, int base)
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
    if (i >= text.size() || digitOf(text[i]) < 0)
        return std::nullopt;
    constexpr std::int64_t kCeiling = std::int64_t{1} << 40;
    std::int64_t value = 0;
    for (; i < text.size() && digitOf(text[i]) >= 0; ++i)
        value = std::min(value * (hexadecimal ? 16 : 10) + digitOf(text[i]), kCeiling);
    return ScannedNumber{negative ? -value : value, i};
}

int scanInteger(std::string_view text, int base)
{
    const std::optional<ScannedNumber> number = scanNumber(text, base);
    return number ? static_cast<int>(std::clamp<std::int64_t>(number->value, INT_MIN, INT_MAX)) : 0;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0)
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0)
        text.remove_suffix(1);
    return text;
}

} // namespace quorva
