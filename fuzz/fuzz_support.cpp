#include "fuzz_support.h"

#include "base/operation.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace quorva::fuzz {

void checkFailed(const char* condition, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, condition);
    std::abort();
}

void SilentUi::setStatus(const std::string& text)
{
    note("status: ", text);
}

void SilentUi::showMessage(BoxIcon, const std::string& caption, const std::string& text)
{
    note("box: ", caption, " | ", text);
}

Answer SilentUi::ask(Buttons buttons, BoxIcon, int, const std::string& caption, const std::string& text)
{
    note("ask: ", caption, " | ", text);
    if (!decide)
        return answer;
    const bool yes = decide();
    if (buttons == Buttons::Ok || buttons == Buttons::OkCancel)
        return yes ? Answer::Ok : Answer::Cancel;
    return yes ? Answer::Yes : Answer::No;
}

std::optional<std::string> SilentUi::chooseOpenFile(const FileChooser& chooser)
{
    note("open: ", chooser.title);
    return std::nullopt;
}

std::optional<std::string> SilentUi::chooseSaveFile(const FileChooser& chooser)
{
    note("save: ", chooser.title);
    return std::nullopt;
}

void SilentUi::setWaitCursor(bool) {}

void SilentUi::beep()
{
    note("beep");
}

bool SilentUi::openDocument(const std::string& pathOrUrl)
{
    note("document: ", pathOrUrl);
    return false;
}

int SilentUi::runOperation(Operation& op)
{
    note("operation");
    if (run)
        return run(op);
    op.execute();
    return op.result();
}

bool SilentUi::boardSettingsDialog(int&, int&)
{
    note("dialog: board settings");
    return decide && decide();
}

bool SilentUi::advancedDelaysDialog(std::array<int, 4>&)
{
    note("dialog: advanced delays");
    return decide && decide();
}

bool SilentUi::languageDialog(bool&)
{
    note("dialog: language");
    return decide && decide();
}

bool SilentUi::loadAddressDialog(int&)
{
    note("dialog: load address");
    return decide && decide();
}

bool SilentUi::selfProgramSettingsDialog(const std::string&, const std::string&, bool& normalSpeed)
{
    note("dialog: self-program settings");
    if (!decide || !decide())
        return false;
    normalSpeed = decide();
    return true;
}

std::size_t SilentUi::count(std::string_view prefix) const
{
    std::size_t n = 0;
    for (const std::string& call : calls)
        n += call.starts_with(prefix) ? 1 : 0;
    return n;
}

namespace {

std::string makeScratchFolder()
{
    std::string base = "/tmp";
    struct stat info {};
    if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp)
        base = tmp;
    if (stat("/dev/shm", &info) == 0 && S_ISDIR(info.st_mode) && access("/dev/shm", W_OK | X_OK) == 0)
        base = "/dev/shm";
    std::string pattern = base + "/quorva-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    return pattern;
}

// Never destroyed, so the removal at exit can still read it.
const std::string* folder = nullptr;

void removeScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(*folder, ignored);
}

} // namespace

const std::string& scratchFolder()
{
    if (!folder) {
        folder = new std::string(makeScratchFolder());
        std::atexit(removeScratchFolder);
    }
    return *folder;
}

std::string scratchPath(std::string_view name)
{
    return scratchFolder() + "/" + std::string(name);
}

bool writeFile(const std::string& path, std::string_view contents)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    return static_cast<bool>(out);
}

std::vector<std::string> splitAtNul(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> parts(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0)
            parts.emplace_back();
        else
            parts.back().push_back(static_cast<char>(data[i]));
    }
    return parts;
}

std::vector<const char*> argvOf(const std::vector<std::string>& arguments)
{
    std::vector<const char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments)
        argv.push_back(argument.c_str());
    argv.push_back(nullptr);
    return argv;
}

} // namespace quorva::fuzz
