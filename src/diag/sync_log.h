// The conduit's own log files and the three log functions the rest of the conduit writes through.
//
// During a synchronization one SyncLog is active: it holds the debug log (rewritten each
// synchronization, receives every line) and the sync log (appended, receives the LogSync lines).
// Every line also goes to the debugger output; LogSync lines are echoed into the HotSync log.
// The functions find the active log through module-wide state, so they need no object at hand;
// with no active log they write nothing. One thread at a time.
#ifndef REELBOX_DIAG_SYNC_LOG_H
#define REELBOX_DIAG_SYNC_LOG_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "diag/hotsync_log_codes.h"

class Env;

// Receives the sync-log lines as HotSync log entries (the SyncDriver).
class HotSyncLogTarget {
 public:
  virtual ~HotSyncLogTarget() = default;
  virtual void AddHotSyncLogEntry(const char* text, LogCode code, uint8_t flag) = 0;
};

// Log level bits (ConduitPrefs): 4 the standard log, 8 the full activity audit.
constexpr uint32_t kLogLevelStandard = 4;
constexpr uint32_t kLogLevelAudit = 8;

class SyncLog {
 public:
  // Opens the two files of env unless another SyncLog is active; then this one only counts
  // itself. A file that cannot be opened is not reported; its writes are dropped. Every line goes
  // to the debugger output of the active log's env.
  SyncLog(Env& env, HotSyncLogTarget* echo, const std::string& debug_folder, const char* debug_name,
          const std::string& sync_folder, const char* sync_name);
  // A log to env's debugger output only, for work outside a synchronization.
  explicit SyncLog(Env& env);
  SyncLog(const SyncLog&) = delete;
  SyncLog& operator=(const SyncLog&) = delete;
  virtual ~SyncLog();

  // True for the instance that opened the files (the first one alive).
  bool OwnsFiles() const { return owns_files_; }

 private:
  bool owns_files_ = false;
};

// Writes the debug-log lines gathered so far to the file (not synced to the disk). The debug log
// is otherwise written every few hundred lines, at every LogSync line and when the log closes.
void FlushLogFiles();

// The level LogAudit tests (bit 3: full activity audit).
void SetLogLevel(uint32_t level);
uint32_t GetLogLevel();
// Whether LogAudit lines are written: callers skip building texts only those lines show.
inline bool AuditOn() { return (GetLogLevel() & kLogLevelAudit) != 0; }

void LogDebug(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogAudit(const char* format, ...) __attribute__((format(printf, 1, 2)));
void LogSync(const char* format, ...) __attribute__((format(printf, 1, 2)));

// LogAudit("%s", text) for a text of length bytes whose first line feed is at first_feed (length
// when it has none): the text is neither read for conversions nor searched again.
// REQUIRES: text[length] is its first NUL.
void LogAuditText(const char* text, size_t length, size_t first_feed);
// The same for a text that holds no conversion; a literal is measured where it is written.
__attribute__((always_inline)) inline void LogAuditText(const char* text) {
  if (!AuditOn()) return;
  const size_t length = std::strlen(text);
  const void* feed = std::memchr(text, '\n', length);
  LogAuditText(text, length, feed != nullptr ? static_cast<size_t>(static_cast<const char*>(feed) - text) : length);
}

#endif  // REELBOX_DIAG_SYNC_LOG_H
