#pragma once

#include "base/ui.h"

#include <string>

namespace quorva {

class MemoryBuffer;

// The status line after a buffer was loaded or saved: message 1041 for the
// Flash buffer, 1074 for the Eeprom buffer.
std::string checksumLine(const MemoryBuffer& buffer);

// The everyday file jobs of quorva-cli, done exactly as the program loads and
// saves a buffer. Problems are shown through the Ui; ok is false then.
struct ImageCommandResult {
    bool ok = false;
    std::string statusLine; // the checksum line when ok
};

// Loads path into a Flash (or Eeprom) buffer and reports its checksum line.
ImageCommandResult checksumImageFile(Ui& ui, const std::string& path, bool eeprom);

// Loads input as checksumImageFile does and saves it as output, in the format
// output's extension asks for.
ImageCommandResult convertImageFile(Ui& ui, const std::string& input, const std::string& output, bool eeprom);

// Loads base, merges file into it at the address the Ui's load-address dialog
// gives (with the overlap question), and saves the result as output.
ImageCommandResult mergeImageFiles(Ui& ui, const std::string& base, const std::string& file, const std::string& output,
                                   bool eeprom);

} // namespace quorva
