#pragma once

#include "chip.h"

#include <string>

namespace quorva::sim {

// A chip's state as a folder: chip.json names the part and holds its small
// values ({"chip": "ATmega8", "values": {"fuses": [225, 217, 255], ...}}),
// and each memory is a NAME.bin file beside it ("flash.bin", "eeprom.bin").
bool saveState(const std::string& folder, const std::string& chipName, const ChipState& state, std::string* error);
// Reads what saveState wrote; chipName gets the part named in chip.json.
bool loadState(const std::string& folder, std::string& chipName, ChipState& state, std::string* error);

} // namespace quorva::sim
