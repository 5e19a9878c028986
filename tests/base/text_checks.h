#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorva::test {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
inline bool isValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int extra = 0;
        unsigned min = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            min = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            min = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            min = 0x10000;
        } else {
            return false;
        }
        unsigned code = lead & (0x7Fu >> (extra + 1));
        if (i + static_cast<std::size_t>(extra) >= text.size())
            return false;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3Fu);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

// The printf conversions of a format in order ("%02X", "%s", "%%"). A '%' that
// starts no valid conversion yields "%?", so a stray percent sign never matches.
inline std::vector<std::string> printfConversions(std::string_view format)
{
    std::vector<std::string> found;
    std::size_t i = 0;
    while ((i = format.find('%', i)) != std::string_view::npos) {
        std::size_t j = i + 1;
        while (j < format.size() && std::string_view("-+ #0").find(format[j]) != std::string_view::npos)
            ++j;
        while (j < format.size() && format[j] >= '0' && format[j] <= '9')
            ++j;
        if (j < format.size() && format[j] == '.') {
            ++j;
            while (j < format.size() && format[j] >= '0' && format[j] <= '9')
                ++j;
        }
        while (j < format.size() && std::string_view("hlLjzt").find(format[j]) != std::string_view::npos)
            ++j;
        if (j < format.size() && std::string_view("diouxXeEfgGcsp%").find(format[j]) != std::string_view::npos) {
            found.emplace_back(format.substr(i, j - i + 1));
            i = j + 1;
        } else {
            found.emplace_back("%?");
            i = j;
        }
    }
    return found;
}

} // namespace quorva::test
