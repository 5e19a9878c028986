#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace quorva {

// The log of a quiet production run: "log.txt" in the current directory,
// appended to and never truncated. Each line reaches the file at once, so a
// run that dies still leaves what it had written.
class QuietLog {
public:
    static constexpr const char* kFileName = "log.txt";
    static constexpr const char* kStartLine = "QUORVA started in quietautoprogram mode.";

    QuietLog() = default;
    ~QuietLog();
    QuietLog(const QuietLog&) = delete;
    QuietLog& operator=(const QuietLog&) = delete;

    // Opens the file for appending and writes the start line. False when the
    // file cannot be opened; the run then goes on without a log.
    bool open(const std::string& path = kFileName);
    bool isOpen() const { return file_ != nullptr; }
    // Appends text and a line feed; nothing when the log is not open, unless
    // lines are held (see holdLinesUntilOpen).
    void writeLine(std::string_view text);
    // Lines written before open() are kept and written right after the start
    // line, so a headless run logs what happened before its log was opened.
    void holdLinesUntilOpen() { holding_ = true; }
    // The text most recently given to writeLine.
    const std::string& lastLine() const { return lastLine_; }
    void close();

private:
    void append(std::string_view text);

    std::FILE* file_ = nullptr;
    bool holding_ = false;
    std::vector<std::string> held_;
    std::string lastLine_;
};

} // namespace quorva
