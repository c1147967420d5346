#include "platform/clock.h"

namespace {

int64_t FloorDiv(int64_t a, int64_t b) { return (a >= 0 ? a : a - (b - 1)) / b; }

}  // namespace

// Howard Hinnant's civil-date algorithms: exact for every proleptic Gregorian date.
int64_t DaysFromCivil(int32_t year, int32_t month, int32_t day) {
  int64_t y = static_cast<int64_t>(year) - (month <= 2 ? 1 : 0);
  int64_t era = FloorDiv(y, 400);
  int64_t yoe = y - era * 400;
  int64_t mp = (month + 9) % 12;
  int64_t doy = (153 * mp + 2) / 5 + day - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t days, CivilTime* date) {
  int64_t z = days + 719468;
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
