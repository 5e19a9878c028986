#pragma once

#include "base/ui.h"
#include "file_choosers.h"
#include "hex_codec.h"
#include "image_limits.h"
#include "raw_text_load.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quorva {

class Project;

// What last happened to a byte; the preview colours each byte by it.
enum ByteState : std::uint8_t {
    ByteLoaded = 0,     // loadFile, loadAtAddress
    ByteSaved = 1,      // writeFile
    ByteProgrammed = 2, // written to the chip
    ByteVerified = 3,   // equal to the chip
    ByteRead = 4,       // read from the chip
    BytePending = 5,    // createBlank, start of program/verify, verify mismatch
    ByteEdited = 6,     // typed in the preview, incrementSerial
};

struct Rgb {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

// Preview colour of each ByteState; the eighth marks the byte under the edit cursor.
inline constexpr std::array<Rgb, 8> kByteStateColours{{
    {0x00, 0x00, 0x00},
    {0x00, 0x00, 0x80},
    {0x00, 0x00, 0xFF},
    {0x00, 0x80, 0x00},
    {0x00, 0x60, 0x00},
    {0xFF, 0x00, 0x00},
    {0xFF, 0x00, 0xFF},
    {0x00, 0x80, 0x80},
}};

// One image of chip memory (Flash or Eeprom) with its file, its modified
// flag and one ByteState per byte. Belongs to the user-interface thread; an
// operation's worker writes data() and byteState() only while busy() is set.
class MemoryBuffer {
public:
    // Shows the buffer's label text; the main window binds its label here.
    using LabelSink = std::function<void(const std::string&)>;
    // Recomputes the preview's scroll range and repaints it.
    using PreviewRefresh = std::function<void()>;

    MemoryBuffer();

    // Links the buffer (project may be null in tools without a project),
    // creates its choosers and shows its label. An Eeprom buffer is byte-granular.
    void init(Ui& owner, bool byteGranular, LabelSink label, Project* project);
    void setPreview(PreviewRefresh refresh) { preview_ = std::move(refresh); }

    bool busy() const { return busy_; }
    void setBusy(bool busy) { busy_ = busy; }
    bool byteGranular() const { return byteGranular_; }
    // Set while the buffer holds (some of) the text of a .hex or .eep file
    // that did not decode: programming it would write characters as code.
    const std::optional<RawTextLoad>& rawText() const { return rawText_; }
    // The file the last load could not read, while that left the buffer
    // empty: a run that needs this memory must not go on without it.
    const std::string& unreadFile() const { return unreadFile_; }
    bool modified() const { return modified_; }
    int length() const { return static_cast<int>(data_.size()); }
    bool hasData() const { return !data_.empty(); }
    const std::string& fileName() const { return fileName_; }

    std::span<std::uint8_t> data() { return data_; }
    std::span<const std::uint8_t> data() const { return data_; }
    std::span<std::uint8_t> byteState() { return byteState_; }
    std::span<const std::uint8_t> byteState() const { return byteState_; }
    void setAllByteStates(ByteState state);

    // Empties the buffer and forgets its file; `modified` stays. Always true.
    bool clear();
    // size bytes of 0xFF, all pending, marked modified; the file name stays.
    bool createBlank(int size);
    // A completed read from the chip: the first count bytes of source, with
    // their states, replace the contents; the file name stays and the
    // buffer counts as modified. source keeps the bytes read, or
    // (short of memory for a copy) takes the former contents.
    void takeRead(MemoryBuffer& source, int count);
    // The chip was erased: bytes shown as programmed or verified are loaded
    // bytes again.
    void chipErased();
    void markModified();
    void updateLabel();
    void refreshPreview();
    // Sum of all bytes modulo 65536.
    std::uint16_t checksum() const;
    // Counts up the big-endian serial number (at most 4 bytes) whose least
    // significant byte is at address (the last byte when beyond the end).
    void incrementSerial(int address);

    // The file functions return true when they finished or have already told
    // the person what went wrong; false means nothing was done (or, for
    // loadFile, memory ran out).
    bool loadFile(const std::string& path);
    bool reload();
    bool open();
    bool openAtAddress();
    // Merges a file into a non-empty buffer at an address the person gives.
    bool loadAtAddress(const std::string& path);
    void save();
    bool saveAs();
    // True when the file was written.
    bool writeFile(const std::string& path);

    const RememberingChooser& openChooser() const { return openChooser_; }
    const RememberingChooser& saveChooser() const { return saveChooser_; }

private:
    // The file read and decoded as a load does; nothing after its messages.
    struct Decoded {
        bool readFailed = false; // messages shown; the load counts as handled
        bool noMemory = false;   // 1019 shown before decoding
        std::optional<Image> image;
        std::optional<RawTextLoad> rawText; // the text was taken raw (2101 shown)
    };
    Decoded readAndDecode(const std::string& path);
    void padToWords(Image& image) const;
    void finishLoad(const std::string& path);
    void loadFailed(const std::string& path);
    void refreshWindowState();
    void clearProjectModifiedIfClean();
    // The bound project's file, where the choosers open when nothing nearer is known.
    std::string projectFileName() const;

    Ui* ui_ = nullptr;
    Project* project_ = nullptr;
    LabelSink label_;
    PreviewRefresh preview_;
    RememberingChooser openChooser_;
    RememberingChooser saveChooser_;
    bool busy_ = false;
    bool byteGranular_ = false;
    bool modified_ = false;
    std::string fileName_ = kUnspecifiedFile;
    std::optional<RawTextLoad> rawText_;
    std::string unreadFile_;
    Image data_;
    std::vector<std::uint8_t> byteState_;
};

} // namespace quorva
