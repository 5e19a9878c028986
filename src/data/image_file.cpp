#include "image_file.h"

#include "base/atomic_file.h"
#include "data_messages.h"
#include "image_limits.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace quorva {

void UiCodecPrompts::reportError(int messageId)
{
    showDataError(ui_, messageId);
}

bool UiCodecPrompts::acceptBadChecksum()
{
    return askDataQuestion(ui_, messageText(1021));
}

FileBytes readFileBytes(const std::string& path, std::size_t maxBytes)
{
    FileBytes result;
    // O_NONBLOCK: a FIFO must not hang the open; it is refused below anyway.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return result;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return result;
    }
    try {
        result.bytes.resize(std::min<std::size_t>(static_cast<std::size_t>(info.st_size), maxBytes));
    } catch (const std::bad_alloc&) {
        ::close(fd);
        result.status = ReadStatus::NoMemory;
        return result;
    }
    std::size_t filled = 0;
    while (filled < result.bytes.size()) {
        const ssize_t got = ::read(fd, result.bytes.data() + filled, result.bytes.size() - filled);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            result.bytes = {};
            result.status = ReadStatus::ReadFailed;
            return result;
        }
        if (got == 0)
            break; // the file shrank since fstat
        filled += static_cast<std::size_t>(got);
    }
    ::close(fd);
    result.bytes.resize(filled);
    result.status = ReadStatus::Read;
    return result;
}

std::size_t loadReadLimit(std::string_view path)
{
    return formatOfPath(path) == ImageFormat::Binary ? static_cast<std::size_t>(kImageLimit) : kHexTextLimit;
}

namespace {

// Whether a file could be created at path now: its folder is there and
// writable, and whatever stands at path is a file we may replace. Checked
// before any question, so a hopeless save says so at once.
bool canCreate(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    struct stat info {};
    if (path.empty() || path.back() == '/' || stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) ||
        access(folder.c_str(), W_OK | X_OK) != 0)
        return false;
    if (stat(path.c_str(), &info) == 0)
        return !S_ISDIR(info.st_mode) && access(path.c_str(), W_OK) == 0;
    return true;
}

} // namespace

bool writeImageFile(Ui& ui, const std::string& path, std::span<const std::uint8_t> image)
{
    constexpr int kCannotSave = 1015;
    if (!canCreate(path)) {
        showDataError(ui, kCannotSave);
        return false;
    }
    ImageFormat format = formatOfPath(path);
    if (format == ImageFormat::Unknown)
        format = askDataQuestion(ui, formatMessage(1017, path.c_str())) ? ImageFormat::IntelHex : ImageFormat::Binary;

    bool written = false;
    try {
        if (format == ImageFormat::IntelHex)
            written = writeFileAtomically(path, [image](const ChunkSink& sink) { return encodeHex(image, sink); });
        else
            written = writeFileAtomically(
                path, std::string_view(reinterpret_cast<const char*>(image.data()), image.size()));
    } catch (const std::bad_alloc&) {
        written = false;
    }
    if (!written)
        showDataError(ui, kCannotSave);
    return written;
}

} // namespace quorva
