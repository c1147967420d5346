// hotsync handheld prefs ... | clock ...: the handheld application's preferences and the clock.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/handheld.h"
#include "hotsync_session.h"
#include "platform/clock.h"
#include "platform/host.h"
#include "program/commands.h"
#include "program/output.h"

namespace hotsync {
namespace {

bool ParseWallClock(const std::string& date, const std::string& time, int64_t* seconds) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  char end = 0;
  if (std::sscanf(date.c_str(), "%4d-%2d-%2d%c", &y, &mo, &d, &end) != 3) return false;
  const int fields = std::sscanf(time.c_str(), "%2d:%2d:%2d%c", &h, &mi, &s, &end);
  if (fields != 2 && fields != 3) return false;
  if (y < 1904 || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) return false;
  *seconds = ::DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s;
  return true;
}

bool ParseHex(const std::string& text, Bytes* bytes) {
  std::string digits;
  for (char c : text) {
    if (c == ' ' || c == ':') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    digits += c;
  }
  if (digits.size() % 2 != 0) return false;
  for (size_t i = 0; i < digits.size(); i += 2) {
    bytes->push_back(static_cast<uint8_t>(std::strtoul(digits.substr(i, 2).c_str(), nullptr, 16)));
  }
  return true;
}

std::string Hex(const uint8_t* data, size_t size) {
  std::string out;
  char two[4];
  for (size_t i = 0; i < size; ++i) {
    std::snprintf(two, sizeof two, i == 0 ? "%02x" : " %02x", data[i]);
    out += two;
  }
  return out;
}

int ListPreferences(const std::string& folder) {
  Handheld handheld(folder);
  for (bool saved : {true, false}) {
    const std::string path = handheld.PathFor(saved ? kSavedPreferencesName : kUnsavedPreferencesName, true);
    if (!FileExists(path)) continue;
    PalmDatabase db;
    std::string error;
    if (handheld.Load(path, &db, &error) != 0) {
      Print("%s\n", error.c_str());
      continue;
    }
    for (const PalmResource& pref : db.resources) {
      const size_t size = pref.data.size() >= 2 ? pref.data.size() - 2 : 0;
      Print("%s %s id %u version %u: %s\n", saved ? "saved  " : "unsaved",
            FourCharText(pref.type).c_str(), pref.id,
            pref.data.size() >= 2 ? (pref.data[0] << 8 | pref.data[1]) : 0,
            size > 0 ? Hex(pref.data.data() + 2, size).c_str() : "(empty)");
    }
  }
  return 0;
}

int Preferences(const Options& options) {
  std::vector<std::string> words(options.words.begin() + 2, options.words.end());
  bool saved = true;
  for (size_t i = 0; i < words.size(); ++i) {
    if (words[i] == "--unsaved") {
      saved = false;
      words.erase(words.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  }
  if (words.empty()) {
    const std::string folder = HandheldFolderFor(options);
    return folder.empty() ? 1 : ListPreferences(folder);
  }
  char* end = nullptr;
  const unsigned long id = words.size() >= 2 ? std::strtoul(words[1].c_str(), &end, 0) : 0;
  if ((words.size() != 2 && words.size() != 4) || words[0].size() != 4 || end == nullptr ||
      *end != 0 || id > 0xFFFF) {
    return UsageError("handheld prefs takes [CREATOR ID [VERSION HEX]] [--unsaved]");
  }
  AppPreferenceRequest request = {};
  request.creator = FourCharCode(words[0].c_str());
  request.prefId = static_cast<uint16_t>(id);
  request.backedUp = saved ? 1 : 0;
  SessionScope session(options, 0);
  if (!session.ok()) return 1;
  if (words.size() == 4) {
    Bytes value;
    const unsigned long version = std::strtoul(words[2].c_str(), &end, 0);
    if (*end != 0 || version > 0xFFFF || !ParseHex(words[3], &value) || value.size() > 0xFFFF) {
      return UsageError("handheld prefs: VERSION is a number, HEX an even count of hex digits");
    }
    request.version = static_cast<uint16_t>(version);
    request.requestedSize = static_cast<uint16_t>(value.size());
    request.bufferSize = static_cast<uint32_t>(value.size());
    request.buffer = value.data();
    const int32_t result = SyncWriteAppPreference(&request);
    if (result != 0) {
      PrintError("hotsync: writing the preference failed (0x%lx) %s\n",
                 static_cast<unsigned long>(result), HsGetLastErrorText());
      return 1;
    }
    return session.End() ? 0 : 1;
  }
  Bytes buffer(0xFFFF);
  request.requestedSize = 0xFFFF;
  request.bufferSize = 0xFFFF;
  request.buffer = buffer.data();
  const int32_t result = SyncReadAppPreference(&request);
  if (result == kSyncErrNotFound) {
    char folder[1024] = {0};
    HsGetHandheldFolder(folder, sizeof folder);
    Print("%s preference %s id %lu: none stored on the handheld %s\n", saved ? "Saved" : "Unsaved",
          words[0].c_str(), id, folder);
    return 0;
  }
  if (result != 0) {
    PrintError("hotsync: reading the preference failed (0x%lx) %s\n",
               static_cast<unsigned long>(result), HsGetLastErrorText());
    return 1;
  }
  Print("%s preference %s id %lu: version %u, %u bytes: %s\n", saved ? "Saved" : "Unsaved",
        words[0].c_str(), id, request.version, request.returnedSize,
        Hex(buffer.data(), request.returnedSize).c_str());
  return 0;
}

int Clock(const Options& options) {
  const std::vector<std::string> words(options.words.begin() + 2, options.words.end());
  int64_t offset = 0;
  if (!words.empty()) {
    char* end = nullptr;
    if (words[0] == "offset" && words.size() == 2) {
      offset = std::strtoll(words[1].c_str(), &end, 10);
      if (*end != 0 || words[1].empty()) return UsageError("handheld clock offset takes SECONDS");
    } else if (words[0] == "set" && words.size() == 3) {
      int64_t target = 0;
      if (!ParseWallClock(words[1], words[2], &target)) {
        return UsageError("handheld clock set takes YYYY-MM-DD HH:MM[:SS]");
      }
      offset = target - LocalWallClockNow();
    } else if (words[0] != "reset" || words.size() != 1) {
      return UsageError("handheld clock takes [offset SECONDS | set YYYY-MM-DD HH:MM[:SS] | reset]");
    }
  }
  const std::string folder = HandheldFolderFor(options);
  if (folder.empty()) return 1;
  Handheld handheld(folder);
  if (!words.empty()) {
    std::string error;
    FileLock lock;
    if (!MakeFolders(folder, &error) || !lock.Acquire(JoinPath(folder, kLockFileName), &error) ||
        !handheld.WriteClockOffset(offset, &error)) {
      PrintError("hotsync: %s\n", error.c_str());
      return 1;
    }
  }
  offset = handheld.ReadClockOffset();
  Print("Handheld clock: %s (desktop %s, offset %lld seconds)\n",
        FormatWallClock(LocalWallClockNow() + offset).c_str(),
        FormatWallClock(LocalWallClockNow()).c_str(), static_cast<long long>(offset));
  return 0;
}

}  // namespace

int RunHandheldSettings(const Options& options) {
  if (options.words[1] == "prefs") return Preferences(options);
  return Clock(options);
}

}  // namespace hotsync
