// hotsync sync [--do-nothing] [--dry-run] [--quiet] [--cancel-at TEXT]: one synchronization
// through the OpenConduit of each conduit to run, in priority order.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "hotsync_session.h"
#include "platform/charset.h"
#include "platform/console.h"
#include "platform/host.h"
#include "program/backups.h"
#include "program/commands.h"
#include "program/output.h"
#include "program/conduit_module.h"
#include "program/registered_conduits.h"

namespace hotsync {
namespace {

enum : int { kExitOk = 0, kExitFailed = 1, kExitCancelled = 3, kExitLogErrors = 4 };

bool g_terminal = false;
bool g_quiet = false;
bool g_lineOpen = false;
std::string g_lastStatus;
std::chrono::steady_clock::time_point g_lastDrawn;
std::chrono::steady_clock::time_point g_lastFlushed;
bool g_countShown = false;
// --cancel-at TEXT: from the first status TEXT on, every status answers "stop", as if the user
// had pressed Ctrl-C at that moment (a cancel at a known point, also where no signal can be sent).
std::string g_cancelAt;
bool g_cancelling = false;
// Whether the manager ever told the conduit to stop: the sync counts as cancelled then, whatever
// the conduit made of it.
bool g_askedToStop = false;

// "65,535"
std::string GroupedNumber(int32_t value) {
  std::string digits = std::to_string(value);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<size_t>(at), ",");
  return digits;
}

// On a terminal one live line with the status and how far the conduit's record walk has come,
// redrawn at most ten times a second; otherwise one line per status text (a text repeated by the
// conduit's progress reports is shown once).
int32_t HS_CALL ShowProgress(const char* status) {
  // Called for every few records of a walk: the text is copied only when it changes.
  const std::string_view text = status != nullptr ? status : "";
  if (!g_quiet && g_terminal) {
    const auto now = std::chrono::steady_clock::now();
    int32_t done = 0;
    int32_t total = 0;
    HsGetWalkProgress(&done, &total);
    if (text != g_lastStatus) g_countShown = false;
    // The first count of a phase is drawn at once, later ones when their time comes.
    if (text != g_lastStatus || (total > 0 && !g_countShown) ||
        now - g_lastDrawn >= std::chrono::milliseconds(100)) {
      g_countShown = total > 0;
      const std::string count =
          total > 0 ? ": " + GroupedNumber(done) + " of " + GroupedNumber(total) : std::string();
      // One line less than the terminal is wide: a full line would wrap before the next redraw.
      const int width = OutputWidth() > 1 ? OutputWidth() : 80;
      Print("\r\x1b[K%s", Utf8Fit(Utf8OfMixedText(std::string(text) + count), static_cast<size_t>(width - 1)).c_str());
      std::fflush(stdout);
      g_lastDrawn = now;
      g_lineOpen = true;
    }
  } else if (!g_quiet && text != g_lastStatus) {
    // A pipe or file gets whole buffers; whoever watches it still sees news ten times a second.
    Print("status: %.*s\n", static_cast<int>(text.size()), text.data());
    const auto now = std::chrono::steady_clock::now();
    if (now - g_lastFlushed >= std::chrono::milliseconds(100)) {
      std::fflush(stdout);
      g_lastFlushed = now;
    }
  }
  if (text != g_lastStatus) g_lastStatus.assign(text.data(), text.size());
  if (!g_cancelAt.empty() && g_cancelAt == text) g_cancelling = true;
  const bool stop = Interrupted() || g_cancelling;
  g_askedToStop = g_askedToStop || stop;
  return stop ? 1 : 0;
}

const char* ActivityName(int32_t activity) {
  switch (activity) {
    case -1: return "";
    case 19: return "Sync Started";
    case 20: return "Sync Finished";
    case 21: return "Sync Aborted";
    case 22: return "WARNING";
    default: return nullptr;
  }
}

// The entry codes of failures (remote read failed, local add failed, ...): all but plain text,
// the start, finish and abort marks and warnings.
bool IsErrorActivity(int32_t activity) { return (activity >= 0 && activity <= 18) || activity == 23; }

// Prints this sync's HotSync log (unless quiet); true when it holds an error entry.
bool PrintLog() {
  if (!g_quiet) Print("HotSync log:\n");
  bool errors = false;
  char text[4096];
  for (int32_t i = 0, count = HsGetLogEntryCount(); i < count; ++i) {
    int32_t activity = 0;
    HsGetLogEntry(i, text, sizeof text, &activity);
    errors = errors || IsErrorActivity(activity);
    if (g_quiet) continue;
    const char* name = ActivityName(activity);
    // Continuation lines of a multi-line entry are indented under it.
    std::string shown;
    for (const char* c = text; *c != 0; ++c) {
      shown += *c;
      if (*c == '\n' && c[1] != 0 && c[1] != '\n' && c[1] != '\r') shown += "      ";
    }
    while (!shown.empty() && shown.back() == '\n') shown.pop_back();
    Print("  [%ld%s%s] %s\n", static_cast<long>(activity), name != nullptr && *name ? " " : "",
          name != nullptr ? name : "", shown.c_str());
  }
  return errors;
}

}  // namespace

