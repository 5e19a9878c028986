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
    writeLine(kStartLine);
    return true;
}

void QuietLog::writeLine(std::string_view text)
{
    if (!file_)
        return;
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fputc('\n', file_);
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
