#pragma once

#include <array>
#include <functional>
#include <string>

namespace quorva {

class MemoryBuffer;

// The results the chip commands share with each other and with the
// auto-program sequence, and the hook through which a command that has
// identified the chip switches the selected device.
struct OperationsContext {
    // Outcome of the most recent command; 0 means it did what was asked.
    int lastResult = -1;
    // The bytes of the most recent signature read, first byte first.
    std::array<int, 3> lastSignature{255, 255, 255};
    bool flashVerifyOk = false;
    bool eepromVerifyOk = false;
    // Address of the first differing byte of the last verify; -1 while none.
    int firstMismatch = -1;
    // Set by a command the person cancelled (its lastResult is -1 then);
    // whoever reads it clears it first.
    bool cancelled = false;
    // Set for runs nobody watches (auto-program, the command line): they
    // refuse what a person at the window would be asked about.
    bool unattended = false;
    // The status line as it stands; the front end keeps it up to date.
    std::string statusLine;
    // Called with the device index when a signature names another device
    // than the selected one; the main window shows it and adopts it. Empty
    // while an auto-program runs: production never changes the device.
    std::function<void(int deviceIndex)> deviceIdentified;
    // Called after the chip was erased: what the buffers show as programmed
    // or verified is on the chip no longer.
    std::function<void()> chipErased;
    // Where reads of the chip go before they complete, kept by the owner so
    // that reading a big chip again reuses its megabytes instead of mapping
    // them afresh; null: each read makes a buffer of its own.
    MemoryBuffer* readBuffer = nullptr;
};

// Where the box is and how the operations may use the line: the board
// settings the main window holds.
struct LinkSettings {
    int comPort = 0;   // 1-based; 0 = none chosen
    int highSpeed = 0; // baud code 0, 1, 2
    // Pre-read, page read, page write and post-send delays in ms.
    std::array<int, 4> advancedDelays{};
    // The table's fixed waits after each write, not the chip's ready signal.
    bool fixedWaits = false;
};

} // namespace quorva
