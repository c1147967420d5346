// Results of the manager's query and configuration calls, and the action the conduit asks of it.
// The numbers reach the manager as they stand.
#ifndef REELBOX_CONDUIT_ENTRY_CODES_H
#define REELBOX_CONDUIT_ENTRY_CODES_H

#include <cstdint>

enum class EntryCode : int32_t {
  kOk = 0,
  kCancelled = -1,            // the settings dialog was cancelled
  kUnknownQuery = 4208,
  kNoOutput = 4209,
  kWrongOutputSize = 4211,    // a 4-byte answer asked for with another size
  kNoInput = 4212,            // also: no configuration record
  kBadInputRecord = 4213,
  kNoOutputSize = 4215,
  kNoRecordSize = 4216,
  kBadConfigureKind = 4217,
  kBadRecordSize = 4218,
  kBadRecordVersion = 4219,
};

// What the manager does with the conduit at the next synchronization.
enum class SyncAction : int32_t { kSynchronize = 0, kDoNothing = 6 };

constexpr int32_t ToInt(EntryCode code) { return static_cast<int32_t>(code); }
constexpr int32_t ToInt(SyncAction action) { return static_cast<int32_t>(action); }

#endif  // REELBOX_CONDUIT_ENTRY_CODES_H
