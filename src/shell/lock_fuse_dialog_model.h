#pragma once

#include "lock_fuse_chip.h"

#include "base/ui.h"
#include "catalogue/fuse_layout.h"
#include "catalogue/lock_fuse_state.h"

#include <array>
#include <string>

namespace quorva {

// One check box or radio of the dialog as the person sees it.
struct BitControl {
    std::string caption;
    bool enabled = true;
    bool checked = false;
};

inline constexpr int kLockModes = 4;
inline constexpr int kFuseBoxes = 24;

// What the Lock/Fuse Bits dialog shows.
struct LockFuseControls {
    std::string title;
    std::array<BitControl, kLockModes> lockModes;
    std::array<BitControl, kFuseBoxes> fuses; // three columns of eight: one per fuse byte
    std::array<BitControl, kBootLockBits> bootLocks;
    bool readEnabled = false;
    bool verifyEnabled = false;
    bool chipEraseEnabled = false;
    bool saveEnabled = false;
};

// The Lock/Fuse Bits dialog without its widgets. In direct mode it is
// opened on a setting read from the chip and nothing is handed back; in
// auto-program mode it edits the project's setting and hands it back on
// "Close and save settings". In both its Program, Read and Verify buttons
// work on the chip (Chip Erase only in direct mode); without a chip they do
// nothing. A toolkit view mirrors controls() and passes the clicks back.
// The constructor warns about a lock mode no radio can show.
class LockFuseDialogModel {
public:
    enum class Mode { Direct, AutoProgram };

    LockFuseDialogModel(Ui& ui, int deviceIndex, const LockFuseState& initial, Mode mode, LockFuseChip* chip);

    const LockFuseControls& controls() const { return controls_; }
    bool autoProgramMode() const { return mode_ == Mode::AutoProgram; }

    // The person's clicks on the bit controls.
    void chooseLockMode(int mode);
    void setFuse(int bit, bool checked);
    void setBootLock(int bit, bool checked);

    // The buttons.
    void program();
    void read();
    void verify();
    void chipErase();
    // True when the dialog closes with the setting saved (edited()).
    bool closeAndSave();

    // The setting collected from the controls by the last button.
    const LockFuseState& edited() const { return edited_; }

private:
    void fill();
    void collect();
    bool collectValidated();

    Ui& ui_;
    const DeviceInfo* device_;
    const FuseLayout& layout_;
    Mode mode_;
    LockFuseChip* chip_;
    LockFuseState shown_;
    LockFuseState edited_;
    LockFuseControls controls_;
};

} // namespace quorva
