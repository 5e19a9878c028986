#include "chip_record.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace quorva {

namespace {

constexpr std::array<const char*, 4> kOutcomeNames = {"started", "ok", "failed", "cancelled"};
constexpr std::string_view kStepSeparator = ", ";

} // namespace

const char* outcomeName(Outcome outcome)
{
    return kOutcomeNames.at(static_cast<std::size_t>(outcome));
}

std::optional<Outcome> outcomeFromName(std::string_view name)
{
    for (std::size_t i = 0; i < kOutcomeNames.size(); ++i)
        if (name == kOutcomeNames[i])
            return static_cast<Outcome>(i);
    return std::nullopt;
}

double SummaryLine::yield() const
{
    const int judged = good + failed + unfinished;
    return judged == 0 ? 0.0 : static_cast<double>(good) / judged;
}

std::string utcNow()
{
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm parts{};
    gmtime_r(&seconds, &parts);
    std::array<char, 64> text{};
    std::snprintf(text.data(), text.size(), "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<int>(millis));
    return text.data();
}

std::string joinSteps(const std::vector<std::string>& steps)
{
    std::string text;
    for (const std::string& step : steps)
        text += (text.empty() ? "" : std::string(kStepSeparator)) + step;
    return text;
}

std::vector<std::string> splitSteps(const std::string& text)
{
    std::vector<std::string> steps;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find(kStepSeparator, start), text.size());
        steps.push_back(text.substr(start, end - start));
        start = end + kStepSeparator.size();
    }
    return steps;
}

} // namespace quorva
