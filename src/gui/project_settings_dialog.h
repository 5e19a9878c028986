#pragma once

class QWidget;

namespace quorva {

class LockFuseChip;
class Project;
class Ui;

namespace gui {

// Control ids (objectNames) of the Project Settings dialog beyond those its
// text table names.
namespace project_settings_id {
inline constexpr int Dialog = 138;
inline constexpr int Ok = 1;
inline constexpr int Cancel = 2;
inline constexpr int Configure = 3;
inline constexpr int AutoProgram = 1144;
inline constexpr int DeviceList = 1200;
inline constexpr int SckList = 1201;
inline constexpr int StrobeSlider = 1202;
inline constexpr int StrobeLabel = 1203;
inline constexpr int IncrementFlash = 1204;
inline constexpr int FlashAddress = 1205;
inline constexpr int IncrementEeprom = 1206;
inline constexpr int EepromAddress = 1207;
inline constexpr int FlashByteDelay = 1140; // check boxes; the fields follow
inline constexpr int FlashPageDelay = 1141;
inline constexpr int EepromByteDelay = 1147;
inline constexpr int EepromPageDelay = 1149;
inline constexpr int FlashByteField = 1208;
inline constexpr int FlashPageField = 1209;
inline constexpr int EepromByteField = 1210;
inline constexpr int EepromPageField = 1211;
inline constexpr int SerialSequenceLabel = 1212;
inline constexpr int SerialSequence = 1213;
} // namespace project_settings_id

// The Project Settings dialog, modal, on the GUI thread. It snaps the
// project's reset strobe length at once; on OK it writes the project and
// gives the chosen device (true). "Configure..." opens the Lock/Fuse Bits
// dialog in its auto-program mode, whose chip buttons work on chip.
bool execProjectSettingsDialog(QWidget* parent, Ui& ui, Project& project, int& deviceIndex, LockFuseChip* chip);

} // namespace gui
} // namespace quorva
