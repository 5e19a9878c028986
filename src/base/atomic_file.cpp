#include "atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorva {

namespace {

// The path the rename must replace: the target of a symbolic link, else the path.
std::string resolvedTarget(const std::string& path)
{
    char resolved[PATH_MAX];
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode) && realpath(path.c_str(), resolved) != nullptr)
        return resolved;
    return path;
}

bool writeAll(int fd, std::string_view contents)
{
    while (!contents.empty()) {
        const ssize_t written = ::write(fd, contents.data(), contents.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        contents.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

unsigned long nextSuffix()
{
    static std::atomic<unsigned long> counter{0};
    return counter.fetch_add(1) + 1;
}

} // namespace

bool writeFileAtomically(const std::string& path, std::string_view contents)
{
    return writeFileAtomically(path, [contents](const ChunkSink& sink) { return sink(contents); });
}

bool writeFileAtomically(const std::string& path, const std::function<bool(const ChunkSink&)>& produce)
{
    const std::string target = resolvedTarget(path);
    const std::size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    const std::string prefix = (slash == std::string::npos ? std::string() : folder) + "." + name + ".";

    // A new file takes the umask's permissions, as a plain create would; an
    // existing one keeps its own.
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = prefix + std::to_string(::getpid()) + "-" + std::to_string(nextSuffix()) + ".tmp";
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;

    struct stat existing {};
    bool ok = true;
    if (stat(target.c_str(), &existing) == 0)
        ok = fchmod(fd, existing.st_mode & 07777) == 0;
    ok = ok && produce([fd](std::string_view piece) { return writeAll(fd, piece); }) && fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && std::rename(temporary.c_str(), target.c_str()) == 0)
        return true;
    ::unlink(temporary.c_str());
    return false;
}

std::optional<std::string> readWholeFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string contents;
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0)
            break;
        contents.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return contents;
}

} // namespace quorva
