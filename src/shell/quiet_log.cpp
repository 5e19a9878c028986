#include "quiet_log.h"

namespace quorva {

QuietLog::~QuietLog()
{
    close();
}

bool QuietLog::open(const std::string& path)
{
    close();
    file_ = std::fopen(path.c_str(), "a");
    if (!file_)
        return false;
    append(kStartLine);
    for (const std::string& line : held_)
        append(line);
    held_.clear();
    holding_ = false;
    return true;
}

void QuietLog::writeLine(std::string_view text)
{
    lastLine_ = text;
    if (!file_) {
        if (holding_)
            held_.emplace_back(text);
        return;
    }
    append(text);
}

void QuietLog::append(std::string_view text)
{
    // One write a line, so a line never reaches the file in pieces.
    std::string line(text);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fflush(file_);
}

void QuietLog::close()
{
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

} // namespace quorva
