// The per-synchronization link to the handheld: its clock, the desktop clock and the conversions
// between them, the date and time texts, and HotSync log entries with their mirroring into the
// conduit's files. Failing operations keep the platform code and message (ErrorInfo).
//
// Handheld seconds count from 1904-01-01 00:00 of the handheld's wall clock; desktop seconds
// from 1970-01-01; the difference is 2082844800, and conversions wrap modulo 2^32.
#ifndef REELBOX_DIAG_HANDHELD_LINK_H
#define REELBOX_DIAG_HANDHELD_LINK_H

#include <cstdint>

#include "diag/error_info.h"
#include "diag/hotsync_log_codes.h"

class Clock;

constexpr uint32_t kHandheldEpochOffset = 2082844800u;
constexpr int kDateTextSize = 50;
constexpr int kTimeDateTextSize = 100;

// The result of a HandheldLink operation whose platform call failed (0 is success); the platform
// code and message are kept in the link.
constexpr int32_t kLinkPlatformError = 999;

class HandheldLink : public ErrorInfo {
 public:
  // The desktop clock and date texts come from clock, which outlives the link.
  explicit HandheldLink(Clock& clock) : clock_(clock) {}

  // SyncReadSysDateTime unchanged (seconds since 1970). kLinkPlatformError on failure,
  // value untouched.
  virtual int32_t ReadHandheldClockRaw(uint32_t* value);
  // The handheld clock in handheld seconds. kLinkPlatformError on failure,
  // value untouched.
  virtual int32_t ReadHandheldClock(uint32_t* value);
  // The short date of handheld seconds (times before 1970 print as 1970-01-01) into a buffer of
  // kDateTextSize bytes.
  virtual int32_t FormatDate(uint32_t handheld_seconds, char* buffer);
  // The handheld seconds of the date in a typed text (month, day, year), near local noon.
  virtual int32_t ParseDate(const char* text, uint32_t* value);
  // The same for a date already read as numbers (the year as typed: ParseDate's window applies).
  // REQUIRES: month and day are not both 0 (ParseDate then reads the text otherwise).
  int32_t ParseDateNumbers(int32_t month, int32_t day, int32_t typed_year, uint32_t* value);
  // Adds an entry to the HotSync log and mirrors it into the debug and sync logs (not for -10).
  virtual void AddHotSyncLogEntry(const char* text, LogCode code, uint8_t flag);
  // Desktop seconds, UTC.
  virtual int32_t DesktopTimeNow(uint32_t* value);
  // Desktop seconds, local time.
  virtual int32_t LocalTimeNow(uint32_t* value);
  virtual uint32_t DesktopToHandheld(uint32_t desktop_seconds);
  virtual uint32_t HandheldToDesktop(uint32_t handheld_seconds);
  // "h':'mm tt" time, a space, the short date, into a buffer of kTimeDateTextSize bytes.
  virtual int32_t FormatTimeDate(uint32_t handheld_seconds, char* buffer);

  // Records a platform code with the "unexpected Palm error" message.
  void SetPalmError(uint32_t code);

 private:
  // The handheld seconds of the date near local noon.
  void DateNearNoon(int32_t year, int32_t month, int32_t day, uint32_t* value);

  Clock& clock_;
};

#endif  // REELBOX_DIAG_HANDHELD_LINK_H
