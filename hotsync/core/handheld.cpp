#include "core/handheld.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "core/file_names.h"
#include "hotsync_session.h"
#include "platform/clock.h"
#include "platform/host.h"

namespace hotsync {
namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

std::string Handheld::PathFor(const std::string& name, bool resource) const {
  return JoinPath(folder_, EncodeDatabaseFileName(name) + (resource ? ".prc" : ".pdb"));
}

int32_t Handheld::Locate(const std::string& name, std::string* path) const {
  for (bool resource : {false, true}) {
    std::string candidate = PathFor(name, resource);
    if (FileExists(candidate)) {
      *path = candidate;
      return 0;
    }
  }
  return kSyncErrNotFound;
}

int32_t Handheld::Load(const std::string& path, PalmDatabase* db, std::string* error) const {
  FileBytes file;
  if (!ReadWholeFile(path, &file, error)) return kHsErrIo;
  if (!ParsePalmDatabase(SharedBytes(std::move(file.data), file.size), path, db, error)) return kHsErrDamaged;
  return 0;
}

int32_t Handheld::Store(const std::string& path, const PalmDatabase& db, Faults* faults,
                        std::string* error) const {
  if (int32_t code = faults->Check("WriteBack")) {
    if (code == kHsFaultCrash) WriteHalfAndTerminate(path, SerializePalmDatabase(db));
    *error = "write-back of \"" + path + "\" failed (injected fault)";
    return code;
  }
  // Written from the records where they are: a full handheld database is not copied first.
  const Bytes head = PalmDatabaseHead(db);
  std::vector<ByteSpan> pieces;
  pieces.reserve(4 + db.records.size() + db.resources.size());
  pieces.push_back({head.data(), head.size()});
  pieces.push_back({db.gap.data(), db.gap.size()});
  if (db.hasAppInfo) pieces.push_back({db.appInfo.data(), db.appInfo.size()});
  if (db.hasSortInfo) pieces.push_back({db.sortInfo.data(), db.sortInfo.size()});
  if (db.IsResourceDatabase()) {
    for (const PalmResource& resource : db.resources) pieces.push_back({resource.data.data(), resource.data.size()});
  } else {
    for (const PalmRecord& record : db.records) pieces.push_back({record.data.data(), record.data.size()});
  }
  if (!ReplaceFileAtomically(path, pieces, error)) return kHsErrIo;
  return 0;
}

std::vector<std::string> Handheld::DatabaseFiles() const {
  std::vector<std::string> names;
  std::vector<std::string> files;
  std::string error;
  if (!ListFiles(folder_, &files, &error)) return names;
  for (const std::string& file : files) {
    if (EndsWith(file, ".pdb") || EndsWith(file, ".prc")) names.push_back(file);
  }
  return names;
}

void Handheld::RemoveLeftovers() const {
  std::vector<std::string> files;
  std::string error;
  if (!ListFiles(folder_, &files, &error)) return;
  for (const std::string& file : files) {
    if (EndsWith(file, ".pdb.tmp") || EndsWith(file, ".prc.tmp")) {
      RemoveFile(JoinPath(folder_, file));
    }
  }
}

int64_t Handheld::ReadClockOffset() const {
  Bytes data;
  std::string error;
  if (!ReadWholeFile(JoinPath(folder_, kClockFileName), &data, &error)) return 0;
  std::string text(data.begin(), data.end());
  const std::string key = "offset ";
  if (text.compare(0, key.size(), key) != 0) return 0;
  return std::strtoll(text.c_str() + key.size(), nullptr, 10);
}

bool Handheld::WriteClockOffset(int64_t seconds, std::string* error) const {
  std::string text = "offset " + std::to_string(seconds) + "\n";
  return ReplaceFileAtomically(JoinPath(folder_, kClockFileName), Bytes(text.begin(), text.end()),
                               error);
}

std::string FormatWallClock(int64_t seconds) {
  const CivilTime t = CivilFromSeconds(seconds);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", static_cast<int>(t.year),
                static_cast<int>(t.month), static_cast<int>(t.day), static_cast<int>(t.hour),
                static_cast<int>(t.minute), static_cast<int>(t.second));
  return text;
}

uint32_t HandheldSecondsNow(int64_t offset) {
  const int64_t seconds1970 = LocalWallClockNow() + offset;
  return static_cast<uint32_t>(seconds1970 + 2082844800LL);
}

}  // namespace hotsync
