#pragma once

#include <cstdio>
#include <span>
#include <string>
#include <vector>

namespace quorva {

struct MessageRecord {
    int id;
    const char* english;
    const char* russian;
};

// The whole catalogue, in source order (UTF-8).
std::span<const MessageRecord> messageCatalogue();

// The language of every text; false = English. Changed only while no
// operation runs.
bool russianUi();
void setRussianUi(bool russian);

// The text of a numbered message in the current language, "NOT TRANSLATED"
// for an unknown number. The pointer stays valid for the program's life.
const char* messageText(int id);
const char* messageText(int id, bool russian);

// printf-style formatting of a catalogue text. The arguments must match the
// placeholders of the English text, which both languages share.
std::string formatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

template <typename... Args>
std::string formatMessage(int id, Args... args)
{
    const char* format = messageText(id);
    if constexpr (sizeof...(Args) == 0) {
        return formatText("%s", format);
    } else {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
        const int length = std::snprintf(nullptr, 0, format, args...);
        if (length <= 0)
            return {};
        std::vector<char> text(static_cast<std::size_t>(length) + 1);
        std::snprintf(text.data(), text.size(), format, args...);
#pragma GCC diagnostic pop
        return std::string(text.data(), static_cast<std::size_t>(length));
    }
}

} // namespace quorva
