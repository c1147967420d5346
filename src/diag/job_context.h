// What a job of a synchronization needs from the driver that runs it: status reports with the
// cancel request they bring back, HotSync log entries, the handheld application's preference
// value, the link to the handheld and the services of the platform. The jobs sit below the driver
// and see it only through this interface.
#ifndef REELBOX_DIAG_JOB_CONTEXT_H
#define REELBOX_DIAG_JOB_CONTEXT_H

#include <cstdint>

#include "diag/sync_log.h"

// How a job ends. The numbers reach the HotSync manager as the synchronization's result.
enum class JobResult : int32_t {
  kDone = 0,
  kDeviceFailed = 4,       // a handheld database could not be opened or read (the events job: any failure)
  kDeviceWriteFailed = 5,  // a handheld record could not be written
  kNoMemory = 9,
  kCancelled = 10,
  kDesktopFileFailed = 11,  // an import or export file could not be opened, read or written
};

constexpr int32_t ToInt(JobResult result) { return static_cast<int32_t>(result); }

class Env;
class HandheldLink;

class JobContext : public HotSyncLogTarget {
 public:
  ~JobContext() override = default;

  // Shows text (null: "working.") through the HotSync manager's progress callback and yields to
  // it. False when the user asked to stop; Cancelled() stays true from then on.
  virtual bool ReportStatus(const char* text) = 0;
  virtual bool Cancelled() const = 0;

  // The handheld application's preference value, big-endian as the handheld stores it; the driver
  // writes it back at the end of the synchronization.
  virtual uint16_t GetDevicePreference() const = 0;
  virtual void SetDevicePreference(uint16_t value) = 0;

  // The synchronization's link to the handheld and the services the entry point handed down.
  virtual HandheldLink& Link() = 0;
  virtual Env& Environment() = 0;
};

#endif  // REELBOX_DIAG_JOB_CONTEXT_H
