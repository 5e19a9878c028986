#include "memory_buffer.h"

#include "data_messages.h"
#include "image_file.h"
#include "project.h"
#include "serial_sequence.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace quorva {

namespace {
constexpr int kCannotLoad = 1023;
constexpr int kNotEnoughMemory = 1019;
constexpr int kCannotRead = 1144;
} // namespace

MemoryBuffer::MemoryBuffer() : openChooser_(flashOpenChooser()), saveChooser_(flashSaveChooser()) {}

void MemoryBuffer::init(Ui& owner, bool byteGranular, LabelSink label, Project* project)
{
    ui_ = &owner;
    byteGranular_ = byteGranular;
    label_ = std::move(label);
    project_ = project;
    openChooser_ = byteGranular ? eepromOpenChooser() : flashOpenChooser();
    saveChooser_ = byteGranular ? eepromSaveChooser() : flashSaveChooser();
    updateLabel();
}

void MemoryBuffer::setAllByteStates(ByteState state)
{
    std::fill(byteState_.begin(), byteState_.end(), state);
}

bool MemoryBuffer::clear()
{
    busy_ = false;
    data_ = {};
    byteState_ = {};
    fileName_ = kUnspecifiedFile;
    rawText_.reset();
    unreadFile_.clear();
    refreshPreview();
    updateLabel();
    return true;
}

bool MemoryBuffer::createBlank(int size)
{
    busy_ = false;
    try {
        // Refills the storage the buffer already has when it is big enough:
        // fresh megabytes cost a page fault per page. Both reserve first, so
        // that running out of memory leaves the contents as they were.
        const auto bytes = static_cast<std::size_t>(std::max(size, 0));
        data_.reserve(bytes);
        byteState_.reserve(bytes);
        data_.assign(bytes, 0xFF);
        byteState_.assign(bytes, BytePending);
        rawText_.reset();
        unreadFile_.clear();
    } catch (const std::bad_alloc&) {
        showDataError(*ui_, kNotEnoughMemory);
        return false;
    }
    markModified();
    refreshPreview();
    updateLabel();
    refreshWindowState();
    return true;
}

void MemoryBuffer::takeRead(MemoryBuffer& source, int count)
{
    const auto keep = std::min(source.data_.size(), static_cast<std::size_t>(std::max(count, 0)));
    source.data_.resize(keep);
    source.byteState_.resize(keep);
    busy_ = false;
    // Copied, so that source keeps its storage for the next read of a big
    // chip; taken over when there is no memory for a copy.
    try {
        data_.reserve(keep);
        byteState_.reserve(keep);
        data_.assign(source.data_.begin(), source.data_.end());
        byteState_.assign(source.byteState_.begin(), source.byteState_.end());
    } catch (const std::bad_alloc&) {
        data_.swap(source.data_);
        byteState_.swap(source.byteState_);
    }
    rawText_.reset();
    unreadFile_.clear();
    markModified();
    refreshPreview();
    updateLabel();
    refreshWindowState();
}

void MemoryBuffer::chipErased()
{
    for (std::uint8_t& state : byteState_) {
        if (state == ByteProgrammed || state == ByteVerified)
            state = ByteLoaded;
    }
    refreshPreview();
}

void MemoryBuffer::markModified()
{
    if (!modified_) {
        modified_ = true;
        updateLabel();
    }
    if (project_)
        project_->setModified();
}

void MemoryBuffer::updateLabel()
{
    if (!label_)
        return;
    std::string text = fileName_.empty() ? std::string(kUnspecifiedFile) : fileName_;
    if (modified_ && !data_.empty())
        text += "*";
    label_(text);
}

void MemoryBuffer::refreshPreview()
{
    if (preview_)
        preview_();
}

std::uint16_t MemoryBuffer::checksum() const
{
    // Eight bytes at a time into four 16-bit lanes (the byte order does not
    // matter to a sum): a status line after every load of a 16 MB image
    // must not cost more than the load.
    constexpr std::uint64_t kLanes = 0x00FF00FF00FF00FFull;
    constexpr std::size_t kWordsPerFold = 128; // 128 * 2 * 255 fits a lane
    const std::uint8_t* at = data_.data();
    std::size_t left = data_.size();
    std::uint64_t total = 0;
    while (left >= 8) {
        std::uint64_t lanes = 0;
        for (std::size_t n = 0; n < kWordsPerFold && left >= 8; ++n, at += 8, left -= 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, at, 8);
            lanes += (word & kLanes) + ((word >> 8) & kLanes);
        }
        total += (lanes & 0xFFFF) + ((lanes >> 16) & 0xFFFF) + ((lanes >> 32) & 0xFFFF) + (lanes >> 48);
    }
    for (; left > 0; --left)
        total += *at++;
    return static_cast<std::uint16_t>(total);
}

