#pragma once

#include "code_pages.h"
#include "image_limits.h"
#include "memory_buffer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorva {

// Hexadecimal digits of the largest value v.
constexpr int hexDigits(std::int64_t v)
{
    int digits = 1;
    for (; v > 0xF; v >>= 4)
        ++digits;
    return digits;
}

// The hex view of one buffer without its toolkit: 16 bytes per line, the
// mapping of display to buffer bytes (swap pairs), scrolling over the whole
// buffer, hit-testing a click in cells, the typing state machine, the
// characters in the language's OEM code page and the colour of every byte.
// Geometry is in multiples of the cell size (c wide, h high) after the
// address column (a wide) and holds for any font.
//
// The view reads the buffer only in snapshot(), which its owner calls where
// no command can be changing the buffer; painting uses the copy.
class PreviewModel {
public:
    enum class EditMode { None = 0, HexHigh = 1, HexLow = 2, Character = 3 };
    static constexpr int kBytesPerLine = 16;
    // The longest address a buffer can have (16 MB: six digits); shorter ones show five.
    static constexpr int kAddressDigits = hexDigits(kImageLimit - 1);
    static constexpr Rgb kCursorColour{0x00, 0x80, 0x80};
    static constexpr Rgb kBusyColour{0x00, 0x00, 0x00};

    explicit PreviewModel(MemoryBuffer& buffer) : buffer_(buffer) {}

    // --- geometry in pixels, from the cell size and the view's size ---
    // The address column is three cells wide unless setAddressWidth asks for more.
    void setCellSize(int c, int h);
    void setAddressWidth(int pixels);
    void setViewSize(int width, int height);
    int cellWidth() const { return c_; }
    int cellHeight() const { return h_; }
    int addressWidth() const { return a_; }
    // Left edges of the hex and character columns and the right edge of the latter.
    int hexColumnLeft() const { return a_ + 2; }
    int charColumnLeft() const { return a_ + 32 * c_ + 4; }
    int charColumnRight() const { return a_ + 48 * c_ + 6; }
    // Right edges of the cells of column k (the texts are right-aligned).
    int hexCellRight(int k) const { return a_ + (2 * k + 2) * c_ + 2; }
    int charCellRight(int k) const { return a_ + (k + 33) * c_ + 6; }
    // Lines of bytes that fit under the header.
    int rows() const;
    // The width the view needs for the address, hex and character columns.
    int naturalWidth() const { return a_ + 49 * c_ + 8; }

    // --- the buffer as last snapshot ---
    // Copies what the view shows (length, busy, the visible lines), takes the
    // code page of the window's language and recomputes the scroll range;
    // call after every change of the buffer.
    void snapshot();
    int length() const { return length_; }
    bool busy() const { return busy_; }
    CodePage codePage() const { return codePage_; }

    // --- scrolling: one unit is one line of 16 bytes, over the whole buffer ---
    int totalLines() const { return (length_ + kBytesPerLine - 1) / kBytesPerLine; }
    int visibleLines() const;
    // A page keeps one line of the last one in view, so no line is skipped.
    int pageLines() const;
    bool hasScrollBar() const { return scrollMax() > 0; }
    int scrollMax() const;
    int firstLine() const { return hasScrollBar() ? first_ : 0; }
    // Clamped to 0 .. scrollMax; takes a new snapshot of the lines shown.
    void scrollTo(int line);
    // The address at the left of a line, at least five digits.
    static std::string addressText(int line);

    // --- swap pairs (the Flash view's "Inv") ---
    void setSwapPairs(bool on) { swapPairs_ = on; }
    bool swapPairs() const { return swapPairs_; }
    int bufferIndex(int displayIndex) const;
    // Header digit of column k (k of 0..15), swapped with the pairs.
    int headerDigit(int k) const { return swapPairs_ ? k ^ 1 : k; }

    // --- what a visible byte shows (display index within the shown lines) ---
    bool shown(int displayIndex) const;
    std::uint8_t byteAt(int displayIndex) const;
    // The byte's character in the code page; 0 (nothing) for a zero byte.
    char32_t glyphAt(int displayIndex) const { return codePageGlyph(codePage_, byteAt(displayIndex)); }
    Rgb colourAt(int displayIndex) const;
    // The tool tip over (x, y): address, value and state of the byte there in
    // words; empty off the bytes.
    std::string describeAt(int x, int y) const;

    // --- input ---
    // A left click at (x, y) in the view; false when it hit no byte.
    bool leftClick(int x, int y);
    // A right click ends editing; true when there was an edit to end.
    bool rightClick();
    // The character a key produced; true when it changed the buffer. In
    // character mode a control character (Enter, Tab ...) stores its own code
    // and any other the byte the code page shows it as.
    bool type(char32_t ch);
    // Moves the edit cursor by delta display bytes (an arrow key), onto the
    // high digit in hex mode, and scrolls it into view; false outside editing
    // or past either end.
    bool moveCursor(int delta);
    EditMode editMode() const { return mode_; }
    int cursor() const { return cursor_; }

private:
    // The display index of the byte at (x, y) and the edit mode its column
    // starts; -1 off the bytes.
    int hit(int x, int y, EditMode& mode) const;
    void setByte(int displayIndex, std::uint8_t value);
    void advanceCursor(EditMode next);
    void scrollToCursor();

    MemoryBuffer& buffer_;
    int c_ = 11;
    int h_ = 19;
    int a_ = 33;
    int width_ = 0;
    int height_ = 0;
    bool swapPairs_ = false;
    int first_ = 0;
    EditMode mode_ = EditMode::None;
    int cursor_ = 0;
    CodePage codePage_ = CodePage::Oem437;

    int length_ = 0;
    bool busy_ = false;
    int snapshotFirst_ = 0; // display index of snapshot byte 0
    std::vector<std::uint8_t> bytes_;
    std::vector<std::uint8_t> states_;
};

} // namespace quorva
