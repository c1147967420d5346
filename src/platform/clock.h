// The desktop clock, local time conversion and the locale's date and time pictures.
//
// Conduit code reads the time only through this service, so tests can fix the clock or the time
// zone. Calendar fields are plain numbers (no struct tm): the win32 implementation converts with
// the system's time-zone rules and never with the C runtime, whose TZ parsing differs from the
// system's. Used from one thread at a time.
#ifndef REELBOX_PLATFORM_CLOCK_H
#define REELBOX_PLATFORM_CLOCK_H

#include <cstdint>
#include <memory>

#include "platform/civil_time.h"

class Clock {
 public:
  Clock() = default;
  Clock(const Clock&) = delete;
  Clock& operator=(const Clock&) = delete;
  virtual ~Clock() = default;

  // Seconds since 1970-01-01 00:00 UTC.
  virtual int64_t NowUtc() = 0;

  // A UTC time in 100-nanosecond units since 1601-01-01 shifted to local time by the bias in
  // force now (not the one at that time), as FileTimeToLocalFileTime does. Returns false and
  // leaves *local unchanged when the conversion fails.
  virtual bool FileTimeToLocal(uint64_t utc, uint64_t* local) = 0;

  // Local wall-clock time to seconds since 1970 UTC, as mktime does: fields out of range are
  // normalised (2/30 becomes 3/2) and written back into *local; whether daylight saving time
  // applies is decided by the conversion. Returns false when the zone rules cannot convert.
  virtual bool LocalToUtc(CivilTime* local, int64_t* utc) = 0;

  // As LocalToUtc, for a caller that converted a time with LocalToUtc before and does not follow a
  // change of the time zone since (an import file is read in one zone): the clock may skip looking
  // at the zone setting again.
  virtual bool LocalToUtcInSameZone(CivilTime* local, int64_t* utc) { return LocalToUtc(local, utc); }

  // The date in the user's short date format (POSIX: M/d/yyyy), NUL-terminated, at most size
  // bytes. Returns the bytes written including the terminator, 0 on failure.
  // REQUIRES: date holds a valid calendar date.
  virtual int FormatShortDate(const CivilTime& date, char* buffer, int size) = 0;

  // The time of day in the given picture (h, hh, H, HH, m, mm, s, ss, t, tt, quoted text) with
  // the user's AM/PM designators (POSIX: AM and PM). Result as FormatShortDate.
  virtual int FormatTime(const CivilTime& time, const char* picture, char* buffer, int size) = 0;

  // Milliseconds since an arbitrary start; wraps at 2^32.
  virtual uint32_t TickCount() = 0;
};

// The implementation of this target.
std::unique_ptr<Clock> NewPlatformClock();

#endif  // REELBOX_PLATFORM_CLOCK_H
