// The simulated handheld: a folder holding one standard Palm database file per database.
// A database "NAME" lives in "NAME.pdb" (records) or "NAME.prc" (resources), the name encoded by
// EncodeDatabaseFileName. Files are only ever replaced atomically; a file that does not parse is
// reported and never written over.
#ifndef HOTSYNC_CORE_HANDHELD_H
#define HOTSYNC_CORE_HANDHELD_H

#include <cstdint>
#include <string>
#include <vector>

#include "core/faults.h"
#include "pdb/palm_database.h"

namespace hotsync {

constexpr const char* kClockFileName = "HotSync Clock.txt";
constexpr const char* kLockFileName = "HotSync.lock";
constexpr const char* kSavedPreferencesName = "Saved Preferences";
constexpr const char* kUnsavedPreferencesName = "Unsaved Preferences";

class Handheld {
 public:
  explicit Handheld(std::string folder) : folder_(std::move(folder)) {}
  Handheld(const Handheld&) = delete;
  Handheld& operator=(const Handheld&) = delete;

  const std::string& folder() const { return folder_; }
  std::string PathFor(const std::string& name, bool resource) const;
  // 0 and *path when a file of that database exists, else kSyncErrNotFound.
  int32_t Locate(const std::string& name, std::string* path) const;
  // 0, kHsErrIo or kHsErrDamaged (with *error naming the file and the fault).
  int32_t Load(const std::string& path, PalmDatabase* db, std::string* error) const;
  // Atomic replace, through the "WriteBack" fault point: 0 or a code with *error.
  int32_t Store(const std::string& path, const PalmDatabase& db, Faults* faults,
                std::string* error) const;
  // File names of every database file, sorted.
  std::vector<std::string> DatabaseFiles() const;
  // Deletes "*.tmp" leftovers of a write-back that a crash interrupted.
  void RemoveLeftovers() const;

  // The handheld clock's offset from the desktop's local wall clock, in seconds (0 when unset).
  int64_t ReadClockOffset() const;
  bool WriteClockOffset(int64_t seconds, std::string* error) const;

 private:
  std::string folder_;
};

// "YYYY-MM-DD HH:MM:SS" of wall-clock seconds since 1970 (no time zone applied).
std::string FormatWallClock(int64_t seconds);

// Seconds since 1904-01-01 of the handheld clock for a given offset.
uint32_t HandheldSecondsNow(int64_t offset);

}  // namespace hotsync

#endif  // HOTSYNC_CORE_HANDHELD_H
