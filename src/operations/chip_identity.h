#pragma once

#include "catalogue/device_info.h"
#include "link/box_link.h"

#include <array>

namespace quorva {

// The AVR signature read: 30 00 i for i = 0, 1, 2, stored as they arrive.
// Stops at the first byte that does not come; the rest stay 255.
bool readAvrSignature(BoxLink& link, std::array<int, 3>& signature);

// The identification bytes as the chip's group answers them.
struct SignatureRead {
    bool ok = false;
    std::array<int, 3> bytes{255, 255, 255};
    // The DataFlash status byte read before the identification; -1 otherwise.
    int dataFlashStatus = -1;
};

// Reads the signature with the sequence of the device's group: AT89S
// instructions, the AT45 and AT26 identification reads, or the AVR read.
// An AT45 or AT26 read fails when an identification byte does not come.
// The AT26 read goes on past a missing reply unless stopAtMissingReply, when
// it fails there, as the AVR and AT89S reads always do.
SignatureRead readChipSignature(BoxLink& link, const DeviceInfo& device, bool stopAtMissingReply = false);

// AT26 parts power up with every sector protected: write enable, then
// status register 0 unprotects them all. False when a reply is missing.
bool unprotectSerialFlash(BoxLink& link);

// Sends the chip-erase instructions of the device and waits until the chip
// has done them: the AT26 unprotect and erase, the ATtiny26's three steps, or
// AC 80 04 00. False when a checked reply is missing or wrong, or when an
// AT26 is still busy two minutes after the erase began.
bool eraseChip(BoxLink& link, const DeviceInfo& device);

} // namespace quorva
