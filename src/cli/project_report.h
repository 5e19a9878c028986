#pragma once

#include <string>

namespace quorva {

class MemoryBuffer;
class Project;

// Every setting of a loaded project, one "name: value" line each, grouped as
// the project file groups them, with the device's own names for its lock,
// fuse and boot-lock bits.
std::string projectReport(const Project& project, const MemoryBuffer& flash, const MemoryBuffer& eeprom);

} // namespace quorva
