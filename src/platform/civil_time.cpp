#include "platform/civil_time.h"

namespace {

int64_t FloorDiv(int64_t a, int64_t b) { return (a >= 0 ? a : a - (b - 1)) / b; }

// The days since 0000-03-01 as a date. Every date of the files and the handheld falls in 32 bits,
// where a 32-bit target divides without a call into the runtime.
void CivilFromShiftedDays(uint32_t z, CivilTime* date) {
  const uint32_t era = z / 146097;
  const uint32_t doe = z - era * 146097;
  const uint32_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const uint32_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const uint32_t mp = (5 * doy + 2) / 153;
  const uint32_t m = mp < 10 ? mp + 3 : mp - 9;
  date->year = static_cast<int32_t>(yoe + era * 400 + (m <= 2 ? 1 : 0));
  date->month = static_cast<int32_t>(m);
  date->day = static_cast<int32_t>(doy - (153 * mp + 2) / 5 + 1);
}

constexpr int64_t kShift = 719468;  // days from 0000-03-01 to 1970-01-01

}  // namespace

// Howard Hinnant's civil-date algorithms: exact for every proleptic Gregorian date.
int64_t DaysFromCivil(int32_t year, int32_t month, int32_t day) {
  if (year >= 1 && year <= 1000000 && month >= 1 && month <= 12 && day >= 1 && day <= 1000000) {
    const uint32_t y = static_cast<uint32_t>(year) - (month <= 2 ? 1 : 0);
    const uint32_t era = y / 400;
    const uint32_t yoe = y - era * 400;
    const uint32_t mp = static_cast<uint32_t>(month + 9) % 12;
    const uint32_t doy = (153 * mp + 2) / 5 + static_cast<uint32_t>(day) - 1;
    const uint32_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return static_cast<int64_t>(era) * 146097 + static_cast<int64_t>(doe) - kShift;
  }
  int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
  int64_t era = FloorDiv(y, 400);
  int64_t yoe = y - era * 400;
  int64_t mp = (month + 9) % 12;
  int64_t doy = (153 * mp + 2) / 5 + day - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - kShift;
}

void CivilFromDays(int64_t days, CivilTime* date) {
  if (days >= -kShift && days <= int64_t{UINT32_MAX} - kShift) {
    CivilFromShiftedDays(static_cast<uint32_t>(days + kShift), date);
    return;
  }
  int64_t z = days + kShift;
  int64_t era = FloorDiv(z, 146097);
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t d = doy - (153 * mp + 2) / 5 + 1;
  int64_t m = mp < 10 ? mp + 3 : mp - 9;
  date->year = static_cast<int32_t>(yoe + era * 400 + (m <= 2 ? 1 : 0));
  date->month = static_cast<int32_t>(m);
  date->day = static_cast<int32_t>(d);
}

CivilTime CivilFromSeconds(int64_t seconds) {
  CivilTime t;
  // From 1901 to 2106 in 32-bit arithmetic.
  if (seconds >= INT32_MIN && seconds <= int64_t{UINT32_MAX}) {
    uint32_t days;
    uint32_t rest;
    if (seconds >= 0) {
      const uint32_t s = static_cast<uint32_t>(seconds);
      days = s / 86400 + static_cast<uint32_t>(kShift);
      rest = s % 86400;
    } else {
      const uint32_t before = static_cast<uint32_t>(-seconds);
      const uint32_t whole = (before + 86399) / 86400;
      days = static_cast<uint32_t>(kShift) - whole;
      rest = whole * 86400 - before;
    }
    CivilFromShiftedDays(days, &t);
    t.hour = static_cast<int32_t>(rest / 3600);
    t.minute = static_cast<int32_t>(rest / 60 % 60);
    t.second = static_cast<int32_t>(rest % 60);
    return t;
  }
  int64_t days = FloorDiv(seconds, 86400);
  int64_t rest = seconds - days * 86400;
  CivilFromDays(days, &t);
  t.hour = static_cast<int32_t>(rest / 3600);
  t.minute = static_cast<int32_t>(rest / 60 % 60);
  t.second = static_cast<int32_t>(rest % 60);
  return t;
}

int64_t SecondsFromCivil(const CivilTime& t) {
  return DaysFromCivil(t.year, t.month, t.day) * 86400 + int64_t{t.hour} * 3600 +
         int64_t{t.minute} * 60 + t.second;
}

void NormalizeCivilTime(CivilTime* t) {
  // A time that is already normal comes back as it is: the dates of an import mostly are.
  static const int8_t kMonthDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (t->month >= 1 && t->month <= 12 && t->day >= 1 && t->day <= kMonthDays[t->month - 1] && t->hour >= 0 &&
      t->hour < 24 && t->minute >= 0 && t->minute < 60 && t->second >= 0 && t->second < 60 &&
      (t->month != 2 || t->day <= 28 || (t->year % 4 == 0 && (t->year % 100 != 0 || t->year % 400 == 0))))
    return;
  // Month first (it fixes the year), then everything else as a count of seconds from day 1.
  int64_t months = int64_t{t->year} * 12 + (int64_t{t->month} - 1);
  int64_t year = FloorDiv(months, 12);
  int32_t month = static_cast<int32_t>(months - year * 12 + 1);
  int64_t seconds = (DaysFromCivil(static_cast<int32_t>(year), month, 1) + (int64_t{t->day} - 1)) * 86400 +
                    int64_t{t->hour} * 3600 + int64_t{t->minute} * 60 + t->second;
  *t = CivilFromSeconds(seconds);
}
