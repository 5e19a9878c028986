#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

namespace quorva {

// The byte-level log a user sends with a bug report about a misbehaving box:
// one event a line, with a wall-clock time stamp to the millisecond.
class Trace {
public:
    // The trace QUORVA_TRACE names, or null when it is unset or cannot be opened.
    static std::shared_ptr<Trace> fromEnvironment();
    // Appends to the file; isOpen() tells whether that worked.
    explicit Trace(const std::string& path);
    ~Trace();
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    void line(const std::string& text);
    void bytes(const char* direction, const std::uint8_t* data, std::size_t count);

private:
    std::mutex mutex_;
    std::FILE* file_ = nullptr;
};

} // namespace quorva