int RunSync(const Options& options) {
  // Before any output: the status lines and the log go out in blocks, not a write per line.
  static char buffer[1 << 16];
  if (!StdoutIsTerminal()) std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  bool do_nothing = false;
  bool dry_run = false;
  for (size_t i = 1; i < options.words.size(); ++i) {
    const std::string& word = options.words[i];
    if (word == "--cancel-at") {
      if (i + 1 >= options.words.size() || options.words[i + 1].empty()) {
        return UsageError("--cancel-at needs the TEXT of a status");
      }
      g_cancelAt = options.words[++i];
    } else if (word == "--do-nothing") {
      do_nothing = true;
    } else if (word == "--dry-run") {
      dry_run = true;
    } else if (word == "--quiet") {
      g_quiet = true;
    } else {
      return UsageError("sync does not take \"" + word + "\"");
    }
  }
  return dry_run ? RunDryRun(options, do_nothing) : RunSyncSession(options, options, do_nothing, true);
}

int RunSyncSession(const Options& options, const Options& hint_options, bool do_nothing, bool keep_backup) {
  SessionScope session(options, 0);
  if (!session.ok()) return kExitFailed;
  // Every conduit to run is loaded before any runs: a sync never stops half-way for a missing one.
  std::vector<std::string> files;
  if (!ConduitsToRun(options, &files)) return kExitFailed;
  std::vector<std::unique_ptr<ConduitModule>> conduits;
  std::string error;
  for (const std::string& file : files) {
    conduits.emplace_back(new ConduitModule);
    if (!conduits.back()->Load(file, &error)) {
      PrintError("hotsync: cannot load the conduit: %s\n", error.c_str());
      return kExitFailed;
    }
    if (conduits.back()->openConduit == nullptr) {
      PrintError("hotsync: the conduit %s does not export OpenConduit\n", file.c_str());
      return kExitFailed;
    }
  }

  uint8_t properties[kSyncPropertiesSize] = {0};
  const uint32_t action = do_nothing ? kSyncActionDoNothing : 0;
  for (int i = 0; i < 4; ++i) properties[i] = static_cast<uint8_t>(action >> (8 * i));
  char* folder = reinterpret_cast<char*>(properties + kSyncPropertiesFolderOffset);
  const int32_t length = HsGetConduitFolder(folder, kSyncPropertiesSize - kSyncPropertiesFolderOffset);
  if (length <= 0) {
    PrintError("hotsync: a sync needs a registered user; add one with:\n  %s\n",
               CommandLine(options, "user add NAME").c_str());
    return kExitFailed;
  }
  if (!FolderExists(folder)) {
    // The folder of a dry run's copy is not the user's: the hint names the user's own.
    PrintError("hotsync: warning: the conduit was never installed for this user (its folder %s is "
               "missing), so its settings and logs cannot be kept; install it with:\n  %s\n",
               folder, CommandLine(hint_options, "install").c_str());
  }

  char handheld[1024] = {0};
  HsGetHandheldFolder(handheld, sizeof handheld);
  std::string backup;
  if (keep_backup) {
    if (!MakeBackup(handheld, BackupReason::kSync, &backup, &error)) {
      PrintError("hotsync: no sync without a backup of the handheld: %s\n", error.c_str());
      return kExitFailed;
    }
    if (!PruneBackups(handheld, &error)) PrintError("hotsync: warning: %s\n", error.c_str());
  }

  g_terminal = StdoutIsTerminal();
  InstallInterruptHandler();
  int32_t result = 0;
  for (const auto& conduit : conduits) {
    // Each conduit gets the properties as the manager made them.
    uint8_t given[kSyncPropertiesSize];
    std::memcpy(given, properties, sizeof given);
    const int32_t answer = conduit->openConduit(ShowProgress, given);
    if (result == 0) result = answer;
    if (g_askedToStop) break;
  }
  if (g_lineOpen) Print("\n");
  const bool saved_all = session.End();
  const bool log_errors = PrintLog();
  int status = kExitOk;
  std::string outcome;
  // Changes that could not be saved outweigh a cancel: the user must know the sync failed.
  if (!saved_all) {
    status = kExitFailed;
    outcome = " (failed)";
  } else if (g_askedToStop) {
    status = kExitCancelled;
    outcome = " (cancelled)";
  } else if (result != 0) {
    status = kExitFailed;
    outcome = " (failed)";
  } else if (log_errors) {
    status = kExitLogErrors;
    std::string where = " above";
    UserEntry user;
    if (!keep_backup) {
      if (g_quiet) where = " (a dry run keeps none: run it without --quiet to see it)";
    } else if (SelectedUser(options, &user)) {
      where = (g_quiet ? " " : " above, kept in ") + HotSyncLogPath(options, user);
    }
    outcome = " (finished, but the conduit reported errors: see the HotSync log" + where + ")";
  }
  Print("Result: %ld%s\n", static_cast<long>(result), outcome.c_str());
  if (!saved_all) Print("Some handheld changes could not be saved (see above).\n");
  if (!g_cancelAt.empty() && !g_askedToStop) {
    PrintError("hotsync: warning: --cancel-at \"%s\" never matched: the conduit showed no such status, "
               "so the sync ran to its end (the statuses it shows are the \"status:\" lines of a sync "
               "without --quiet)\n", g_cancelAt.c_str());
  }
  return status;
}

}  // namespace hotsync
