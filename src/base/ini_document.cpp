#include "ini_document.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace quorva {

namespace {

bool blank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool equalNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The section a line opens, if it is a section header.
std::optional<std::string_view> sectionName(std::string_view line)
{
    line = trim(line);
    if (line.size() < 2 || line.front() != '[')
        return std::nullopt;
    const std::size_t close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return trim(line.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> keyLine(std::string_view line)
{
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    const std::string_view key = trim(line.substr(0, equals));
    if (key.empty() || key.front() == ';')
        return std::nullopt;
    return KeyLine{key, trim(line.substr(equals + 1))};
}

// Values written in matching quotes are read without them, as profile readers do.
std::string_view unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// A value that reading would change (blanks at either end, or matching
// quotes around it) is written inside double quotes, which reading removes:
// file names on Linux may end in a blank.
std::string quotedIfNeeded(std::string_view value)
{
    const bool blankEnd = !value.empty() && (blank(value.front()) || blank(value.back()));
    if (blankEnd || unquote(value).size() != value.size())
        return "\"" + std::string(value) + "\"";
    return std::string(value);
}

struct Location {
    bool sectionFound = false;
    std::size_t insertAt = 0;  // after the last non-blank line of the section
    std::optional<std::size_t> keyAt;
};

Location locate(const std::vector<std::string>& lines, std::string_view section, std::string_view key)
{
    Location where;
    bool inSection = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (const auto name = sectionName(lines[i])) {
            if (where.sectionFound && inSection)
                break;  // the first matching section is the one profile readers use
            inSection = equalNoCase(*name, section);
            if (inSection) {
                where.sectionFound = true;
                where.insertAt = i + 1;
            }
            continue;
        }
        if (!inSection)
            continue;
        if (!trim(lines[i]).empty())
            where.insertAt = i + 1;
        if (const auto entry = keyLine(lines[i]); entry && equalNoCase(entry->key, key)) {
            where.keyAt = i;
            break;
        }
    }
    return where;
}

} // namespace

int parseProfileInt(std::string_view text)
{
    text = trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    long long magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        magnitude = std::min<long long>(magnitude * 10 + (c - '0'), static_cast<long long>(INT_MAX) + 1);
    }
    const long long value = negative ? -magnitude : magnitude;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

IniDocument IniDocument::parse(std::string_view text)
{
    IniDocument document;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && text[i] != '\r')
            continue;
        document.lines_.emplace_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        document.lines_.emplace_back(text.substr(start));
    return document;
}

std::optional<std::string> IniDocument::value(std::string_view section, std::string_view key) const
{
    const Location where = locate(lines_, section, key);
    if (!where.keyAt)
        return std::nullopt;
    std::string_view value = unquote(keyLine(lines_[*where.keyAt])->value);
    if (value.size() > kMaxValueLength)
        value = value.substr(0, kMaxValueLength);
    return std::string(value);
}

std::string IniDocument::getString(std::string_view section, std::string_view key, std::string_view fallback) const
{
    if (auto found = value(section, key))
        return std::move(*found);
    return std::string(fallback);
}

int IniDocument::getInt(std::string_view section, std::string_view key, int fallback) const
{
    const auto found = value(section, key);
    // An empty value reads like a missing one.
    if (!found || found->empty())
        return fallback;
    return parseProfileInt(*found);
}

void IniDocument::setString(std::string_view section, std::string_view key, std::string_view value)
{
    // A line break inside a value would forge keys on the lines after it.
    const std::string text = quotedIfNeeded(value.substr(0, value.find_first_of("\r\n")));
    const Location where = locate(lines_, section, key);
    if (where.keyAt) {
        std::string& line = lines_[*where.keyAt];
        const std::size_t equals = line.find('=');
        line = line.substr(0, equals + 1) + text;
        return;
    }
    std::string entry = std::string(key) + "=" + text;
    if (where.sectionFound) {
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(where.insertAt), std::move(entry));
        return;
    }
    lines_.push_back("[" + std::string(section) + "]");
    lines_.push_back(std::move(entry));
}

void IniDocument::setInt(std::string_view section, std::string_view key, int value)
{
    setString(section, key, std::to_string(value));
}

std::string IniDocument::serialize() const
{
    std::string text;
    for (const std::string& line : lines_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

} // namespace quorva
