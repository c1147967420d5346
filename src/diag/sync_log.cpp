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
// every thousand lines or 64 KB, at each sync-log line (the phases of a synchronization) and at
// the end, when the file is synced to the disk once.
constexpr size_t kDebugFlushLines = 1024;
constexpr size_t kDebugFlushBytes = 64 * 1024;
// Lines are put at the end of the gathered ones in place: no line makes more than twice its
// bytes (every one a line feed), so one more always fits before the buffer is written out.
constexpr size_t kDebugBufferSize = kDebugFlushBytes + 2 * kLineBufferSize;
std::string g_debug_pending;  // kDebugBufferSize bytes while lines are gathered
size_t g_debug_used = 0;
size_t g_debug_pending_lines = 0;

void WriteTo(File* file, const char* text, size_t size) {
  if (file == nullptr || size == 0) return;
  size_t written = 0;
  file->Write(text, size, &written);
}

void WritePendingDebugLines() {
  WriteTo(g_debug_file.get(), g_debug_pending.data(), g_debug_used);
  g_debug_used = 0;
  g_debug_pending_lines = 0;
}

// The pieces of an audit line are mostly short: those are copied in place as two overlapping
// halves, longer ones by a call (a copy of a size the compiler cannot bound starts slowly).
__attribute__((noinline)) void CopyLongText(char* out, const char* text, size_t n) { std::memcpy(out, text, n); }
template <size_t kHalf>
void CopyHalves(char* out, const char* text, size_t n) {
  char head[kHalf];
  char tail[kHalf];
  std::memcpy(head, text, kHalf);
  std::memcpy(tail, text + n - kHalf, kHalf);
  std::memcpy(out, head, kHalf);
  std::memcpy(out + n - kHalf, tail, kHalf);
}
__attribute__((always_inline)) inline void CopyText(char* out, const char* text, size_t n) {
  if (n > 64 && n <= 128) {
    CopyHalves<64>(out, text, n);
  } else if (n > 32 && n <= 64) {
    CopyHalves<32>(out, text, n);
  } else if (n >= 16 && n <= 32) {
    CopyHalves<16>(out, text, n);
  } else if (n >= 8 && n < 16) {
    CopyHalves<8>(out, text, n);
  } else if (n >= 4 && n < 8) {
    CopyHalves<4>(out, text, n);
  } else if (n < 4) {
    for (size_t i = 0; i < n; ++i) out[i] = text[i];
  } else {
    CopyLongText(out, text, n);
  }
}

// The text (length bytes) with every line feed stored as carriage return and line feed, put at
// out (room for twice length bytes); gives its end.
char* PutConverted(const char* text, size_t length, char* out) {
  // In runs up to each line feed: the full activity audit passes a line or two per record here.
  const char* end = text + length;
  for (const char* p = text; p < end;) {
    const char* feed = byte_scan::FindByte(p, end, '\n');
    std::memcpy(out, p, static_cast<size_t>(feed - p));
    out += feed - p;
    if (feed == end) break;
    *out++ = '\r';
    *out++ = '\n';
    p = feed + 1;
  }
  return out;
}

// A separate function: its buffer would make every other line's call set up a large frame.
__attribute__((noinline)) void WriteSyncLine(const char* text, size_t length) {
  char converted[2 * kLineBufferSize];
  const size_t size = static_cast<size_t>(PutConverted(text, length, converted) - converted);
  converted[size] = '\0';
  WriteTo(g_sync_file.get(), converted, size);
  if (g_echo_target != nullptr) g_echo_target->AddHotSyncLogEntry(converted, LogCode::kFromSyncLog, 0);
}

// Where the first line feed of a text is not known to its writer: it is looked for.
constexpr size_t kFeedUnknown = SIZE_MAX;

// REQUIRES: text[length] == '\0', length below kLineBufferSize (every formatted line is), and
// first_feed the position of the text's first line feed (length when it has none) or kFeedUnknown.
void WriteLogLine(int kind, const char* text, size_t length, size_t first_feed) {
  if (g_active_log == nullptr) return;
  g_debugger->DebugOutput(text);
  if (kind == kSyncLine) WriteSyncLine(text, length);
  if (g_debug_file == nullptr) return;
  if (g_debug_pending.size() < kDebugBufferSize) g_debug_pending.resize(kDebugBufferSize);
  char* const start = &g_debug_pending[g_debug_used];
  if (first_feed == kFeedUnknown) first_feed = static_cast<size_t>(byte_scan::FindByte(text, text + length, '\n') - text);
  char* out = start;
  if (first_feed >= length) {
    CopyText(out, text, length);
    out += length;
  } else {
    // Most lines end with their only line feed; the audit writes a record's line in pieces, and
    // only a piece that ends a line counts as one.
    CopyText(out, text, first_feed);
    out += first_feed;
    *out++ = '\r';
    *out++ = '\n';
    if (first_feed + 1 < length) out = PutConverted(text + first_feed + 1, length - first_feed - 1, out);
    if (text[length - 1] == '\n') ++g_debug_pending_lines;
  }
  g_debug_used += static_cast<size_t>(out - start);
  if (kind == kSyncLine || g_debug_pending_lines >= kDebugFlushLines || g_debug_used >= kDebugFlushBytes) {
    WritePendingDebugLines();
  }
}

