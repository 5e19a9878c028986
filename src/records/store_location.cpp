#include "store_location.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <pwd.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quorva {

namespace {

constexpr std::string_view kMask = "***";

using Span = std::pair<std::size_t, std::size_t>; // [first, last)

bool startsWith(std::string_view text, std::string_view head)
{
    return text.size() >= head.size() && std::equal(head.begin(), head.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

bool isUrl(std::string_view text)
{
    return startsWith(text, "postgresql://") || startsWith(text, "postgres://");
}

// Where the passwords lie in a URL: after the user name's colon, and in a
// password= query parameter.
std::vector<Span> urlSecrets(std::string_view url)
{
    std::vector<Span> spans;
    const std::size_t start = url.find("://") + 3;
    // The user part ends at the first '@' before any '/', as libpq reads it.
    const std::size_t at = url.find_first_of("@/", start);
    if (at != std::string_view::npos && url[at] == '@') {
        const std::size_t colon = url.find(':', start);
        if (colon < at)
            spans.emplace_back(colon + 1, at);
    }
    std::size_t param = url.find('?', start);
    while (param != std::string_view::npos) {
        const std::size_t first = param + 1;
        const std::size_t end = std::min(url.find('&', first), url.size());
        const std::string_view pair = url.substr(first, end - first);
        if (startsWith(pair, "password="))
            spans.emplace_back(first + 9, end);
        param = end < url.size() ? end : std::string_view::npos;
    }
    return spans;
}

// The same for libpq's keyword = value form, whose values may be quoted
// with ' and escape with backslashes.
std::vector<Span> keywordSecrets(std::string_view text)
{
    std::vector<Span> spans;
    std::size_t i = 0;
    const auto skipSpace = [&] {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
    };
    while (true) {
        skipSpace();
        const std::size_t keyStart = i;
        while (i < text.size() && text[i] != '=' && !std::isspace(static_cast<unsigned char>(text[i])))
            ++i;
        const std::string_view key = text.substr(keyStart, i - keyStart);
        skipSpace();
        if (i >= text.size() || text[i] != '=')
            return spans;
        ++i;
        skipSpace();
        const bool quoted = i < text.size() && text[i] == '\'';
        i += quoted ? 1 : 0;
        const std::size_t valueStart = i;
        while (i < text.size() && (quoted ? text[i] != '\'' : !std::isspace(static_cast<unsigned char>(text[i]))))
            i += text[i] == '\\' && i + 1 < text.size() ? 2 : 1;
        if (key == "password")
            spans.emplace_back(valueStart, std::min(i, text.size()));
        i += quoted && i < text.size() ? 1 : 0;
    }
}

std::vector<Span> secretsOf(StoreLocation::Kind kind, std::string_view text)
{
    if (kind != StoreLocation::Kind::Postgres)
        return {};
    return isUrl(text) ? urlSecrets(text) : keywordSecrets(text);
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    const int lower = std::tolower(static_cast<unsigned char>(c));
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// A password as libpq sees it: percent-decoded from a URL, unescaped from
// the keyword form.
std::string decoded(std::string_view secret, bool url)
{
    std::string plain;
    for (std::size_t i = 0; i < secret.size(); ++i) {
        if (url && secret[i] == '%' && i + 2 < secret.size() && hexDigit(secret[i + 1]) >= 0 &&
            hexDigit(secret[i + 2]) >= 0) {
            plain += static_cast<char>(hexDigit(secret[i + 1]) * 16 + hexDigit(secret[i + 2]));
            i += 2;
        } else if (!url && secret[i] == '\\' && i + 1 < secret.size()) {
            plain += secret[++i];
        } else {
            plain += secret[i];
        }
    }
    return plain;
}

void replaceAll(std::string& text, const std::string& secret)
{
    if (secret.empty())
        return;
    for (std::size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at + kMask.size()))
        text.replace(at, secret.size(), kMask);
}

std::string homeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    const passwd* entry = getpwuid(getuid()); // NOLINT(concurrency-mt-unsafe): read once at start-up
    return entry && entry->pw_dir ? entry->pw_dir : "";
}

} // namespace

StoreLocation StoreLocation::defaultSqlite()
{
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const std::string base = dataHome && *dataHome == '/' ? std::string(dataHome) : homeFolder() + "/.local/share";
    return sqlite(base + "/quorva/production.sqlite");
}

StoreLocation StoreLocation::parse(std::string_view text)
{
    if (text.empty())
        return defaultSqlite();
    if (text.size() == 3 && startsWith(text, "off"))
        return off();
    if (isUrl(text) || startsWith(text, "service="))
        return {Kind::Postgres, std::string(text)};
    return sqlite(std::string(text));
}

StoreLocation StoreLocation::choose(const std::optional<std::string>& option, bool recordsOn,
                                    const std::string& database)
{
    if (option)
        return parse(*option);
    if (!recordsOn)
        return off();
    return parse(database);
}

std::string StoreLocation::masked() const
{
    std::string shown = text_;
    std::vector<Span> spans = secretsOf(kind_, text_);
    // From the back, so earlier positions stay true.
    std::sort(spans.rbegin(), spans.rend());
    for (const auto& [first, last] : spans)
        shown.replace(first, last - first, kMask);
    return shown;
}

std::string StoreLocation::scrub(std::string text) const
{
    const bool url = isUrl(text_);
    for (const auto& [first, last] : secretsOf(kind_, text_)) {
        const std::string written = text_.substr(first, last - first);
        replaceAll(text, written);
        replaceAll(text, decoded(written, url));
    }
    return text;
}

} // namespace quorva
