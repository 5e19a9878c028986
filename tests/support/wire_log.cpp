#include "wire_log.h"

namespace quorva::test {

std::string hexBytes(const std::uint8_t* bytes, std::size_t count)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        if (i)
            text += ' ';
        text += kHex[bytes[i] >> 4];
        text += kHex[bytes[i] & 15];
    }
    return text;
}

std::vector<std::string> WireLog::entries() const
{
    std::lock_guard lock(mutex_);
    return entries_;
}

std::vector<std::string> WireLog::sends() const
{
    std::vector<std::string> found;
    for (const std::string& entry : entries()) {
        if (entry.rfind("send ", 0) == 0)
            found.push_back(entry.substr(5));
    }
    return found;
}

void WireLog::clear()
{
    std::lock_guard lock(mutex_);
    entries_.clear();
}

void WireLog::add(std::string entry)
{
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
}

bool WireLog::open(int portIndex, int baud)
{
    const bool ok = inner_.open(portIndex, baud);
    add("open COM" + std::to_string(portIndex + 1) + " " + std::to_string(baud) + (ok ? "" : " failed"));
    return ok;
}

bool WireLog::close()
{
    if (inner_.connected())
        add("close");
    return inner_.close();
}

bool WireLog::sendByte(std::uint8_t byte)
{
    add("send " + hexBytes(&byte, 1));
    return inner_.sendByte(byte);
}

bool WireLog::send(const std::uint8_t* bytes, std::size_t count)
{
    add("send " + hexBytes(bytes, count));
    return inner_.send(bytes, count);
}

} // namespace quorva::test
