#include "diag/handheld_link.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "diag/hotsync_log_codes.h"
#include "diag/sync_log.h"
#include "hotsync_api.h"
#include "platform/clock.h"

namespace {

constexpr uint64_t kUnitsPerSecond = 10000000;
constexpr uint64_t kSecondsFrom1601To1970 = 11644473600ULL;
constexpr const char kTimePicture[] = "h':'mm tt";
// Numbers in a typed date are capped so that no later arithmetic can overflow.
constexpr uint32_t kNumberCap = 999999999;

uint32_t DesktopSecondsOf(uint32_t handheld_seconds) {
  return handheld_seconds >= kHandheldEpochOffset ? handheld_seconds - kHandheldEpochOffset : 0;
}

// Skips what is not a digit, then reads the run of digits; 0 when no digit is left.
uint32_t NextNumber(const char** cursor) {
  const char* p = *cursor;
  while (*p && !std::isdigit(static_cast<unsigned char>(*p))) ++p;
  uint32_t value = 0;
  while (std::isdigit(static_cast<unsigned char>(*p))) {
    if (value <= kNumberCap) value = value * 10 + static_cast<uint32_t>(*p - '0');
    ++p;
  }
  *cursor = p;
  return value > kNumberCap ? kNumberCap : value;
}

// One scanf "%i": optional white space, sign, and a 0x (hex) or 0 (octal) prefix.
bool ScanInt(const char** cursor, int32_t* value) {
  const char* p = *cursor;
  while (std::isspace(static_cast<unsigned char>(*p))) ++p;
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(p, &end, 0);
  if (end == p) return false;
  if (v > kNumberCap) v = kNumberCap;
  if (v < -static_cast<long long>(kNumberCap)) v = -static_cast<long long>(kNumberCap);
  *value = static_cast<int32_t>(v);
  *cursor = end;
  return true;
}

// "%i<sep1>%i<sep2>%i" with literal separators; true when all three numbers were read.
bool ScanThree(const char* text, char sep1, char sep2, int32_t* a, int32_t* b, int32_t* c) {
  const char* p = text;
  if (!ScanInt(&p, a) || *p++ != sep1) return false;
  if (!ScanInt(&p, b) || *p++ != sep2) return false;
  return ScanInt(&p, c);
}

int32_t WindowYear(int32_t year) {
  if (year < 70) return year + 2000;
  if (year < 100) return year + 1900;
  return year;
}

bool IsLeapYear(int32_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

bool SameDate(const CivilTime& a, const CivilTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}

bool EarlierDate(const CivilTime& a, const CivilTime& b) {
  if (a.year != b.year) return a.year < b.year;
  if (a.month != b.month) return a.month < b.month;
  return a.day < b.day;
}

}  // namespace

int32_t HandheldLink::ReadHandheldClockRaw(uint32_t* value) {
  ClearError();
  uint32_t clock = 0;
  int32_t error = SyncReadSysDateTime(&clock);
  if (error != 0) {
    SetPalmError(static_cast<uint32_t>(error));
    return kLinkPlatformError;
  }
  *value = clock;
  return 0;
}

int32_t HandheldLink::ReadHandheldClock(uint32_t* value) {
  uint32_t raw = 0;
  int32_t result = ReadHandheldClockRaw(&raw);
  if (result == 0) *value = raw + kHandheldEpochOffset;
  return result;
}

void HandheldLink::AddHotSyncLogEntry(const char* text, LogCode code, uint8_t flag) {
  const char* entry = text ? text : "";
  LogAddEntry(entry, TranslateLogCode(code), flag);
  if (code == LogCode::kFromSyncLog) return;
  const char* kind = LogKindText(code);
  LogDebug("LOG (%lu-'%s') - %s\n", static_cast<unsigned long>(static_cast<uint32_t>(static_cast<int32_t>(code))), kind, entry);
  const char* separator = (*kind != '\0' && *entry != '\0') ? ":" : "";
  LogSync("%s %s %s\n", kind, separator, entry);
}

uint32_t HandheldLink::DesktopToHandheld(uint32_t desktop_seconds) {
  return desktop_seconds + kHandheldEpochOffset;
}

uint32_t HandheldLink::HandheldToDesktop(uint32_t handheld_seconds) {
  return handheld_seconds - kHandheldEpochOffset;
}

void HandheldLink::SetPalmError(uint32_t code) {
  SetError(static_cast<int32_t>(code), "An unexpected Palm error occured (%lu)",
           static_cast<unsigned long>(code));
}

// Desktop time and date texts.

int32_t HandheldLink::DesktopTimeNow(uint32_t* value) {
  *value = static_cast<uint32_t>(clock_.NowUtc());
  return 0;
}

int32_t HandheldLink::LocalTimeNow(uint32_t* value) {
  uint32_t utc = 0;
  DesktopTimeNow(&utc);
  uint64_t units = (utc + kSecondsFrom1601To1970) * kUnitsPerSecond;
  uint64_t local = units;
  if (!clock_.FileTimeToLocal(units, &local)) local = units;
  *value = static_cast<uint32_t>((local - kSecondsFrom1601To1970 * kUnitsPerSecond) / kUnitsPerSecond);
  return 0;
}

int32_t HandheldLink::FormatDate(uint32_t handheld_seconds, char* buffer) {
  ClearError();
  if (buffer == nullptr) return 0;
  // A full 64-bit breakdown, so handheld times after 2038 print their real date.
  CivilTime date = CivilFromSeconds(DesktopSecondsOf(handheld_seconds));
  date.hour = 12;
  date.minute = 0;
  date.second = 0;
  if (clock_.FormatShortDate(date, buffer, kDateTextSize) == 0) buffer[0] = '\0';
  return 0;
}

int32_t HandheldLink::FormatTimeDate(uint32_t handheld_seconds, char* buffer) {
  ClearError();
  if (buffer == nullptr) return 0;
  CivilTime time = CivilFromSeconds(DesktopSecondsOf(handheld_seconds));
  char date[kDateTextSize];
  FormatDate(handheld_seconds, date);
  if (clock_.FormatTime(time, kTimePicture, buffer, kDateTextSize) == 0) buffer[0] = '\0';
  size_t used = std::strlen(buffer);
  size_t room = static_cast<size_t>(kTimeDateTextSize) - used - 1;
  std::strncat(buffer, " ", room);
  std::strncat(buffer, date, room > 0 ? room - 1 : 0);
  return 0;
}

int32_t HandheldLink::ParseDate(const char* text, uint32_t* value) {
  ClearError();
  if (text == nullptr || *text == '\0') {
    *value = 0;
    return 0;
  }
  const char* p = text;
  int32_t month = static_cast<int32_t>(NextNumber(&p));
  int32_t day = static_cast<int32_t>(NextNumber(&p));
  int32_t year = WindowYear(static_cast<int32_t>(NextNumber(&p)));
  if (month == 0 && day == 0) {
    if (ScanThree(text, '/', '/', &month, &day, &year) || ScanThree(text, '/', '\'', &month, &day, &year)) {
      year = WindowYear(year);
    } else {
      month = 1;
      day = 1;
      year = 1970;
    }
  }
  DateNearNoon(year, month, day, value);
  return 0;
}

int32_t HandheldLink::ParseDateNumbers(int32_t month, int32_t day, int32_t typed_year, uint32_t* value) {
  ClearError();
  DateNearNoon(WindowYear(typed_year), month, day, value);
  return 0;
}

void HandheldLink::DateNearNoon(int32_t year, int32_t month, int32_t day, uint32_t* value) {
  CivilTime wanted;
  wanted.year = year;
  wanted.month = month;
  wanted.day = day;
  wanted.hour = 12;
  int64_t t = 0;
  if (!clock_.LocalToUtc(&wanted, &t)) {
    // Beyond what the zone rules convert: the date of an unreadable text.
    wanted = CivilTime();
    wanted.hour = 12;
    t = 12 * 3600;
  }
  *value = static_cast<uint32_t>(t) + kHandheldEpochOffset;
  // Move the local hour until the UTC date is the wanted one; whole dates are compared, so the
  // first of a month is found in zones far east of UTC as well. A real date is compared by its day
  // number, without breaking the time down.
  static const int8_t kMonthDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool real = wanted.month >= 1 && wanted.month <= 12 && wanted.day >= 1 &&
                    wanted.day <= kMonthDays[wanted.month - 1] &&
                    (wanted.month != 2 || wanted.day <= 28 || IsLeapYear(wanted.year));
  const int64_t wanted_day = real ? DaysFromCivil(wanted.year, wanted.month, wanted.day) : 0;
  CivilTime local = wanted;
  for (int i = 0; i < 12; ++i) {
    bool same;
    bool earlier;
    if (real) {
      // Dates up to 2106 divide in 32 bits (a call into the runtime on a 32-bit target otherwise).
      const int64_t utc_day = t >= 0 && t <= int64_t{UINT32_MAX} ? int64_t{static_cast<uint32_t>(t) / 86400u}
                              : t >= 0                             ? t / 86400
                                                                   : -((-t + 86399) / 86400);
      same = utc_day == wanted_day;
      earlier = utc_day < wanted_day;
    } else {
      CivilTime utc = CivilFromSeconds(t);
      same = SameDate(utc, wanted);
      earlier = EarlierDate(utc, wanted);
    }
    if (same) break;
    local.hour += earlier ? 1 : -1;
    CivilTime attempt = local;
    if (!clock_.LocalToUtc(&attempt, &t)) break;
    *value = static_cast<uint32_t>(t) + kHandheldEpochOffset;
  }
}
