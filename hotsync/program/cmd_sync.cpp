// hotsync sync [--do-nothing] [--cancel-at TEXT]: one synchronization through the conduit's OpenConduit.
#include <cstdio>
#include <cstring>
#include <string>

#include "hotsync_session.h"
#include "platform/console.h"
#include "platform/host.h"
#include "program/commands.h"
#include "program/conduit_module.h"

namespace hotsync {
namespace {

bool g_terminal = false;
bool g_lineOpen = false;
// --cancel-at TEXT: from the first status TEXT on, every status answers "stop", as if the user
// had pressed Ctrl-C at that moment (a cancel at a known point, also where no signal can be sent).
std::string g_cancelAt;
bool g_cancelling = false;

// One live line on a terminal; one line per status otherwise (logs, tests).
int32_t HS_CALL ShowProgress(const char* status) {
  const char* text = status != nullptr ? status : "";
  if (g_terminal) {
    std::printf("\r\x1b[K%.79s", text);
    g_lineOpen = true;
  } else {
    std::printf("status: %s\n", text);
  }
  std::fflush(stdout);
  if (!g_cancelAt.empty() && g_cancelAt == text) g_cancelling = true;
  return Interrupted() || g_cancelling ? 1 : 0;
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

void PrintLog() {
  std::printf("HotSync log:\n");
  char text[4096];
  for (int32_t i = 0, count = HsGetLogEntryCount(); i < count; ++i) {
    int32_t activity = 0;
    HsGetLogEntry(i, text, sizeof text, &activity);
    const char* name = ActivityName(activity);
    // Continuation lines of a multi-line entry are indented under it.
    std::string shown;
    for (const char* c = text; *c != 0; ++c) {
      shown += *c;
      if (*c == '\n' && c[1] != 0) shown += "      ";
    }
    while (!shown.empty() && shown.back() == '\n') shown.pop_back();
    std::printf("  [%ld%s%s] %s\n", static_cast<long>(activity), name != nullptr && *name ? " " : "",
                name != nullptr ? name : "", shown.c_str());
  }
}

}  // namespace

int RunSync(const Options& options) {
  bool doNothing = false;
  for (size_t i = 1; i < options.words.size(); ++i) {
    if (options.words[i] == "--cancel-at" && i + 1 < options.words.size()) {
      g_cancelAt = options.words[++i];
      continue;
    }
    if (options.words[i] != "--do-nothing") return UsageError("sync takes only --do-nothing and --cancel-at TEXT");
    doNothing = true;
  }
  SessionScope session(options, 0);
  if (!session.ok()) return 1;
  ConduitModule conduit;
  std::string error;
  if (!conduit.Load(options.conduit, &error)) {
    std::fprintf(stderr, "hotsync: cannot load the conduit: %s\n", error.c_str());
    return 1;
  }
  if (conduit.openConduit == nullptr) {
    std::fprintf(stderr, "hotsync: the conduit does not export OpenConduit\n");
    return 1;
  }

  uint8_t properties[kSyncPropertiesSize] = {0};
  const uint32_t action = doNothing ? kSyncActionDoNothing : 0;
  for (int i = 0; i < 4; ++i) properties[i] = static_cast<uint8_t>(action >> (8 * i));
  char* folder = reinterpret_cast<char*>(properties + kSyncPropertiesFolderOffset);
  const int32_t length = HsGetConduitFolder(folder, kSyncPropertiesSize - kSyncPropertiesFolderOffset);
  if (length <= 0) {
    std::fprintf(stderr, "hotsync: a sync needs a registered user (use: user add NAME)\n");
    return 1;
  }
  if (!FolderExists(folder)) {
    std::printf("note: the conduit folder %s does not exist yet (run: hotsync install)\n", folder);
  }

  g_terminal = StdoutIsTerminal();
  InstallInterruptHandler();
  const int32_t result = conduit.openConduit(ShowProgress, properties);
  if (g_lineOpen) std::printf("\n");
  const bool savedAll = session.End();
  PrintLog();
  std::printf("Result: %ld%s\n", static_cast<long>(result), Interrupted() ? " (cancelled)" : "");
  if (!savedAll) std::printf("Some handheld changes could not be saved (see above).\n");
  return result == 0 && savedAll ? 0 : 1;
}

}  // namespace hotsync
