// One synchronization from start to end: the log files, the desktop and handheld preferences,
// the two jobs (the movie list import/export when switched on, the movie events when their
// schedule says they are due), and the closing lines. The jobs receive the driver and use it for
// status reports, HotSync log entries, the cancelled flag, the preferences and the handheld link.
#ifndef REELBOX_CONDUIT_SYNC_DRIVER_H
#define REELBOX_CONDUIT_SYNC_DRIVER_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "conduit/conduit_prefs.h"
#include "diag/handheld_link.h"
#include "diag/job_context.h"
#include "diag/sync_log.h"

class Env;

// The HotSync manager's progress function: shows a status text; non-zero asks to stop.
typedef int32_t (*ProgressCallback)(const char* text);

constexpr size_t kSyncPropertiesSize = 1198;
// The synchronization properties as the HotSync manager passes them: an opaque block whose first
// 32-bit word is the action (6: do nothing) and whose text at offset 4 is the conduit's folder.
struct SyncProperties {
  uint8_t bytes[kSyncPropertiesSize];
};
static_assert(sizeof(SyncProperties) == kSyncPropertiesSize, "SyncProperties is 1198 bytes");

constexpr size_t kFolderOffset = 4;

struct SyncInput {
  ProgressCallback progress;
  SyncProperties properties;
};

// The conduit's folder text of a properties block: up to its terminator, and never past the
// block's end when the text is unterminated.
std::string FolderOfProperties(const SyncProperties& properties);

class SyncDriver : public JobContext {
 public:
  // env's services serve the whole synchronization; env outlives the driver.
  explicit SyncDriver(Env& env);
  SyncDriver(const SyncDriver&) = delete;
  SyncDriver& operator=(const SyncDriver&) = delete;
  ~SyncDriver() override;

  // The whole synchronization. 0 success, 10 cancelled (before or during a job), -1 unusable
  // handheld preference, otherwise the movie events job's non-zero result.
  int32_t RunSynchronization(const SyncInput& input);

  // Fills the driver from the input, the preferences file and the handheld: 0, or -1 when the
  // handheld application's preference is unusable (reported).
  int32_t LoadSettings(const SyncInput& input);
  // Writes the handheld preference, then the preferences file; the handheld write's result.
  int32_t SaveSettings();
  // The movie events job; 9 with its entry when memory ran out in it.
  // *none_fetched: no list could be downloaded.
  JobResult RunEventsJob(bool* none_fetched);

  // Shows text (null: "working.") through the progress callback and yields to the HotSync
  // manager. False when the user asked to stop; the cancelled flag then stays set.
  bool ReportStatus(const char* text) override;
  void AddHotSyncLogEntry(const char* text, LogCode code, uint8_t flag) override;

  // The handheld application's preference record (creator "KVRT", id 4): 0 (read, or absent: 0),
  // or -1 (failure, reported with code 8).
  int32_t ReadDevicePreference(uint16_t* value);
  // Writes value as a version 1 record: 0, or -1 (failure, reported with code 11).
  int32_t WriteDevicePreference(const uint16_t* value);

  bool Cancelled() const override { return cancelled_; }
  uint16_t GetDevicePreference() const override { return device_preference_; }
  void SetDevicePreference(uint16_t value) override { device_preference_ = value; }
  ConduitPrefs& Prefs() { return prefs_; }
  // Big-endian as stored on the handheld; the import/export job converts it.
  uint16_t& DevicePreference() { return device_preference_; }
  HandheldLink& Link() override { return *link_; }
  Env& Environment() override { return env_; }
  uint32_t HandheldClockAtStart() const { return handheld_clock_at_start_; }
  const std::string& ConduitFolder() const { return folder_; }

 private:
  Env& env_;
  std::unique_ptr<HandheldLink> link_;
  ProgressCallback progress_ = nullptr;
  SyncProperties properties_;
  std::string folder_;
  bool cancelled_ = false;
  ConduitPrefs prefs_;
  uint16_t device_preference_ = 0;
  uint32_t handheld_clock_at_start_ = 0;
};

// Constructs a driver on env and runs one synchronization on the input.
int32_t RunSynchronization(Env& env, const SyncInput& input);

#endif  // REELBOX_CONDUIT_SYNC_DRIVER_H