void MemoryBuffer::incrementSerial(int address)
{
    const int highest = incrementSerialNumber(data_, address);
    if (highest < 0)
        return;
    const int last = address < length() ? address : length() - 1;
    for (int i = highest; i <= last; ++i)
        byteState_[static_cast<std::size_t>(i)] = ByteEdited;
    markModified();
    refreshPreview();
    updateLabel();
}

MemoryBuffer::Decoded MemoryBuffer::readAndDecode(const std::string& path)
{
    Decoded decoded;
    FileBytes file = readFileBytes(path, loadReadLimit(path));
    switch (file.status) {
    case ReadStatus::Read:
        break;
    case ReadStatus::CannotOpen:
    case ReadStatus::ReadFailed:
        refreshWindowState();
        showDataError(*ui_, formatMessage(kCannotRead, path.c_str()));
        decoded.readFailed = true;
        return decoded;
    case ReadStatus::NoMemory:
        refreshWindowState();
        showDataError(*ui_, kNotEnoughMemory);
        decoded.noMemory = true;
        return decoded;
    }
    UiCodecPrompts prompts(*ui_);
    HexRejection fellBack;
    decoded.image = parseImage(path, std::move(file.bytes), prompts, &fellBack);
    if (decoded.image && fellBack.problem != HexProblem::None) {
        decoded.rawText = RawTextLoad{path, fellBack};
        ui_->showMessage(BoxIcon::Warning, messageText(kDataCaption), rawTextMessage(2101, *decoded.rawText));
    }
    return decoded;
}

void MemoryBuffer::loadFailed(const std::string& path)
{
    if (!hasData())
        unreadFile_ = path;
}

void MemoryBuffer::padToWords(Image& image) const
{
    // Flash is programmed in 16-bit words.
    if (!byteGranular_ && image.size() % 2 != 0)
        image.push_back(0xFF);
}

bool MemoryBuffer::loadFile(const std::string& path)
{
    if (path == kUnspecifiedFile)
        return clear();
    Decoded decoded = readAndDecode(path);
    if (decoded.readFailed || decoded.noMemory)
        loadFailed(path);
    if (decoded.readFailed)
        return true;
    if (decoded.noMemory)
        return false;
    Image image;
    std::vector<std::uint8_t> states;
    if (decoded.image) {
        try {
            image = std::move(*decoded.image);
            padToWords(image);
            states.assign(image.size(), ByteLoaded);
        } catch (const std::bad_alloc&) {
            showDataError(*ui_, kNotEnoughMemory);
            decoded.image.reset();
        }
    }
    if (!decoded.image) {
        loadFailed(path);
        refreshWindowState();
        showDataError(*ui_, kCannotLoad);
        return true;
    }
    clear();
    data_ = std::move(image);
    byteState_ = std::move(states);
    rawText_ = std::move(decoded.rawText);
    finishLoad(path);
    refreshWindowState();
    return true;
}

void MemoryBuffer::finishLoad(const std::string& path)
{
    fileName_ = path;
    modified_ = false;
    clearProjectModifiedIfClean();
    refreshPreview();
    updateLabel();
}

bool MemoryBuffer::reload()
{
    if (fileName_.empty() || fileName_ == kUnspecifiedFile)
        return clear();
    const std::string name = fileName_;
    clear();
    fileName_ = name;
    return loadFile(name);
}

bool MemoryBuffer::open()
{
    const auto path = openChooser_.choose(*ui_, fileName_, projectFileName());
    return path ? loadFile(*path) : false;
}

bool MemoryBuffer::openAtAddress()
{
    const auto path = openChooser_.choose(*ui_, fileName_, projectFileName());
    return path ? loadAtAddress(*path) : false;
}

void MemoryBuffer::save()
{
    if (data_.empty())
        return;
    if (!fileName_.empty() && fileName_ != kUnspecifiedFile)
        writeFile(fileName_);
    else
        saveAs();
}

bool MemoryBuffer::saveAs()
{
    if (data_.empty())
        return false;
    const auto path = saveChooser_.choose(*ui_, fileName_, projectFileName());
    if (!path)
        return false;
    fileName_ = *path;
    writeFile(*path);
    return true;
}

bool MemoryBuffer::writeFile(const std::string& path)
{
    if (!writeImageFile(*ui_, path, data_))
        return false;
    modified_ = false;
    clearProjectModifiedIfClean();
    setAllByteStates(ByteSaved);
    refreshPreview();
    updateLabel();
    return true;
}

std::string MemoryBuffer::projectFileName() const
{
    return project_ ? project_->fileName : std::string();
}

void MemoryBuffer::refreshWindowState()
{
    if (project_)
        project_->refreshWindowState();
}

void MemoryBuffer::clearProjectModifiedIfClean()
{
    if (project_)
        project_->clearModifiedIfBuffersClean();
}

} // namespace quorva