// The digits of value in base (10 or 16, small letters) before end; gives where they start. Each
// base has its own loop: a division by a constant is a multiplication.
char* DigitsBefore(char* end, unsigned long value, unsigned base) {
  if (base == 10) {
    do {
      *--end = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    return end;
  }
  do {
    *--end = "0123456789abcdef"[value % 16];
    value /= 16;
  } while (value != 0);
  return end;
}

// Formats as vsnprintf does into line (size bytes, cut to size - 1 and NUL-terminated) when the
// format holds only the conversions the log lines mostly use (%s, %i, %d, %u, %x, each optionally
// with l, and %%); the C runtime's formatting costs more than the rest of an audit line. False,
// with args partly used, at any other conversion or a null text: the caller formats it then.
bool FormatPlain(char* line, size_t size, const char* format, va_list args, size_t* length) {
  size_t used = 0;
  const size_t limit = size - 1;
  auto put = [&](const char* text, size_t n) {
    if (n > limit - used) n = limit - used;
    CopyText(line + used, text, n);
    used += n;
  };
  const char* p = format;
  while (*p != '\0' && used < limit) {
    const char* percent = std::strchr(p, '%');
    if (percent == nullptr) {
      put(p, std::strlen(p));
      break;
    }
    put(p, static_cast<size_t>(percent - p));
    p = percent + 1;
    const bool is_long = *p == 'l';
    if (is_long) ++p;
    char digits[24];
    char* const digits_end = digits + sizeof digits;
    switch (*p) {
      case '%':
        if (is_long) return false;
        put("%", 1);
        break;
      case 's': {
        if (is_long) return false;
        const char* text = va_arg(args, const char*);
        if (text == nullptr) return false;
        put(text, std::strlen(text));
        break;
      }
      case 'i':
      case 'd': {
        const long value = is_long ? va_arg(args, long) : va_arg(args, int);
        // The magnitude as unsigned: the most negative value has no positive counterpart.
        const unsigned long magnitude = value < 0 ? 0ul - static_cast<unsigned long>(value) : static_cast<unsigned long>(value);
        char* start = DigitsBefore(digits_end, magnitude, 10);
        if (value < 0) *--start = '-';
        put(start, static_cast<size_t>(digits_end - start));
        break;
      }
      case 'u':
      case 'x': {
        const unsigned long value = is_long ? va_arg(args, unsigned long) : va_arg(args, unsigned);
        const char* start = DigitsBefore(digits_end, value, *p == 'u' ? 10 : 16);
        put(start, static_cast<size_t>(digits_end - start));
        break;
      }
      default: return false;
    }
    ++p;
  }
  line[used] = '\0';
  *length = used;
  return true;
}

__attribute__((format(printf, 2, 0))) void FormatAndWrite(int kind, const char* format, va_list args) {
  // Many lines of the audit are fixed texts: those go out as they are.
  if (std::strchr(format, '%') == nullptr) {
    const size_t length = std::strlen(format);
    if (length < kLineBufferSize) {
      WriteLogLine(kind, format, length, kFeedUnknown);
      return;
    }
  }
  char line[kLineBufferSize];
  size_t length = 0;
  va_list copy;
  va_copy(copy, args);
  const bool plain = FormatPlain(line, sizeof line, format, copy, &length);
  va_end(copy);
  if (!plain) {
    const int written = std::vsnprintf(line, sizeof line, format, args);
    length = written < 0 ? 0 : std::strlen(line);
    if (written < 0) line[0] = '\0';
  }
  WriteLogLine(kind, line, length, kFeedUnknown);
}

// Most audit pieces: a record's line or a part of it, with no line feed but perhaps its last
// byte. Their path needs no registers kept across a call: the debugger's call ends it.
constexpr size_t kShortPiece = 128;

// REQUIRES: length at most kShortPiece; the text's only line feed, if ends_line, its last byte.
inline void GatherShortPiece(const char* text, size_t length, bool ends_line) {
  char* const out = &g_debug_pending[g_debug_used];
  CopyText(out, text, length);
  size_t used = g_debug_used + length;
  if (ends_line) {
    out[length - 1] = '\r';
    out[length] = '\n';
    ++used;
    ++g_debug_pending_lines;
  }
  g_debug_used = used;
}

// The end of a piece whose batch is due: apart, so that the common end is the debugger's call.
__attribute__((noinline)) void WriteOutThenHandOn(const char* text) {
  WritePendingDebugLines();
  g_debugger->DebugOutput(text);
}

// Any other piece, cut as a formatted line is.
__attribute__((noinline)) void WriteLongAuditText(const char* text, size_t length, size_t first_feed) {
  if (length < kLineBufferSize) {
    WriteLogLine(kAuditLine, text, length, first_feed);
    return;
  }
  char line[kLineBufferSize];
  std::memcpy(line, text, sizeof line - 1);
  line[sizeof line - 1] = '\0';
  WriteLogLine(kAuditLine, line, sizeof line - 1, first_feed < sizeof line - 1 ? first_feed : sizeof line - 1);
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
  g_debug_used = 0;
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

void LogAuditText(const char* text, size_t length, size_t first_feed) {
  if ((g_log_level & kLogLevelAudit) == 0 || g_active_log == nullptr) return;
  if (length <= kShortPiece && first_feed + 1 >= length && g_debug_file != nullptr &&
      g_debug_pending.size() >= kDebugBufferSize) {
    GatherShortPiece(text, length, first_feed < length);
    if (g_debug_pending_lines >= kDebugFlushLines || g_debug_used >= kDebugFlushBytes) return WriteOutThenHandOn(text);
    return g_debugger->DebugOutput(text);
  }
  WriteLongAuditText(text, length, first_feed);
}

void LogSync(const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatAndWrite(kSyncLine, format, args);
  va_end(args);
}
