// Calendar dates and times of day as plain numbers, and the arithmetic between them and seconds
// since 1970, the same on every target (no C runtime time functions).
#ifndef REELBOX_PLATFORM_CIVIL_TIME_H
#define REELBOX_PLATFORM_CIVIL_TIME_H

#include <cstdint>

// A calendar date and time of day; month 1..12, day 1..31.
struct CivilTime {
  int32_t year = 1970;
  int32_t month = 1;
  int32_t day = 1;
  int32_t hour = 0;
  int32_t minute = 0;
  int32_t second = 0;
};

// Normalises out-of-range fields (month 13, day 0, hour 25 ...) into a valid calendar time.
void NormalizeCivilTime(CivilTime* time);
// Days since 1970-01-01 of a valid date, and back.
int64_t DaysFromCivil(int32_t year, int32_t month, int32_t day);
void CivilFromDays(int64_t days, CivilTime* date);
// UTC breakdown of seconds since 1970 (any 64-bit value of a representable year).
CivilTime CivilFromSeconds(int64_t seconds);
int64_t SecondsFromCivil(const CivilTime& time);

#endif  // REELBOX_PLATFORM_CIVIL_TIME_H
