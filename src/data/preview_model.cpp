#include "preview_model.h"

#include "base/messages.h"

#include <algorithm>
#include <cstdio>
#include <optional>

namespace quorva {

namespace {

int hexValue(char32_t ch)
{
    if (ch >= '0' && ch <= '9')
        return static_cast<int>(ch - '0');
    if (ch >= 'a' && ch <= 'f')
        return static_cast<int>(ch - 'a') + 10;
    if (ch >= 'A' && ch <= 'F')
        return static_cast<int>(ch - 'A') + 10;
    return -1;
}

constexpr int kAddressText = 2260;
constexpr int kStateTexts = 2261; // one per ByteState, in code order

} // namespace

void PreviewModel::setCellSize(int c, int h)
{
    c_ = std::max(c, 1);
    h_ = std::max(h, 1);
    a_ = 3 * c_;
}

void PreviewModel::setAddressWidth(int pixels)
{
    a_ = std::max(pixels, 3 * c_);
}

void PreviewModel::setViewSize(int width, int height)
{
    width_ = width;
    height_ = height;
}

int PreviewModel::rows() const
{
    return std::max((height_ - 4) / h_, 0);
}

int PreviewModel::visibleLines() const
{
    return std::max((height_ - h_ - 3) / h_, 0);
}

int PreviewModel::pageLines() const
{
    return std::max(visibleLines() - 1, 1);
}

int PreviewModel::scrollMax() const
{
    return std::max(totalLines() - visibleLines(), 0);
}

void PreviewModel::snapshot()
{
    length_ = buffer_.length();
    busy_ = buffer_.busy();
    codePage_ = russianUi() ? CodePage::Oem866 : CodePage::Oem437;
    first_ = std::clamp(first_, 0, scrollMax());
    if (mode_ != EditMode::None && cursor_ >= length_)
        mode_ = EditMode::None; // the buffer shrank under the cursor
    const int begin = std::min(firstLine() * kBytesPerLine, length_);
    const int end = std::min(begin + (rows() + 1) * kBytesPerLine, length_);
    snapshotFirst_ = begin;
    bytes_.resize(static_cast<std::size_t>(end - begin));
    states_.resize(bytes_.size());
    const auto data = buffer_.data();
    const auto states = buffer_.byteState();
    for (int i = begin; i < end; ++i) {
        const auto at = static_cast<std::size_t>(bufferIndex(i));
        bytes_[static_cast<std::size_t>(i - begin)] = data[at];
        states_[static_cast<std::size_t>(i - begin)] = at < states.size() ? states[at] : std::uint8_t{ByteLoaded};
    }
}

void PreviewModel::scrollTo(int line)
{
    first_ = std::clamp(line, 0, scrollMax());
    snapshot();
}

std::string PreviewModel::addressText(int line)
{
    char text[16];
    std::snprintf(text, sizeof text, "%05X", static_cast<unsigned>(line) * kBytesPerLine);
    return text;
}

int PreviewModel::bufferIndex(int displayIndex) const
{
    if (!swapPairs_)
        return displayIndex;
    const int partner = displayIndex % 2 == 0 ? displayIndex + 1 : displayIndex - 1;
    // An odd length cannot happen on the Flash view; the last byte then shows itself.
    return partner < length_ ? partner : displayIndex;
}

bool PreviewModel::shown(int displayIndex) const
{
    return displayIndex >= snapshotFirst_ && displayIndex - snapshotFirst_ < static_cast<int>(bytes_.size());
}

std::uint8_t PreviewModel::byteAt(int displayIndex) const
{
    return shown(displayIndex) ? bytes_[static_cast<std::size_t>(displayIndex - snapshotFirst_)] : 0;
}

Rgb PreviewModel::colourAt(int displayIndex) const
{
    if (busy_)
        return kBusyColour;
    if (mode_ != EditMode::None && displayIndex == cursor_)
        return kCursorColour;
    const std::uint8_t state =
        shown(displayIndex) ? states_[static_cast<std::size_t>(displayIndex - snapshotFirst_)] : 0;
    return kByteStateColours[state < kByteStateColours.size() - 1 ? state : 0];
}

int PreviewModel::hit(int x, int y, EditMode& mode) const
{
    if (length_ == 0 || y < h_ + 2)
        return -1;
    const int line = (y - 2) / h_ - 1 + firstLine();
    int k = -1;
    if (x >= hexColumnLeft() && x < charColumnLeft() - 2) {
        k = (x - hexColumnLeft()) / c_ / 2;
        mode = EditMode::HexHigh;
    } else if (x >= charColumnLeft() + 2) {
        k = (x - charColumnLeft() - 2) / c_;
        mode = EditMode::Character;
    }
    const int index = line * kBytesPerLine + k;
    return k >= 0 && k < kBytesPerLine && index < length_ ? index : -1;
}

bool PreviewModel::leftClick(int x, int y)
{
    EditMode mode = EditMode::None;
    const int index = hit(x, y, mode);
    if (index < 0)
        return false;
    mode_ = mode;
    cursor_ = index;
    return true;
}

std::string PreviewModel::describeAt(int x, int y) const
{
    EditMode mode = EditMode::None;
    const int index = hit(x, y, mode);
    if (index < 0 || !shown(index))
        return {};
    const std::uint8_t state = states_[static_cast<std::size_t>(index - snapshotFirst_)];
    const char* stateText = messageText(kStateTexts + (state <= ByteEdited ? int{state} : 0));
    return formatMessage(kAddressText, static_cast<unsigned>(bufferIndex(index)), unsigned{byteAt(index)}, stateText);
}

bool PreviewModel::rightClick()
{
    if (mode_ == EditMode::None)
        return false;
    mode_ = EditMode::None;
    return true;
}

void PreviewModel::setByte(int displayIndex, std::uint8_t value)
{
    const auto at = static_cast<std::size_t>(bufferIndex(displayIndex));
    auto data = buffer_.data();
    auto states = buffer_.byteState();
    if (at >= data.size())
        return;
    data[at] = value;
    if (at < states.size())
        states[at] = ByteEdited;
}

void PreviewModel::advanceCursor(EditMode next)
{
    if (cursor_ >= length_ - 1) {
        mode_ = EditMode::None;
        return;
    }
    ++cursor_;
    mode_ = next;
    scrollToCursor();
}

void PreviewModel::scrollToCursor()
{
    const int line = cursor_ / kBytesPerLine;
    if (line < firstLine())
        first_ = line;
    else if (line >= firstLine() + visibleLines())
        first_ = line - std::max(visibleLines(), 1) + 1;
}

bool PreviewModel::moveCursor(int delta)
{
    const int target = cursor_ + delta;
    if (mode_ == EditMode::None || target < 0 || target >= length_)
        return false;
    cursor_ = target;
    if (mode_ == EditMode::HexLow)
        mode_ = EditMode::HexHigh;
    scrollToCursor();
    snapshot();
    return true;
}

bool PreviewModel::type(char32_t ch)
{
    // The buffer may have changed since the click (a reload, a close).
    if (mode_ == EditMode::None || cursor_ >= buffer_.length())
        return false;
    const auto at = static_cast<std::size_t>(bufferIndex(cursor_));
    const std::uint8_t old = buffer_.data()[at];
    switch (mode_) {
    case EditMode::HexHigh:
    case EditMode::HexLow: {
        const int digit = hexValue(ch);
        if (digit < 0)
            return false;
        buffer_.markModified();
        if (mode_ == EditMode::HexHigh) {
            setByte(cursor_, static_cast<std::uint8_t>((old & 0x0F) | (digit << 4)));
            mode_ = EditMode::HexLow;
        } else {
            setByte(cursor_, static_cast<std::uint8_t>((old & 0xF0) | digit));
            advanceCursor(EditMode::HexHigh);
        }
        break;
    }
    case EditMode::Character: {
        // What is typed is what the column shows; a character the code page
        // lacks has no byte.
        const auto code =
            ch < 0x20 ? std::optional<std::uint8_t>(static_cast<std::uint8_t>(ch)) : codePageByte(codePage_, ch);
        if (!code || ch == 0)
            return false;
        setByte(cursor_, *code);
        advanceCursor(EditMode::Character);
        buffer_.markModified();
        break;
    }
    case EditMode::None:
        return false;
    }
    snapshot();
    return true;
}

} // namespace quorva
