#pragma once

#include <string>
#include <string_view>

namespace quorva {

// The load-address dialog's own reading and writing of its edit box, kept
// free of any toolkit so every front end reads addresses alike.

// Longest text the address box takes.
inline constexpr int kAddressTextMaxLength = 6;

// The proposal as the box first shows it: at least four upper-case hex digits.
std::string proposedAddressText(int address);

// The address in the box's text, read as decimal or as hexadecimal (a leading
// "0x" allowed); leading blanks and a sign are accepted, and text that does
// not begin with a number gives 0. Values beyond the int range saturate.
int parseAddressText(std::string_view text, bool hexadecimal);

} // namespace quorva
