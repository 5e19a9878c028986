#include "messages.h"

#include "message_tables.h"

#include <algorithm>
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
        // In id order, so that a lookup is a binary search: every progress
        // step of a memory-sized command formats a text.
        std::stable_sort(all.begin(), all.end(),
                         [](const MessageRecord& a, const MessageRecord& b) { return a.id < b.id; });
        return all;
    }();
    return joined;
}

const char* messageText(int id, bool russian)
{
    const std::span<const MessageRecord> catalogue = messageCatalogue();
    const auto found = std::lower_bound(catalogue.begin(), catalogue.end(), id,
                                        [](const MessageRecord& record, int wanted) { return record.id < wanted; });
    if (found == catalogue.end() || found->id != id)
        return kNotTranslated;
    return russian ? found->russian : found->english;
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
