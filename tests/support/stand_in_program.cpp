#include "stand_in_program.h"

#include <cstdlib>
#include <filesystem>

namespace quorva::test {

StandInProgram::StandInProgram(const std::string& name, const std::string& script)
{
    const char* path = std::getenv("PATH");
    oldPath_ = path ? path : "";
    if (script.empty()) {
        setenv("PATH", folder_.path().c_str(), 1);
        return;
    }
    const std::string program = folder_.file(name);
    writeFile(program, "#!/bin/sh\n" + script + "\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    setenv("PATH", (folder_.path() + ":" + oldPath_).c_str(), 1);
}

StandInProgram::~StandInProgram()
{
    setenv("PATH", oldPath_.c_str(), 1);
}

} // namespace quorva::test
