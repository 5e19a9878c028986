#include "preview_model.h"

#include <algorithm>

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

} // namespace

void PreviewModel::setCellSize(int c, int h)
{
    c_ = std::max(c, 1);
    h_ = std::max(h, 1);
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

int PreviewModel::scrollMax() const
{
    return std::max(totalLines() - visibleLines(), 0);
}

void PreviewModel::snapshot()
{
    length_ = buffer_.length();
    busy_ = buffer_.busy();
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

bool PreviewModel::leftClick(int x, int y)
{
    if (length_ == 0 || y < h_ + 2)
        return false;
    const int line = (y - 2) / h_ - 1 + firstLine();
    const int base = line * kBytesPerLine;
    int k = -1;
    EditMode mode = EditMode::None;
    if (x >= 3 * c_ + 2 && x < 35 * c_ + 2) {
        k = ((x - 2) / c_ - 3) / 2;
        mode = EditMode::HexHigh;
    } else if (x >= 35 * c_ + 6) {
        k = (x - 6) / c_ - 35;
        mode = EditMode::Character;
    }
    if (k < 0 || k >= kBytesPerLine || base + k >= length_)
        return false;
    mode_ = mode;
    cursor_ = base + k;
    return true;
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
    case EditMode::Character:
        // A byte holds one character of the view's 8-bit set; others are not typed.
        if (ch > 0xFF)
            return false;
        setByte(cursor_, static_cast<std::uint8_t>(ch));
        advanceCursor(EditMode::Character);
        buffer_.markModified();
        break;
    case EditMode::None:
        return false;
    }
    snapshot();
    return true;
}

} // namespace quorva
