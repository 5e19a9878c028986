#pragma once

#include "base/ui.h"
#include "image_limits.h"

#include <optional>
#include <string>
#include <string_view>

namespace quorva {

// The load-address dialog without its widgets, kept free of any toolkit so
// every front end reads addresses alike.

// Longest text the address box takes in hexadecimal; in decimal the
// highest address needs more.
inline constexpr int kAddressTextMaxLength = 6;
inline constexpr int kDecimalAddressTextMaxLength = 8;
// Highest address a file may be merged at: a merge never grows the buffer
// beyond what a file can hold.
inline constexpr int kHighestLoadAddress = static_cast<int>(kImageLimit - 1);

// The proposal as the box first shows it: at least four upper-case hex digits.
std::string proposedAddressText(int address);

// The address the whole text names in the base (blanks around it aside; in
// hexadecimal a leading "0x" is allowed); none when the text is not such a
// number or lies beyond kHighestLoadAddress.
std::optional<int> readAddressText(std::string_view text, bool hexadecimal);

// "Enter a ... address from 0 to ...", in the base the text is read in.
std::string addressRangeText(bool hexadecimal);

class LoadAddressModel {
public:
    // The box shows the proposal in hexadecimal.
    explicit LoadAddressModel(int proposal);

    // The edit box's text.
    std::string text;
    bool hexadecimal() const { return hexadecimal_; }
    int textMaxLength() const { return hexadecimal_ ? kAddressTextMaxLength : kDecimalAddressTextMaxLength; }
    // The person switched the base: a number in the box is shown in the new
    // one, so OK still means the same address.
    void setHexadecimal(bool on);
    // OK: the address, or none after telling the person the allowed range
    // (the dialog then stays open on the field).
    std::optional<int> accept(Ui& ui) const;

private:
    bool hexadecimal_ = true;
};

} // namespace quorva
