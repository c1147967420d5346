#include "core/session.h"

#include <ctime>

#include "hotsync_session.h"

namespace hotsync {
namespace {

Session* g_current = nullptr;
std::unique_ptr<Session> g_last;

constexpr const char* kLogFileName = "HotSync Log.txt";

}  // namespace

Session* CurrentSession() { return g_current; }
Session* LastSession() { return g_current != nullptr ? g_current : g_last.get(); }
void SetCurrentSession(Session* session) { g_current = session; }
void SetLastSession(std::unique_ptr<Session> session) { g_last = std::move(session); }

int32_t Session::Begin(const std::string& root, const std::string& user_name,
                       const std::string& handheld_dir, uint32_t flags) {
  root_ = root;
  if (flags & kHsSessionRootOnly) return 0;
  std::vector<UserEntry> users;
  std::string error;
  if (!LoadUsers(root, &users, &error)) {
    SetError(error);
    return kHsErrGeneric;
  }
  const bool anonymous = users.empty() && user_name.empty() && !handheld_dir.empty();
  if (!anonymous && !FindUser(users, user_name, &user_, &error)) {
    SetError(error);
    return kHsErrGeneric;
  }
  if (!anonymous) logPath_ = JoinPath(JoinPath(root, user_.folder), kLogFileName);
  if (flags & kHsSessionNoHandheld) return 0;

  const std::string folder = !handheld_dir.empty()
                                 ? handheld_dir
                                 : JoinPath(JoinPath(root, user_.folder), kHandheldFolderName);
  if (!MakeFolders(folder, &error)) {
    SetError(error);
    return kHsErrIo;
  }
  if (!lock_.Acquire(JoinPath(folder, kLockFileName), &error)) {
    SetError(error);
    return kHsErrLocked;
  }
  handheld_.reset(new Handheld(folder));
  handheld_->RemoveLeftovers();
  clockOffset_ = handheld_->ReadClockOffset();
  return 0;
}

int32_t Session::End() {
  int32_t first = 0;
  for (size_t handle = 1; handle < open_.size(); ++handle) {
    if (!open_[handle]) continue;
    int32_t result = Close(static_cast<uint8_t>(handle));
    if (result != 0) {
      // Still open: the file keeps its last complete version; the changes are lost.
      AddLog("Changes to handheld database \"" + open_[handle]->db.name +
                 "\" were not saved: " + lastError_, -1);
      open_[handle].reset();
      if (first == 0) first = result;
    }
  }
  faults_.Clear();
  lock_.Release();
  logFile_.Close();
  return first;
}

std::string Session::ConduitFolder() const {
  if (user_.folder.empty()) return std::string();
  return JoinPath(JoinPath(root_, user_.folder), "Cinevane");
}

int32_t Session::AddOpen(std::unique_ptr<OpenDatabase> db, uint8_t* handle) {
  ForgetWalk();
  for (size_t i = 1; i < open_.size(); ++i) {
    if (!open_[i]) {
      open_[i] = std::move(db);
      *handle = static_cast<uint8_t>(i);
      return 0;
    }
  }
  SetError("more than 255 databases are open");
  return kHsErrTooManyOpen;
}

OpenDatabase* Session::Find(uint8_t handle) { return open_[handle].get(); }

bool Session::IsOpen(const std::string& path) const {
  for (const auto& db : open_) {
    if (db && db->path == path) return true;
  }
  return false;
}

int32_t Session::Close(uint8_t handle) {
  ForgetWalk();
  OpenDatabase* db = open_[handle].get();
  if (db == nullptr) return kHsErrBadArgument;
  if (db->modified) {
    db->db.modificationDate = HandheldSecondsNow(clockOffset_);
    db->db.modificationNumber += 1;
    std::string error;
    int32_t result = handheld_->Store(db->path, db->db, &faults_, &error);
    if (result != 0) {
      SetError(error);
      return result;
    }
  }
  open_[handle].reset();
  return 0;
}

void Session::AddLog(const std::string& text, int32_t activity) {
  log_.push_back(LogEntry{text, activity});
  if (logPath_.empty()) return;
  // The log file is a convenience for people; failing to append to it does not fail the sync.
  std::string error;
  const std::string end = TextLineEnd();
  std::string line;
  if (!logHeaderWritten_) {
    line = "---- HotSync " + FormatWallClock(LocalWallClockNow()) + end;
    logHeaderWritten_ = true;
  }
  // One entry per line: continuation lines of a multi-line text start with a tab. The conduit's
  // texts may end their lines either way; the file keeps the target's own line end throughout.
  line += std::to_string(activity) + "\t";
  std::string body;
  for (char c : text) {
    if (c != '\r') body += c;
  }
  while (!body.empty() && body.back() == '\n') body.pop_back();
  for (char c : body) {
    if (c == '\n') {
      line += end + "\t";
    } else {
      line += c;
    }
  }
  logFile_.Append(logPath_, line + end, &error);
}

}  // namespace hotsync
