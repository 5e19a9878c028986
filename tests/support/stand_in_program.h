#pragma once

#include "temp_folder.h"

#include <string>

namespace quorva::test {

// Puts a shell script of the given name first on PATH for the life of the
// object (an empty script: the PATH holds no such program at all).
class StandInProgram {
public:
    StandInProgram(const std::string& name, const std::string& script);
    ~StandInProgram();
    StandInProgram(const StandInProgram&) = delete;
    StandInProgram& operator=(const StandInProgram&) = delete;

private:
    TempFolder folder_;
    std::string oldPath_;
};

} // namespace quorva::test
