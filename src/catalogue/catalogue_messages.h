#pragma once

// Catalogue numbers of the texts the device catalogue hands to its callers.
namespace quorva::catalogue_msg {

inline constexpr int kFuseWarningHead = 1001;
inline constexpr int kShouldBeUnprogrammed = 1002;
inline constexpr int kShouldBeProgrammed = 1003;
inline constexpr int kContinueQuestion = 1004;
inline constexpr int kWarningCaption = 1005;
inline constexpr int kAvrLockNone = 1006;        // 1006..1009 by lock mode
inline constexpr int kAt89sLockNone = 1010;      // 1010..1013 by lock mode
inline constexpr int kUnknownAtmelDevice = 1079;
inline constexpr int kDeviceIsLocked = 1080;
inline constexpr int kUnknownDevice = 1081;
inline constexpr int kUnrecognizedLockBits = 1158;
inline constexpr int kExternalClockOnly = 1165;
inline constexpr int kChipFound = 2202;

} // namespace quorva::catalogue_msg
