// The conduit's HotSync log entry codes: the code the HotSync log receives and the kind text the
// conduit's own files show.
#ifndef REELBOX_DIAG_HOTSYNC_LOG_CODES_H
#define REELBOX_DIAG_HOTSYNC_LOG_CODES_H

#include <cstdint>

// The kind of a HotSync log entry. 0 to 23 are the HotSync log's own kinds; the two negative
// codes are plain text (kFromSyncLog: a LogSync line, not mirrored back into the conduit's files).
enum class LogCode : int32_t {
  kFromSyncLog = -10,
  kPlainText = -1,
  kDoubleModify = 0,
  kDoubleModifyArchive = 1,
  kReverseDelete = 2,
  kTooManyCategories = 3,
  kCategoryDeleted = 4,
  kDateChanged = 5,
  kCustomLabelFailure = 6,
  kCategoryChangeFailed = 7,
  kRemoteReadFailed = 8,
  kRemoteAddFailed = 9,
  kRemotePurgeFailed = 10,
  kRemoteChangeFailed = 11,
  kRemoteDeleteFailed = 12,
  kLocalAddFailed = 13,
  kRecordCountMismatch = 14,
  kXMapFailed = 15,
  kArchiveFailed = 16,
  kLocalSaveFailed = 17,
  kResetFlagsFailed = 18,
  kSyncStarted = 19,
  kSyncFinished = 20,
  kSyncAborted = 21,
  kWarning = 22,
  kDoubleModifySubscription = 23
};

// The code handed to the HotSync log (LogAddEntry) for a conduit code.
int32_t TranslateLogCode(LogCode code);
// The kind text of a code; "" for the plain-text codes.
const char* LogKindText(LogCode code);

#endif  // REELBOX_DIAG_HOTSYNC_LOG_CODES_H
