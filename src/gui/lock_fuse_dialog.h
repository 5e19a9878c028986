#pragma once

#include "catalogue/lock_fuse_state.h"

class QWidget;

namespace quorva {

class LockFuseChip;
class Ui;

namespace gui {

// Control ids (objectNames) of the Lock/Fuse Bits dialog beyond those its
// text table names.
namespace lock_fuse_id {
inline constexpr int Dialog = 140;
inline constexpr int FirstLockMode = 1010; // four radios
inline constexpr int FirstFuse = 1020;     // 24 buttons, fuse bit = id - FirstFuse
inline constexpr int FirstBootLock = 1050; // four boxes
inline constexpr int Program = 1132;
inline constexpr int Read = 3;
inline constexpr int Verify = 4;
inline constexpr int ChipErase = 5;
inline constexpr int CloseWithoutSaving = 2;
inline constexpr int CloseAndSave = 1160;
} // namespace lock_fuse_id

// The Lock/Fuse Bits dialog, modal, on the GUI thread; its chip buttons
// work on chip (none: they do nothing). In direct mode nothing is handed
// back; in auto-program mode the setting the person saves is stored into
// setting (true).
bool execLockFuseDialog(QWidget* parent, Ui& ui, LockFuseState& setting, int deviceIndex, bool directMode,
                        LockFuseChip* chip);

} // namespace gui
} // namespace quorva
