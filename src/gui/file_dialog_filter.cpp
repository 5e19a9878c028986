#include "file_dialog_filter.h"

#include <cctype>
#include <vector>

namespace quorva::gui {

namespace {

std::vector<std::string> split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return parts;
}

std::string patternsFor(const std::string& list)
{
    std::string patterns;
    auto add = [&patterns](const std::string& pattern) {
        if (!patterns.empty())
            patterns += ' ';
        patterns += pattern;
    };
    for (const std::string& pattern : split(list, ';')) {
        if (pattern.empty())
            continue;
        if (pattern == "*.*") {
            add("*");
            continue;
        }
        add(pattern);
        std::string upper = pattern;
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (upper != pattern)
            add(upper);
    }
    return patterns;
}

} // namespace

std::string qtNameFilters(const std::string& filter)
{
    const std::vector<std::string> parts = split(filter, '|');
    std::string result;
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].empty())
            break; // the "||" that ends the list
        std::string description = parts[i];
        // A description that carries its own "(*.hex)" gets the real list instead.
        if (const std::size_t open = description.rfind(" ("); open != std::string::npos && description.back() == ')')
            description.erase(open);
        if (!result.empty())
            result += ";;";
        result += description + " (" + patternsFor(parts[i + 1]) + ")";
    }
    return result;
}

} // namespace quorva::gui
