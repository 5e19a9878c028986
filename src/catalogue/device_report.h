#pragma once

#include <string>

namespace quorva {

// One line per entry: index, name, family caption, signature, Flash and
// Eeprom sizes and page size in bytes, under a header line.
std::string deviceListText();

// A JSON array with one object per entry: "index" and every DeviceInfo
// field under its own name; signatures as arrays of three integers.
std::string deviceListJson();

// Everything a user needs before touching fuses: the entry's fields, its
// fuse bits (name, fuse byte, bit, warning), boot-lock bits, lock-mode
// captions and instruction templates. "" for an index outside the table.
std::string deviceDetailsText(int index);

} // namespace quorva
