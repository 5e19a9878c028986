#include "load_address.h"

#include "data_messages.h"
#include "image_file.h"
#include "memory_buffer.h"
#include "text_numbers.h"

#include <algorithm>
#include <cstdio>
#include <new>

namespace quorva {

namespace {
constexpr int kHexadecimalRange = 2221;
constexpr int kDecimalRange = 2222;
} // namespace

std::string proposedAddressText(int address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(address));
    return text;
}

std::optional<int> readAddressText(std::string_view text, bool hexadecimal)
{
    text = trimmed(text);
    // A sign is no part of an address.
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
        return std::nullopt;
    const std::optional<ScannedNumber> number = scanNumber(text, hexadecimal ? 16 : 10);
    if (!number || number->end != text.size() || number->value > kHighestLoadAddress)
        return std::nullopt;
    return static_cast<int>(number->value);
}

std::string addressRangeText(bool hexadecimal)
{
    return hexadecimal ? formatMessage(kHexadecimalRange, static_cast<unsigned>(kHighestLoadAddress))
                       : formatMessage(kDecimalRange, kHighestLoadAddress);
}

LoadAddressModel::LoadAddressModel(int proposal) : text(proposedAddressText(proposal)) {}

void LoadAddressModel::setHexadecimal(bool on)
{
    if (on == hexadecimal_)
        return;
    if (const std::optional<int> address = readAddressText(text, hexadecimal_))
        text = on ? proposedAddressText(*address) : std::to_string(*address);
    hexadecimal_ = on;
}

std::optional<int> LoadAddressModel::accept(Ui& ui) const
{
    const std::optional<int> address = readAddressText(text, hexadecimal_);
    if (!address)
        ui.showMessage(BoxIcon::Warning, messageText(kDataCaption), addressRangeText(hexadecimal_));
    return address;
}

bool MemoryBuffer::loadAtAddress(const std::string& path)
{
    constexpr int kCannotLoad = 1023;
    constexpr int kNotMerged = 2223;
    if (data_.empty())
        return false;
    if (path == kUnspecifiedFile)
        return clear();
    Decoded decoded = readAndDecode(path);
    if (decoded.readFailed)
        return true;
    if (decoded.noMemory)
        return false;
    const auto refuse = [this](int messageId) {
        showDataError(*ui_, messageId);
        return true;
    };
    // The person chose not to merge: nothing went wrong.
    const auto notMerged = [this] {
        ui_->showMessage(BoxIcon::Information, messageText(kDataCaption), messageText(kNotMerged));
        return true;
    };
    if (!decoded.image)
        return refuse(kCannotLoad);
    const Image& image = *decoded.image;

    int address = length();
    if (!ui_->loadAddressDialog(address))
        return notMerged();
    // Nothing may land before the buffer, nor grow it beyond what a file can hold.
    const std::int64_t end = std::int64_t{address} + static_cast<std::int64_t>(image.size());
    if (address < 0 || end > kImageLimit)
        return refuse(kCannotLoad);
    // Overwriting part of the image is the exception: Enter keeps it.
    if (address < length() &&
        ui_->ask(Buttons::YesNo, BoxIcon::Question, 1, messageText(kDataCaption), messageText(1155)) != Answer::Yes)
        return notMerged();

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
        return refuse(kCannotLoad);
    }
    data_ = std::move(merged);
    byteState_ = std::move(states);
    if (decoded.rawText)
        rawText_ = std::move(decoded.rawText);
    // The buffer keeps its own file: the merged file is only a part of it
    // now, and Save must not write the whole image over that part.
    markModified();
    refreshPreview();
    updateLabel();
    refreshWindowState();
    return true;
}

} // namespace quorva
