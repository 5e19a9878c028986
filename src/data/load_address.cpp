#include "load_address.h"

#include "data_messages.h"
#include "image_file.h"
#include "memory_buffer.h"
#include "text_numbers.h"

#include <algorithm>
#include <cstdio>
#include <new>

namespace quorva {

std::string proposedAddressText(int address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(address));
    return text;
}

int parseAddressText(std::string_view text, bool hexadecimal)
{
    return scanInteger(text, hexadecimal ? 16 : 10);
}

bool MemoryBuffer::loadAtAddress(const std::string& path)
{
    constexpr int kCannotLoad = 1023;
    if (data_.empty())
        return false;
    if (path == kUnspecifiedFile)
        return clear();
    Decoded decoded = readAndDecode(path);
    if (decoded.readFailed)
        return true;
    if (decoded.noMemory)
        return false;
    const auto refuse = [this] {
        showDataError(*ui_, kCannotLoad);
        return true;
    };
    if (!decoded.image)
        return refuse();
    const Image& image = *decoded.image;

    int address = length();
    if (!ui_->loadAddressDialog(address))
        return refuse();
    // Nothing may land before the buffer, nor grow it beyond what a file can hold.
    const std::int64_t end = std::int64_t{address} + static_cast<std::int64_t>(image.size());
    if (address < 0 || end > kImageLimit)
        return refuse();
    if (address < length() && !askDataQuestion(*ui_, messageText(1155)))
        return refuse();

    Image merged;
    std::vector<std::uint8_t> states;
    try {
        merged.reserve(static_cast<std::size_t>(std::max<std::int64_t>(end, length())) + 1);
        merged.assign(data_.begin(), data_.end());
        if (end > length())
            merged.resize(static_cast<std::size_t>(end), 0xFF);
        std::copy(image.begin(), image.end(), merged.begin() + address);
        padToWords(merged);
        states.assign(merged.size(), ByteLoaded);
    } catch (const std::bad_alloc&) {
        showDataError(*ui_, 1019);
        return refuse();
    }
    data_ = std::move(merged);
    byteState_ = std::move(states);
    if (decoded.rawText)
        rawText_ = std::move(decoded.rawText);
    finishLoad(path);
    return true;
}

} // namespace quorva
