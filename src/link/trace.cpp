#include "trace.h"

#include <chrono>
#include <cstdlib>
#include <ctime>

namespace quorva {

std::shared_ptr<Trace> Trace::fromEnvironment()
{
    const char* path = std::getenv("QUORVA_TRACE");
    if (!path || !*path)
        return nullptr;
    auto trace = std::make_shared<Trace>(path);
    return trace->isOpen() ? trace : nullptr;
}

Trace::Trace(const std::string& path) : file_(std::fopen(path.c_str(), "a")) {}

Trace::~Trace()
{
    if (file_)
        std::fclose(file_);
}

void Trace::line(const std::string& text)
{
    if (!file_)
        return;
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local {};
    localtime_r(&seconds, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    std::lock_guard lock(mutex_);
    std::fprintf(file_, "%s.%03d %s\n", stamp, static_cast<int>(millis), text.c_str());
    std::fflush(file_);
}

void Trace::bytes(const char* direction, const std::uint8_t* data, std::size_t count)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string text = direction;
    for (std::size_t i = 0; i < count; ++i) {
        text += ' ';
        text += kHex[data[i] >> 4];
        text += kHex[data[i] & 15];
    }
    line(text);
}

} // namespace quorva
