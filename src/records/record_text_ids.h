#pragma once

namespace quorva {

// The texts that show records and sequences, in the message catalogue.
inline constexpr int kMsgRecordsOff = 2340;
inline constexpr int kMsgBadTime = 2341;        // the text typed
inline constexpr int kMsgNoRecordsYet = 2342;   // location
inline constexpr int kMsgSequenceNext = 2343;   // name, next
inline constexpr int kMsgSequenceChange = 2344; // at, from, to, station, user
inline constexpr int kMsgSequenceForced = 2345;
inline constexpr int kMsgNoSuchSequence = 2346; // name
// Column names.
inline constexpr int kMsgColumnStarted = 2347;
inline constexpr int kMsgColumnStation = 2348;
inline constexpr int kMsgColumnBox = 2349;
inline constexpr int kMsgColumnDevice = 2350;
inline constexpr int kMsgColumnSerial = 2351;
inline constexpr int kMsgColumnOutcome = 2352;
inline constexpr int kMsgColumnFailingStep = 2353;
inline constexpr int kMsgColumnGood = 2354;
inline constexpr int kMsgColumnFailed = 2355;
inline constexpr int kMsgColumnCancelled = 2356;
inline constexpr int kMsgColumnUnfinished = 2357;
inline constexpr int kMsgColumnYield = 2358;
inline constexpr int kMsgColumnDay = 2359;

} // namespace quorva
