#include "diag/sync_log.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "diag/desktop_path.h"
#include "platform/byte_scan.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/system.h"

namespace {

// The files live in module-wide state, not in the object that opened them, so they stay open
// until the last SyncLog goes, whichever instance that is.
SyncLog* g_active_log = nullptr;
std::unique_ptr<File> g_debug_file;
std::unique_ptr<File> g_sync_file;
int32_t g_instance_count = 0;
HotSyncLogTarget* g_echo_target = nullptr;
SystemServices* g_debugger = nullptr;
uint32_t g_log_level = 0;

constexpr int kDebugLine = 0;
constexpr int kAuditLine = 1;
constexpr int kSyncLine = 2;

// Lines longer than the working buffer are cut, as the formatted text must never overflow it.
constexpr size_t kLineBufferSize = 1024;

// The debug log takes a line per decision; writing and syncing each one made the full activity
// audit fifty times slower than the standard log. Its lines are gathered here and written out
// every few hundred lines, at each sync-log line (the phases of a synchronization) and at the
// end, when the file is synced to the disk once.
constexpr size_t kDebugFlushLines = 256;
constexpr size_t kDebugFlushBytes = 64 * 1024;
std::string g_debug_pending;
size_t g_debug_pending_lines = 0;

void WriteTo(File* file, const std::string& text) {
  if (file == nullptr || text.empty()) return;
  size_t written = 0;
  file->Write(text.data(), text.size(), &written);
}

void WritePendingDebugLines() {
  WriteTo(g_debug_file.get(), g_debug_pending);
  g_debug_pending.clear();
  g_debug_pending_lines = 0;
}

// The text with every line feed stored as carriage return and line feed.
void AppendConverted(const char* text, std::string* out) {
  // In runs up to each line feed: the full activity audit passes a line or two per record here.
  const char* end = text + std::strlen(text);
  for (const char* p = text; p < end;) {
    const char* feed = byte_scan::FindByte(p, end, '\n');
    out->append(p, static_cast<size_t>(feed - p));
    if (feed == end) break;
    out->append("\r\n", 2);
    p = feed + 1;
  }
}

void WriteLogLine(int kind, const char* text) {
  if (g_active_log == nullptr) return;
  g_debugger->DebugOutput(text);
  if (kind == kSyncLine) {
    std::string converted;
    AppendConverted(text, &converted);
    WriteTo(g_sync_file.get(), converted);
    if (g_echo_target != nullptr) g_echo_target->AddHotSyncLogEntry(converted.c_str(), LogCode::kFromSyncLog, 0);
  }
  if (g_debug_file == nullptr) return;
  AppendConverted(text, &g_debug_pending);
  ++g_debug_pending_lines;
  if (kind == kSyncLine || g_debug_pending_lines >= kDebugFlushLines ||
      g_debug_pending.size() >= kDebugFlushBytes) {
    WritePendingDebugLines();
  }
}

__attribute__((format(printf, 2, 0))) void FormatAndWrite(int kind, const char* format, va_list args) {
  // Many lines of the audit are fixed texts: those need no formatting (a copy keeps them to the
  // same length as a formatted line).
  const size_t length = std::strlen(format);
  if (std::memchr(format, '%', length) == nullptr && length < kLineBufferSize) {
    WriteLogLine(kind, format);
    return;
  }
  char line[kLineBufferSize];
  std::vsnprintf(line, sizeof line, format, args);
  WriteLogLine(kind, line);
}

}  // namespace

SyncLog::SyncLog(Env& env, HotSyncLogTarget* echo, const std::string& debug_folder, const char* debug_name,
                 const std::string& sync_folder, const char* sync_name) {
  if (g_active_log != nullptr) {
    ++g_instance_count;
    return;
  }
  g_echo_target = echo;
  FileSystem& files = env.Files();
  std::string debug_path, sync_path;
  bool debug_fits = MakeDesktopPath(files, debug_folder, debug_name, &debug_path);
  bool sync_fits = MakeDesktopPath(files, sync_folder, sync_name, &sync_path);
  if (debug_fits) files.OpenFile(debug_path, FileMode::kWriteCreateAlwaysShared, &g_debug_file);
  if (sync_fits) files.OpenFile(sync_path, FileMode::kAppend, &g_sync_file);
  ++g_instance_count;
  g_active_log = this;
  g_debugger = &env.System();
  g_debugger->StartDebugOutputThread();
  owns_files_ = true;
  // Reported once the log is active, so the report reaches whichever file did open.
  if (!debug_fits) MakeDesktopPathOrReport(files, debug_folder, debug_name, &debug_path);
  if (!sync_fits) MakeDesktopPathOrReport(files, sync_folder, sync_name, &sync_path);
}

SyncLog::SyncLog(Env& env) {
  ++g_instance_count;
  if (g_active_log != nullptr) return;
  g_active_log = this;
  g_debugger = &env.System();
  g_debugger->StartDebugOutputThread();
  owns_files_ = true;
}

SyncLog::~SyncLog() {
  if (--g_instance_count > 0) return;
  WritePendingDebugLines();
  std::string().swap(g_debug_pending);
  if (g_debug_file != nullptr) g_debug_file->Flush();
  g_debug_file.reset();
  g_sync_file.reset();
  g_active_log = nullptr;
  g_echo_target = nullptr;
  // Every line has reached the debugger when the synchronization ends.
  g_debugger->StopDebugOutputThread();
  g_debugger = nullptr;
}

void FlushLogFiles() {
  if (g_active_log != nullptr) WritePendingDebugLines();
}

void SetLogLevel(uint32_t level) { g_log_level = level; }
uint32_t GetLogLevel() { return g_log_level; }

void LogDebug(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatAndWrite(kDebugLine, format, args);
  va_end(args);
}

void LogAudit(const char* format, ...) {
  if ((g_log_level & kLogLevelAudit) == 0) return;
  va_list args;
  va_start(args, format);
  FormatAndWrite(kAuditLine, format, args);
  va_end(args);
}

void LogSync(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatAndWrite(kSyncLine, format, args);
  va_end(args);
}
