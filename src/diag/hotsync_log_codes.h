// The conduit's HotSync log entry codes: the code the HotSync log receives and the kind text the
// conduit's own files show.
#ifndef REELBOX_DIAG_HOTSYNC_LOG_CODES_H
#define REELBOX_DIAG_HOTSYNC_LOG_CODES_H

#include <cstdint>

// Entry codes used by name in the conduit.
enum : int32_t {
  kLogPlainText = -1,
  kLogFromSyncLog = -10,  // a LogSync line: plain text, not mirrored back into the files
  kLogRemoteReadFailed = 8,
  kLogRemoteAddFailed = 9,
  kLogRemoteChangeFailed = 11,
  kLogLocalAddFailed = 13,
  kLogXMapFailed = 15,
  kLogLocalSaveFailed = 17,
  kLogSyncStarted = 19,
  kLogSyncFinished = 20,
  kLogSyncAborted = 21,
  kLogWarning = 22
};

// The code handed to the HotSync log for a conduit code.
int32_t TranslateLogCode(int32_t code);
// The kind text of a conduit code; "" for codes outside the table.
const char* LogKindText(int32_t code);

#endif  // REELBOX_DIAG_HOTSYNC_LOG_CODES_H
