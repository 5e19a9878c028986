#include "messages.h"

#include "message_tables.h"

#include <atomic>
#include <cstdarg>
#include <vector>

namespace quorva {

namespace {
std::atomic<bool> russianFlag{false};
constexpr const char* kNotTranslated = "NOT TRANSLATED";
} // namespace

bool russianUi()
{
    return russianFlag.load();
}

void setRussianUi(bool russian)
{
    russianFlag = russian;
}

std::span<const MessageRecord> messageCatalogue()
{
    static const std::vector<MessageRecord> joined = [] {
        std::vector<MessageRecord> all(originalMessages().begin(), originalMessages().end());
        all.insert(all.end(), addedMessages().begin(), addedMessages().end());
        return all;
    }();
    return joined;
}

const char* messageText(int id, bool russian)
{
    for (const MessageRecord& record : messageCatalogue()) {
        if (record.id == id)
            return russian ? record.russian : record.english;
    }
    return kNotTranslated;
}

const char* messageText(int id)
{
    return messageText(id, russianUi());
}

std::string formatText(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (length > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        text.assign(buffer.data(), static_cast<std::size_t>(length));
    }
    va_end(args);
    return text;
}

} // namespace quorva
