#pragma once

#include "memory_buffer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorva {

// The hex view of one buffer without its toolkit: 16 bytes per line, the
// mapping of display to buffer bytes (swap pairs), scrolling over the whole
// buffer, hit-testing a click in cells, the typing state machine and the
// colour of every byte. Geometry is in multiples of the cell size
// (c wide, h high) and holds for any font.
//
// The view reads the buffer only in snapshot(), which its owner calls where
// no command can be changing the buffer; painting uses the copy.
class PreviewModel {
public:
    enum class EditMode { None = 0, HexHigh = 1, HexLow = 2, Character = 3 };
    static constexpr int kBytesPerLine = 16;
    static constexpr Rgb kCursorColour{0x00, 0x80, 0x80};
    static constexpr Rgb kBusyColour{0x00, 0x00, 0x00};

    explicit PreviewModel(MemoryBuffer& buffer) : buffer_(buffer) {}

    // --- geometry in pixels, from the cell size and the view's size ---
    void setCellSize(int c, int h);
    void setViewSize(int width, int height);
    int cellWidth() const { return c_; }
    int cellHeight() const { return h_; }
    // Lines of bytes that fit under the header.
    int rows() const;
    // The width the view needs for the address, hex and character columns.
    int naturalWidth() const { return 52 * c_ + 8; }

    // --- the buffer as last snapshot ---
    // Copies what the view shows (length, busy, the visible lines) and
    // recomputes the scroll range; call after every change of the buffer.
    void snapshot();
    int length() const { return length_; }
    bool busy() const { return busy_; }

    // --- scrolling: one unit is one line of 16 bytes, over the whole buffer ---
    int totalLines() const { return (length_ + kBytesPerLine - 1) / kBytesPerLine; }
    int visibleLines() const;
    bool hasScrollBar() const { return scrollMax() > 0; }
    int scrollMax() const;
    int firstLine() const { return hasScrollBar() ? first_ : 0; }
    // Clamped to 0 .. scrollMax; takes a new snapshot of the lines shown.
    void scrollTo(int line);

    // --- swap pairs (the Flash view's "Inv") ---
    void setSwapPairs(bool on) { swapPairs_ = on; }
    bool swapPairs() const { return swapPairs_; }
    int bufferIndex(int displayIndex) const;
    // Header digit of column k (k of 0..15), swapped with the pairs.
    int headerDigit(int k) const { return swapPairs_ ? k ^ 1 : k; }

    // --- what a visible byte shows (display index within the shown lines) ---
    bool shown(int displayIndex) const;
    std::uint8_t byteAt(int displayIndex) const;
    Rgb colourAt(int displayIndex) const;

    // --- input ---
    // A left click at (x, y) in the view; false when it hit no byte.
    bool leftClick(int x, int y);
    // A right click ends editing; true when there was an edit to end.
    bool rightClick();
    // The character a key produced; true when it changed the buffer.
    bool type(char32_t ch);
    EditMode editMode() const { return mode_; }
    int cursor() const { return cursor_; }

private:
    void setByte(int displayIndex, std::uint8_t value);
    void advanceCursor(EditMode next);

    MemoryBuffer& buffer_;
    int c_ = 11;
    int h_ = 19;
    int width_ = 0;
    int height_ = 0;
    bool swapPairs_ = false;
    int first_ = 0;
    EditMode mode_ = EditMode::None;
    int cursor_ = 0;

    int length_ = 0;
    bool busy_ = false;
    int snapshotFirst_ = 0; // display index of snapshot byte 0
    std::vector<std::uint8_t> bytes_;
    std::vector<std::uint8_t> states_;
};

} // namespace quorva
