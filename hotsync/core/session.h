// The state of one session of the stand-in manager (see hotsync_session.h): the user, the
// handheld with its lock, the databases the conduit has open, the HotSync log, pending faults and
// the clock offset. One session per process at a time, used from one thread.
#ifndef HOTSYNC_CORE_SESSION_H
#define HOTSYNC_CORE_SESSION_H

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/faults.h"
#include "core/handheld.h"
#include "core/users.h"
#include "pdb/byte_arena.h"
#include "pdb/palm_database.h"
#include "platform/host.h"

namespace hotsync {

struct OpenDatabase {
  std::string path;
  PalmDatabase db;
  bool modified = false;
  size_t cursor = 0;  // position of the next read in category
  uint32_t nextId = 0;  // 0 until first needed
  // (record id, index) in that order, when positionsValid: one block for a whole database.
  std::vector<std::pair<uint32_t, uint32_t>> positions;
  bool positionsValid = false;
  // The bytes of records written while open: a full rewrite of the largest database fits.
  ByteArena written{16u << 20};
};

struct LogEntry {
  std::string text;
  int32_t activity = 0;
};

class Session {
 public:
  Session() = default;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  int32_t Begin(const std::string& root, const std::string& user_name,
                const std::string& handheld_dir, uint32_t flags);
  int32_t End();

  // Null without a handheld.
  Handheld* handheld() { return handheld_.get(); }
  Faults& faults() { return faults_; }
  const std::string& root() const { return root_; }
  const UserEntry& user() const { return user_; }
  std::string ConduitFolder() const;
  int64_t clockOffset() const { return clockOffset_; }
  void SetClockOffset(int64_t seconds) { clockOffset_ = seconds; }

  // Open databases by handle (1..255).
  int32_t AddOpen(std::unique_ptr<OpenDatabase> db, uint8_t* handle);
  OpenDatabase* Find(uint8_t handle);
  bool IsOpen(const std::string& path) const;
  // Writes back (when modified) and forgets the database; on failure it stays open.
  int32_t Close(uint8_t handle);

  void AddLog(const std::string& text, int32_t activity);
  const std::vector<LogEntry>& log() const { return log_; }
  void SetError(const std::string& text) { lastError_ = text; }
  const std::string& lastError() const { return lastError_; }

  uint32_t NextConduitHandle() { return ++conduitHandles_; }

  // Where the conduit's last record walk stands: the 1-based position of the record read and the
  // record count of its database; 0 and 0 after a database was opened or closed.
  void NoteWalk(size_t index, size_t count) {
    walkDone_ = index + 1;
    walkTotal_ = count;
  }
  void ForgetWalk() { walkDone_ = walkTotal_ = 0; }
  size_t walkDone() const { return walkDone_; }
  size_t walkTotal() const { return walkTotal_; }

 private:
  std::string root_;
  UserEntry user_;
  std::string logPath_;
  AppendingFile logFile_;
  // The "---- HotSync" header goes before this session's first entry, so that commands which add
  // none (they only look at the handheld) leave no empty headers in the file.
  bool logHeaderWritten_ = false;
  size_t walkDone_ = 0;
  size_t walkTotal_ = 0;
  std::unique_ptr<Handheld> handheld_;
  FileLock lock_;
  Faults faults_;
  std::vector<std::unique_ptr<OpenDatabase>> open_ = std::vector<std::unique_ptr<OpenDatabase>>(256);
  std::vector<LogEntry> log_;
  std::string lastError_;
  int64_t clockOffset_ = 0;
  uint32_t conduitHandles_ = 0;
};

// The session in progress, or null.
Session* CurrentSession();
// The session whose log is readable: the current one, else the last ended one (or null).
Session* LastSession();
void SetCurrentSession(Session* session);
void SetLastSession(std::unique_ptr<Session> session);

}  // namespace hotsync

#endif  // HOTSYNC_CORE_SESSION_H
