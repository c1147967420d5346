// hotsync handheld feeds [set N NAME ADDRESS]: the event lists of the handheld's "Movie-Events"
// database (its AppInfo block), shown, or one list renamed and pointed at another feed. Lists are
// numbered 1 to 16 for people; list N is category N - 1 of the database.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "conduit/conduit_prefs.h"
#include "conduit/schedule.h"
#include "core/users.h"
#include "diag/handheld_link.h"
#include "events/event_app_info.h"
#include "hotsync_session.h"
#include "platform/env.h"
#include "platform/host.h"
#include "program/commands.h"
#include "program/output.h"

namespace hotsync {
namespace {

constexpr uint16_t kBlockSize = kEventAppInfoSize;
const char kDatabase[] = "Movie-Events";

// Opens the database and reads its block; false with a message printed.
bool ReadBlock(uint8_t* handle, uint8_t* block) {
  int32_t result = SyncOpenDB(kDatabase, 0, handle, kSyncOpenReadWrite);
  if (result == kSyncErrNotFound) {
    char folder[1024] = {0};
    HsGetHandheldFolder(folder, sizeof folder);
    PrintError("hotsync: the handheld %s has no %s database yet (the first sync creates it)\n", folder,
               kDatabase);
    return false;
  }
  if (result != 0) {
    PrintError("hotsync: cannot open %s (0x%lx) %s\n", kDatabase, static_cast<unsigned long>(result),
               HsGetLastErrorText());
    return false;
  }
  DatabaseBlockInfo info = {};
  std::memset(block, 0, kBlockSize);
  info.bufferSize = kBlockSize;
  info.byteCount = kBlockSize;
  info.buffer = block;
  result = SyncReadDBAppInfoBlock(*handle, &info);
  if (result != 0 || info.byteCount > kBlockSize) {
    PrintError("hotsync: cannot read the lists of %s (0x%lx)\n", kDatabase, static_cast<unsigned long>(result));
    SyncCloseDB(*handle);
    return false;
  }
  return true;
}

// A webcal link, as calendar sites give them, is the same address over HTTP.
std::string HttpAddress(const std::string& address) {
  auto starts = [&](const char* scheme) {
    size_t n = std::strlen(scheme);
    if (address.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
      if (std::tolower(static_cast<unsigned char>(address[i])) != scheme[i]) return false;
    }
    return true;
  };
  if (starts("webcal://")) return "http://" + address.substr(9);
  if (starts("webcals://")) return "https://" + address.substr(10);
  return address;
}

void Show(const EventAppInfo& block) {
  Table table;
  table.AddColumn("", 2, false, true);
  table.AddColumn("", 15, true);
  table.AddColumn("", 10, false);
  table.AddColumn("", 0, true);
  for (int i = 0; i < kEventListCount; ++i) {
    const std::string name = block.ListName(i);
    const std::string address = block.Address(i);
    if (name.empty() && address.empty()) continue;
    const uint32_t date = block.LastUpdate(i);
    table.AddRow({std::to_string(i + 1), Shown(name), date == 0 ? "never" : HandheldTimeText(date).substr(0, 10),
                  address.empty() ? "(no feed: not synchronized)" : Shown(address)});
  }
  table.Print();
}

// When the conduit's schedule next runs the events job, from its preferences file.
void ShowNextRun(const Options& options) {
  UserEntry user;
  if (options.env == nullptr || !SelectedUser(options, &user)) return;
  const std::string folder = JoinPath(JoinPath(options.root, user.folder), "Cinevane");
  ConduitPrefs prefs;
  ReadConduitPrefs(options.env->Files(), &prefs, folder.c_str());
  HandheldLink link(options.env->Time());
  uint32_t now = 0;
  link.LocalTimeNow(&now);
  if (now < prefs.lastEventsRun) prefs.lastEventsRun = 0;  // as the driver reads a clock set back
  const EventsSchedule schedule = DecideEventsSchedule(prefs.eventsInterval, prefs.lastEventsRun, now);
  if (schedule.due) {
    std::printf("Next events run: at the next sync\n");
  } else if (schedule.noSchedule) {
    std::printf("Next events run: none (no schedule set)\n");
  } else {
    std::printf("Next events run: in %u day%s\n", static_cast<unsigned>(schedule.daysLeft),
                schedule.daysLeft == 1 ? "" : "s");
  }
}

}  // namespace

int RunHandheldFeeds(const Options& options) {
  const std::vector<std::string>& words = options.words;
  const bool set = words.size() >= 3 && words[2] == "set";
  char* end = nullptr;
  const long number = set && words.size() == 6 ? std::strtol(words[3].c_str(), &end, 10) : -1;
  if (words.size() != 2 &&
      !(set && words.size() == 6 && end && *end == 0 && number >= 1 && number <= kEventListCount)) {
    return UsageError("handheld feeds takes [set N NAME ADDRESS] (N 1..16; an empty ADDRESS turns the list off)");
  }
  const int list = static_cast<int>(number - 1);
  if (set && (words[4].size() >= kEventListNameSize || words[5].size() >= kEventAddressSize)) {
    return UsageError("a list name has at most 15 characters, an address at most 100");
  }
  SessionScope session(options, 0);
  if (!session.ok()) return 1;
  uint8_t handle = 0;
  EventAppInfo block;
  if (!ReadBlock(&handle, block.bytes)) return 1;
  int status = 0;
  if (set) {
    block.SetListName(list, words[4]);
    block.SetAddress(list, HttpAddress(words[5]));
    DatabaseBlockInfo info = {};
    info.bufferSize = kBlockSize;
    info.byteCount = kBlockSize;
    info.buffer = block.bytes;
    int32_t result = SyncWriteDBAppInfoBlock(handle, &info);
    if (result != 0) {
      PrintError("hotsync: cannot write the lists of %s (0x%lx)\n", kDatabase,
                 static_cast<unsigned long>(result));
      status = 1;
    }
  }
  SyncCloseDB(handle);
  if (!session.End()) return 1;
  if (status == 0) {
    Show(block);
    ShowNextRun(options);
  }
  return status;
}

}  // namespace hotsync
