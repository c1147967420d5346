#include "conduit/conduit_prefs.h"

#include <cstring>
#include <memory>

#include "diag/desktop_path.h"
#include "platform/env.h"
#include "platform/files.h"

namespace {

constexpr const char kNewPrefsSuffix[] = ".new";
// A record of 20 bytes takes at most 40 bytes in the file.
constexpr size_t kMaxFileBytes = 2 * kConduitPrefsSize;

void PutLe(uint8_t* p, uint32_t value, int width) {
  for (int i = 0; i < width; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetLe(const uint8_t* p, int width) {
  uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = (value << 8) | p[i];
  return value;
}

void ToBytes(const ConduitPrefs& prefs, uint8_t* bytes) {
  PutLe(bytes + 0, prefs.version, 2);
  PutLe(bytes + 2, prefs.spare, 2);
  PutLe(bytes + 4, prefs.flags, 4);
  PutLe(bytes + 8, prefs.eventsInterval, 4);
  PutLe(bytes + 12, prefs.lastEventsRun, 4);
  PutLe(bytes + 16, prefs.logLevel, 4);
}

void FromBytes(const uint8_t* bytes, ConduitPrefs* prefs) {
  prefs->version = static_cast<uint16_t>(GetLe(bytes + 0, 2));
  prefs->spare = static_cast<uint16_t>(GetLe(bytes + 2, 2));
  prefs->flags = GetLe(bytes + 4, 4);
  prefs->eventsInterval = GetLe(bytes + 8, 4);
  prefs->lastEventsRun = GetLe(bytes + 12, 4);
  prefs->logLevel = GetLe(bytes + 16, 4);
}

bool PrefsPath(const FileSystem& files, const char* folder, std::string* path) {
  return MakeDesktopPathOrReport(files, folder ? folder : "", kPrefsFileName, path);
}

}  // namespace

std::string EncodeConduitPrefs(const ConduitPrefs& prefs) {
  uint8_t bytes[kConduitPrefsSize];
  ToBytes(prefs, bytes);
  std::string out;
  for (uint8_t b : bytes) {
    if (b == 0x0A) out += '\r';
    out += static_cast<char>(b);
  }
  return out;
}

size_t DecodeConduitPrefs(const uint8_t* data, size_t size, ConduitPrefs* prefs) {
  uint8_t bytes[kConduitPrefsSize] = {};
  size_t filled = 0;
  for (size_t i = 0; i < size && filled < kConduitPrefsSize; ++i) {
    if (data[i] == 0x0D && i + 1 < size && data[i + 1] == 0x0A) ++i;
    bytes[filled++] = data[i];
  }
  FromBytes(bytes, prefs);
  return filled;
}

void ValidateConduitPrefs(ConduitPrefs* prefs, size_t bytes_read) {
  if (bytes_read == kConduitPrefsSize) {
    if (prefs->version == kConduitPrefsVersion) return;
    if (prefs->version == 2) {
      prefs->version = kConduitPrefsVersion;
      prefs->flags |= kPrefsFlagMyMoviesOn;
      return;
    }
  }
  prefs->version = kConduitPrefsVersion;
  prefs->logLevel = 4;
  prefs->eventsInterval = kDefaultEventsInterval;
  prefs->flags = kPrefsFlagEventsScheduled | kPrefsFlagMyMoviesOn;
}

void ReadConduitPrefs(FileSystem& files, ConduitPrefs* prefs, const char* folder) {
  std::memset(prefs, 0, sizeof *prefs);
  uint8_t data[kMaxFileBytes];
  size_t got = 0;
  std::unique_ptr<File> file;
  std::string path;
  if (PrefsPath(files, folder, &path) && files.OpenFile(path, FileMode::kReadExisting, &file) == 0) {
    if (file->Read(data, sizeof data, &got) != 0) got = 0;
    file->Close();
  }
  size_t filled = DecodeConduitPrefs(data, got, prefs);
  ValidateConduitPrefs(prefs, filled);
}

void WriteConduitPrefs(FileSystem& files, const ConduitPrefs& prefs, const char* folder) {
  std::string path;
  if (!PrefsPath(files, folder, &path)) return;
  std::string fresh = path + kNewPrefsSuffix;
  std::unique_ptr<File> file;
  if (files.OpenFile(fresh, FileMode::kWriteCreateAlways, &file) != 0) return;
  std::string bytes = EncodeConduitPrefs(prefs);
  size_t written = 0;
  uint32_t error = file->Write(bytes.data(), bytes.size(), &written);
  if (error == 0) error = file->Flush();
  uint32_t closed = file->Close();
  if (error == 0 && closed == 0 && written == bytes.size()) {
    if (files.AtomicReplace(fresh, path) == 0) return;
  }
  files.RemoveFile(fresh);
}
