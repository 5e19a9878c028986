#pragma once

namespace quorva {

// The record stores' texts in the message catalogue.
inline constexpr int kMsgCannotOpen = 2300;        // location, reason
inline constexpr int kMsgCannotWrite = 2301;       // location, reason
inline constexpr int kMsgNotADatabase = 2302;      // reason
inline constexpr int kMsgForeignDatabase = 2303;   // reason
inline constexpr int kMsgReadOnly = 2304;          // reason
inline constexpr int kMsgNewerSchema = 2305;       // reason: found version, known version
inline constexpr int kMsgSequenceBackwards = 2306; // name, next, wanted
inline constexpr int kMsgNoSuchRecord = 2307;      // location, id
inline constexpr int kMsgBadConnectionText = 2308; // reason
inline constexpr int kMsgCannotMakeFolder = 2309;  // reason: folder

} // namespace quorva
