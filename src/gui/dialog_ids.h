#pragma once

// The control ids of the small dialogs: each widget carries its id as its
// objectName, which is how translateWidget and the tests find it.
namespace quorva::gui {

inline constexpr int kOkButton = 1;
inline constexpr int kCancelButton = 2;

namespace board {
inline constexpr int kDialog = 130;
inline constexpr int kFirstPortButton = 1001; // COM1; COM2..COM12 follow
inline constexpr int kCustomPortButton = 1013;
inline constexpr int kComEdit = 1014;
inline constexpr int kFirstBaudButton = 1015; // by baud code: 19200, 115200, 921600
inline constexpr int kDeviceLabel = 1018;
inline constexpr int kDeviceChooser = 1019;
inline constexpr int kDeviceNote = 1020;
inline constexpr int kSearchButton = 1021;
inline constexpr int kLowSpeedLabel = 1055;
inline constexpr int kStandardSpeedLabel = 1054;
inline constexpr int kUsbSpeedLabel = 1060;
inline constexpr int kPortGroup = 1113;
inline constexpr int kBaudGroup = 1114;
} // namespace board

namespace delays {
inline constexpr int kWarning = 1000;
inline constexpr int kFirstEdit = 1001; // pre-read, page read, page write, post-send
inline constexpr int kFirstLabel = 1011;
inline constexpr int kFirstUnit = 1021;
} // namespace delays

namespace language {
inline constexpr int kDialog = 148;
inline constexpr int kGroup = 1104;
inline constexpr int kEnglish = 1125;
inline constexpr int kRussian = 1126;
} // namespace language

namespace selfprogram {
inline constexpr int kDialog = 150;
inline constexpr int kGroup = 1153;
inline constexpr int kCurrentLabel = 1154;
inline constexpr int kCurrentVersion = 1155;
inline constexpr int kNewLabel = 1156;
inline constexpr int kNewVersion = 1157;
inline constexpr int kNormalSpeed = 1158;
inline constexpr int kReducedSpeed = 1159;
} // namespace selfprogram

namespace about {
inline constexpr int kDialog = 132;
inline constexpr int kLogo = 2010;
inline constexpr int kProduct = 1104;
inline constexpr int kVersion = 1107;
inline constexpr int kPlatform = 1105;
inline constexpr int kNotice = 1127;
inline constexpr int kWebLink = 1112;
inline constexpr int kMailLink = 1077;
inline constexpr int kSpareLink = 1070;
inline constexpr int kFirstContact = 1109;
inline constexpr int kSecondContact = 1110;
} // namespace about

} // namespace quorva::gui
