// The desktop preferences: which jobs run, the movie event schedule with its last run, and the
// log level. Kept as a 20-byte little-endian record in "KVRTPrefs.txt" in the conduit's folder,
// where each byte 0x0A of the record is stored as 0x0D 0x0A.
#ifndef REELBOX_CONDUIT_CONDUIT_PREFS_H
#define REELBOX_CONDUIT_CONDUIT_PREFS_H

#include <cstddef>
#include <cstdint>
#include <string>

class FileSystem;

struct ConduitPrefs {
  uint16_t version;
  uint16_t spare;
  uint32_t flags;
  uint32_t eventsInterval;
  uint32_t lastEventsRun;
  uint32_t logLevel;
};
static_assert(sizeof(ConduitPrefs) == 20, "ConduitPrefs is a 20-byte record");

constexpr size_t kConduitPrefsSize = 20;
constexpr uint16_t kConduitPrefsVersion = 3;
constexpr uint32_t kPrefsFlagEventsScheduled = 0x1;
constexpr uint32_t kPrefsFlagMyMoviesOn = 0x8;
constexpr uint32_t kNoSchedule = 0xFFFFFFFFu;
constexpr uint32_t kDefaultEventsInterval = 604800;
constexpr const char kPrefsFileName[] = "KVRTPrefs.txt";

// Reads the record from the folder's preferences file. Leaves a usable record in every case: a
// missing, short or unknown-version file gives the defaults; version 2 is brought to version 3.
void ReadConduitPrefs(FileSystem& files, ConduitPrefs* prefs, const char* folder);
// Writes the record to the folder's preferences file: a new file first, which then replaces the
// old one, so the file is never left half-written. Failures are ignored.
void WriteConduitPrefs(FileSystem& files, const ConduitPrefs& prefs, const char* folder);

// The file's bytes for a record, and back. DecodeConduitPrefs fills record bytes from the file's
// bytes until the record is full or the data ends and returns the count of record bytes filled.
std::string EncodeConduitPrefs(const ConduitPrefs& prefs);
size_t DecodeConduitPrefs(const uint8_t* data, size_t size, ConduitPrefs* prefs);
// Completes a record as read: keeps version 3, migrates version 2, else applies the defaults to
// every field except the spare word and the last run.
void ValidateConduitPrefs(ConduitPrefs* prefs, size_t bytes_read);

#endif  // REELBOX_CONDUIT_CONDUIT_PREFS_H
