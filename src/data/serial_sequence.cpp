#include "serial_sequence.h"

#include "base/atomic_file.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace quorva {

namespace {

constexpr int kSerialBytes = 4;

int lastByteOf(std::span<const std::uint8_t> image, int address)
{
    const int length = static_cast<int>(image.size());
    return address < length ? address : length - 1;
}

// Copies the number's bytes from one image into another of at least the
// same reach; false when the target is too short to hold them.
bool copyNumber(std::span<const std::uint8_t> from, std::span<std::uint8_t> to, int address)
{
    const int last = lastByteOf(from, address);
    if (last < 0 || last >= static_cast<int>(to.size()))
        return false;
    for (int i = last; i >= 0 && i > last - kSerialBytes; --i)
        to[static_cast<std::size_t>(i)] = from[static_cast<std::size_t>(i)];
    return true;
}

// Decoding answers nobody: a file whose checksums are wrong is no sequence.
class RefusingPrompts final : public CodecPrompts {
public:
    void reportError(int) override {}
    bool acceptBadChecksum() override { return false; }
};

// An exclusive flock on a folder, released on every way out (also by the
// kernel when the process dies).
class FolderLock {
public:
    explicit FolderLock(const std::string& file)
    {
        char resolved[PATH_MAX];
        if (!realpath(file.c_str(), resolved))
            return;
        std::string folder(resolved);
        folder.erase(folder.rfind('/') + 1);
        fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ >= 0 && flock(fd_, LOCK_EX) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~FolderLock()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

} // namespace

int incrementSerialNumber(std::span<std::uint8_t> image, int address)
{
    int position = lastByteOf(image, address);
    int highest = -1;
    for (int step = 0; step < kSerialBytes && position >= 0; ++step, --position) {
        auto& byte = image[static_cast<std::size_t>(position)];
        ++byte;
        highest = position;
        if (byte != 0)
            break;
    }
    return highest;
}

std::uint32_t serialNumberAt(std::span<const std::uint8_t> image, int address)
{
    const int last = lastByteOf(image, address);
    std::uint32_t value = 0;
    for (int i = std::max(last - kSerialBytes + 1, 0); i <= last; ++i)
        value = value << 8 | image[static_cast<std::size_t>(i)];
    return value;
}

bool writeSerialNumber(std::span<std::uint8_t> image, int address, std::uint32_t number)
{
    const int last = lastByteOf(image, address);
    if (last < 0)
        return false;
    for (int i = last; i >= 0 && i > last - kSerialBytes; --i, number >>= 8)
        image[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(number & 0xFF);
    return true;
}

bool MemorySerialSequence::take(std::span<std::uint8_t> image, std::uint32_t& number)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    if (!copyNumber(image_, image, address_))
        return false;
    number = serialNumberAt(image_, address_);
    incrementSerialNumber(image_, address_);
    return true;
}

bool FileSerialSequence::take(std::span<std::uint8_t> image, std::uint32_t& number)
{
    const std::lock_guard<std::mutex> hold(mutex_);
    const FolderLock lock(path_);
    if (!lock.held())
        return false;
    const std::optional<std::string> text = readWholeFile(path_);
    if (!text)
        return false;
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text->data()), text->size());
    RefusingPrompts prompts;
    const bool binary = formatOfPath(path_) == ImageFormat::Binary;
    std::optional<Image> current = binary ? Image(bytes.begin(), bytes.end()) : parseHex(bytes, prompts);
    if (!current || current->empty())
        return false;
    const int last = lastByteOf(*current, address_);
    if (last >= static_cast<int>(image.size()))
        return false;
    const Image given = *current;
    incrementSerialNumber(*current, address_);
    // Written back before the number is handed out: a crash now skips it.
    const bool written =
        binary ? writeFileAtomically(path_,
                                     std::string_view(reinterpret_cast<const char*>(current->data()), current->size()))
               : writeFileAtomically(path_, encodeHex(*current));
    if (!written)
        return false;
    copyNumber(given, image, address_);
    number = serialNumberAt(given, address_);
    return true;
}

} // namespace quorva
