#include "time_text.h"

#include <cctype>
#include <cstdio>

namespace quorva {

namespace {

// The digits at text[first, first + count) as a number, or -1.
int digits(std::string_view text, std::size_t first, std::size_t count)
{
    if (first + count > text.size())
        return -1;
    int value = 0;
    for (std::size_t i = first; i < first + count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

int daysIn(int year, int month)
{
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

} // namespace

std::optional<std::string> normaliseTime(std::string_view text)
{
    if (!text.empty() && text.back() == 'Z')
        text.remove_suffix(1);
    // YYYY-MM-DD, then optionally [T ]hh:mm, then optionally :ss.
    if (text.size() != 10 && text.size() != 16 && text.size() != 19)
        return std::nullopt;
    const int year = digits(text, 0, 4);
    const int month = digits(text, 5, 2);
    const int day = digits(text, 8, 2);
    if (year < 0 || text[4] != '-' || text[7] != '-' || month < 1 || month > 12 || day < 1 || day > daysIn(year, month))
        return std::nullopt;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (text.size() > 10) {
        hour = digits(text, 11, 2);
        minute = digits(text, 14, 2);
        if ((text[10] != 'T' && text[10] != ' ') || text[13] != ':' || hour < 0 || hour > 23 || minute < 0 ||
            minute > 59)
            return std::nullopt;
    }
    if (text.size() > 16) {
        second = digits(text, 17, 2);
        if (text[16] != ':' || second < 0 || second > 59)
            return std::nullopt;
    }
    char iso[32];
    std::snprintf(iso, sizeof iso, "%04d-%02d-%02dT%02d:%02d:%02d.000Z", year, month, day, hour, minute, second);
    return std::string(iso);
}

} // namespace quorva
