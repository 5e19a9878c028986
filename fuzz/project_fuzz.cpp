// Project load on any file, with its buffer files. The input is the project
// text, then after the first NUL the bytes of "image.hex" (also reachable as
// "image.eep" and "image.bin") in the same folder.
#include "fuzz_support.h"

#include "base/messages.h"
#include "catalogue/device_lookup.h"
#include "data/memory_buffer.h"
#include "data/project.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <sstream>
#include <unistd.h>

namespace {

using namespace quorva;
using namespace quorva::fuzz;

// Every setting a project file carries, as one comparable text.
std::string settingsOf(const Project& p)
{
    std::ostringstream out;
    out << p.flashInvert << p.polling << p.checkSign << p.noSynchronization << p.autoErase << p.autoEmptyCheck
        << p.autoFlashReload << p.autoFlashProgram << p.autoFlashVerify << p.autoEepromReload << p.autoEepromProgram
        << p.autoEepromVerify << p.autoIncrementFlash << p.autoIncrement << p.programFuse << p.programFuseBeforeAll
        << p.delayByte << p.delayPage << p.delayByte2 << p.delayPage2 << ' ' << p.resetStrobeLength << ' '
        << p.spiPeriod << ' ' << p.autoIncAddressFlash << ' ' << p.autoIncAddress << ' ' << p.deviceIndex << ' '
        << p.delayByteValue << ' ' << p.delayPageValue << ' ' << p.delayByteValue2 << ' ' << p.delayPageValue2 << ' '
        << p.lockFuse.valid << ' ' << p.lockFuse.lockMode << ' ';
    for (bool bit : p.lockFuse.fuse)
        out << bit;
    out << ' ';
    for (bool bit : p.lockFuse.bootLock)
        out << bit;
    return out.str();
}

int scratchFd = -1;
int startFd = -1;

// Buffer file names in a project are relative to the working folder; the
// loads run in the scratch folder and nothing else does, so libFuzzer's own
// corpus and artifact paths keep their meaning.
class InScratchFolder {
public:
    InScratchFolder() { FUZZ_CHECK(fchdir(scratchFd) == 0); }
    ~InScratchFolder() { FUZZ_CHECK(fchdir(startFd) == 0); }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    startFd = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    scratchFd = open(scratchFolder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    FUZZ_CHECK(startFd >= 0 && scratchFd >= 0);
    for (const char* alias : {"image.eep", "image.bin"})
        FUZZ_CHECK(symlink("image.hex", scratchPath(alias).c_str()) == 0);

    // A crash inside a load would leave its input in the scratch folder,
    // which goes away; keep it where the run started unless told otherwise.
    const bool placed = std::any_of(*argv, *argv + *argc, [](const char* arg) {
        return std::strncmp(arg, "-artifact_prefix=", 17) == 0 || std::strncmp(arg, "-exact_artifact_path=", 21) == 0;
    });
    if (!placed) {
        static std::vector<char*> extended(*argv, *argv + *argc);
        static std::string prefix = "-artifact_prefix=" + std::filesystem::current_path().string() + "/";
        extended.insert(extended.begin() + 1, prefix.data());
        extended.push_back(nullptr);
        *argv = extended.data();
        ++*argc;
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::uint8_t* nul = std::find(data, data + size, 0);
    const std::string_view projectText(reinterpret_cast<const char*>(data), static_cast<std::size_t>(nul - data));
    const std::string_view imageBytes =
        nul == data + size ? std::string_view() : std::string_view(reinterpret_cast<const char*>(nul + 1),
                                                                   static_cast<std::size_t>(data + size - nul - 1));
    const std::string projectPath = scratchPath("project.kx2");
    const std::string copyPath = scratchPath("copy.kx2");
    FUZZ_CHECK(writeFile(projectPath, projectText));
    FUZZ_CHECK(writeFile(scratchPath("image.hex"), imageBytes));
    InScratchFolder here;

    SilentUi ui;
    ui.answer = size % 2 ? Answer::Yes : Answer::No; // the checksum question, both ways
    Project project(ui);
    MemoryBuffer flash;
    MemoryBuffer eeprom;
    flash.init(ui, false, {}, &project);
    eeprom.init(ui, true, {}, &project);
    project.bindBuffers(flash, eeprom);
    const std::string fresh = settingsOf(project);

    if (!project.load(projectPath)) {
        // Refused whole: one box, nothing changed.
        FUZZ_CHECK(ui.calls.size() == 1 && ui.count("box: ") == 1);
        FUZZ_CHECK(ui.calls[0].find(formatMessage(1024, projectPath.c_str())) != std::string::npos);
        FUZZ_CHECK(settingsOf(project) == fresh);
        FUZZ_CHECK(project.fileName == kUnspecifiedFile);
        return 0;
    }
    FUZZ_CHECK(project.fileName == projectPath && !project.modified);
    FUZZ_CHECK(deviceAt(project.deviceIndex) != nullptr);
    for (const MemoryBuffer* buffer : {&flash, &eeprom}) {
        FUZZ_CHECK(buffer->byteState().size() == buffer->data().size());
        FUZZ_CHECK(buffer->data().size() <= static_cast<std::size_t>(kImageLimit));
        FUZZ_CHECK(!buffer->modified());
    }
    FUZZ_CHECK(flash.data().size() % 2 == 0); // Flash is programmed in words

    // Saved over a copy of the file (its foreign lines stay) and loaded
    // again, the settings come back as they were. The buffers are emptied
    // first: saving them would write the files the project names.
    flash.clear();
    eeprom.clear();
    FUZZ_CHECK(writeFile(copyPath, projectText));
    FUZZ_CHECK(project.write(copyPath));
    Project again(ui);
    FUZZ_CHECK(again.load(copyPath));
    FUZZ_CHECK(settingsOf(again) == settingsOf(project));
    return 0;
}
