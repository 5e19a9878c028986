#pragma once

namespace quorva {

// Command ids of the main window's menu items and buttons, and the ids of its
// controls; a button sends the same id as its menu item.
namespace cmd {
inline constexpr int About = 16;
inline constexpr int ChipErase = 1008;
inline constexpr int ProgramFlash = 1009;
inline constexpr int VerifyFlash = 1010;
inline constexpr int ProgramEeprom = 1011; // the AT45 "power of 2" command on an AT45
inline constexpr int VerifyEeprom = 1012;
inline constexpr int ReadFlash = 1013;
inline constexpr int ReadEeprom = 1014;
inline constexpr int AutoProgram = 1015;
inline constexpr int LockFuseBits = 1016;
inline constexpr int Exit = 1056;
inline constexpr int ReadSignatureButton = 1103;
inline constexpr int FlashLoad = 1006;
inline constexpr int EepromLoad = 1007;
inline constexpr int FlashClose = 32771;
inline constexpr int EepromSave = 32772;
inline constexpr int EepromClose = 32773;
inline constexpr int FlashSaveAs = 32774;
inline constexpr int EepromSaveAs = 32775;
inline constexpr int FlashSave = 32776;
inline constexpr int ReadSignature = 32777;
inline constexpr int BlankCheck = 32779;
inline constexpr int ProjectOpen = 32780;
inline constexpr int ProjectSave = 32781;
inline constexpr int ProjectSaveAs = 32782;
inline constexpr int ProjectReload = 32783;
inline constexpr int ProjectNew = 32784;
inline constexpr int BoardSettings = 32785;
inline constexpr int SearchProgrammer = 32788;
inline constexpr int Help = 32789;
inline constexpr int FlashReload = 32790;
inline constexpr int EepromReload = 32791;
inline constexpr int ProjectClose = 32792;
inline constexpr int ProjectSettings = 32795;
inline constexpr int RecentPlaceholder = 32800;
inline constexpr int FirstRecent = 32801; // .. 32808
inline constexpr int ProgrammerInfo = 32901;
inline constexpr int ReadCalibration = 32904;
inline constexpr int SelectLanguage = 32907;
inline constexpr int FlashLoadAt = 32908;
inline constexpr int EepromLoadAt = 32909;
inline constexpr int UpdateFirmware = 32910;
inline constexpr int ProductionRecords = 32920;
inline constexpr int Production = 32921;
} // namespace cmd

namespace control {
inline constexpr int EepromFrame = 1001;
inline constexpr int FlashFrame = 1002;
inline constexpr int FlashLabel = 1003;
inline constexpr int EepromLabel = 1004;
inline constexpr int FamilyList = 1005;
inline constexpr int DeviceList = 1016;
inline constexpr int StatusLine = 1057;
inline constexpr int FlashInvert = 1059;
inline constexpr int EepromIncrement = 1060;
inline constexpr int SckList = 1148;
} // namespace control

// The main window's dialog id for its translated texts.
inline constexpr int kMainWindowDialog = 102;

} // namespace quorva
