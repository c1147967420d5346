#include "platform/clock.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/env.h"
#include "zone.h"
#include "support/civil.h"

namespace {

using reelbox_test::Civil;

void ExpectDate(const CivilTime& t, int32_t y, int32_t mo, int32_t d) {
  EXPECT_EQ(t.year, y);
  EXPECT_EQ(t.month, mo);
  EXPECT_EQ(t.day, d);
}

TEST(CivilTime, RoundTripsDaysAcrossCenturiesAnd2038) {
  for (int64_t days : {int64_t{-24107}, int64_t{-1}, int64_t{0}, int64_t{13236}, int64_t{24855},
                       int64_t{24856}, int64_t{25603}, int64_t{49710}}) {
    CivilTime t;
    CivilFromDays(days, &t);
    EXPECT_EQ(DaysFromCivil(t.year, t.month, t.day), days);
  }
  ExpectDate(CivilFromSeconds(0), 1970, 1, 1);
  ExpectDate(CivilFromSeconds(-2082844800LL), 1904, 1, 1);
  // One second past the end of signed 32-bit time.
  CivilTime after = CivilFromSeconds(2147483648LL);
  ExpectDate(after, 2038, 1, 19);
  EXPECT_EQ(after.hour, 3);
  EXPECT_EQ(after.minute, 14);
  EXPECT_EQ(after.second, 8);
  ExpectDate(CivilFromSeconds(4294967295LL), 2106, 2, 7);
  // Each day is the one after the day before, on both sides of the 32-bit forms' range.
  CivilTime before;
  CivilFromDays(-800000, &before);
  for (int64_t days = -799999; days <= 800000; ++days) {
    CivilTime t;
    CivilFromDays(days, &t);
    const bool next_day = t.year == before.year && t.month == before.month && t.day == before.day + 1;
    const bool next_month = t.day == 1 && ((t.year == before.year && t.month == before.month + 1) ||
                                           (t.year == before.year + 1 && t.month == 1 && before.month == 12));
    if (next_month) {
      static const int32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
      const int32_t y = before.year;
      const bool leap = y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
      ASSERT_EQ(before.day, kDays[before.month - 1] + (before.month == 2 && leap ? 1 : 0)) << days;
    }
    ASSERT_TRUE(next_day || next_month) << days;
    ASSERT_EQ(DaysFromCivil(t.year, t.month, t.day), days);
    before = t;
  }
  for (int64_t seconds : {int64_t{INT32_MIN} - 1, int64_t{INT32_MIN}, int64_t{-86401}, int64_t{-86400},
                          int64_t{-86399}, int64_t{-1}, int64_t{86399}, int64_t{UINT32_MAX},
                          int64_t{UINT32_MAX} + 1, int64_t{-100000000000}, int64_t{100000000000}}) {
    const CivilTime t = CivilFromSeconds(seconds);
    EXPECT_TRUE(t.hour >= 0 && t.hour < 24 && t.minute >= 0 && t.minute < 60 && t.second >= 0 && t.second < 60);
    EXPECT_EQ(SecondsFromCivil(t), seconds);
  }
}

TEST(CivilTime, NormalizesOutOfRangeFieldsLikeMktime) {
  CivilTime t = Civil(2006, 2, 30, 12);
  NormalizeCivilTime(&t);
  ExpectDate(t, 2006, 3, 2);
  t = Civil(2006, 0, 0, 12);
  NormalizeCivilTime(&t);
  ExpectDate(t, 2005, 11, 30);
  t = Civil(2006, 12, 31, 24);
  NormalizeCivilTime(&t);
  ExpectDate(t, 2007, 1, 1);
  EXPECT_EQ(t.hour, 0);
  t = Civil(2006, 3, 1, -1);
  NormalizeCivilTime(&t);
  ExpectDate(t, 2006, 2, 28);
  EXPECT_EQ(t.hour, 23);
}

TEST(Clock, LocalToUtcAppliesTheZoneAndNormalizes) {
  Clock& clock = Env::Default().Time();
  for (bool july : {false, true}) {
    CivilTime local = Civil(2006, july ? 7 : 1, 15, 12);
    int64_t utc = 0;
    ASSERT_TRUE(clock.LocalToUtc(&local, &utc));
    int64_t offset = 0;
    if (KnownZoneOffset(july, &offset)) {
      EXPECT_EQ(SecondsFromCivil(local) - utc, offset) << TestZone();
    }
  }
  CivilTime odd = Civil(2006, 2, 30, 12);
  int64_t utc = 0;
  ASSERT_TRUE(clock.LocalToUtc(&odd, &utc));
  ExpectDate(odd, 2006, 3, 2);
  EXPECT_EQ(odd.hour, 12);
}

#ifndef _WIN32
// The answers are kept per local time; a change of TZ must not be answered from them.
TEST(Clock, LocalToUtcFollowsAChangeOfTz) {
  const char* before = std::getenv("TZ");
  const std::string saved = before ? before : "";
  Clock& clock = Env::Default().Time();
  int64_t utc_time = 0;
  int64_t india_time = 0;
  setenv("TZ", "UTC", 1);
  CivilTime local = Civil(2026, 1, 15, 12);
  ASSERT_TRUE(clock.LocalToUtc(&local, &utc_time));
  setenv("TZ", "Asia/Kolkata", 1);
  local = Civil(2026, 1, 15, 12);
  ASSERT_TRUE(clock.LocalToUtc(&local, &india_time));
  EXPECT_EQ(utc_time - india_time, 5 * 3600 + 1800);
  unsetenv("TZ");
  local = Civil(2026, 1, 15, 12);
  int64_t unset_time = 0;
  ASSERT_TRUE(clock.LocalToUtc(&local, &unset_time));
  // Without TZ the system's own zone holds, as the C library reads it.
  tzset();
  std::tm parts = {};
  parts.tm_year = 2026 - 1900;
  parts.tm_mday = 15;
  parts.tm_hour = 12;
  parts.tm_isdst = -1;
  const int64_t system_time = static_cast<int64_t>(std::mktime(&parts));
  if (before) setenv("TZ", saved.c_str(), 1);
  tzset();
  EXPECT_EQ(unset_time, system_time);
}

// Runs of neighbouring dates are answered from stretches of one offset; the summer-time switches
// must still be seen, whichever way the run goes.
TEST(Clock, LocalToUtcMatchesMktimeDayByDayAcrossSummerTime) {
  const char* before = std::getenv("TZ");
  const std::string saved = before ? before : "";
  Clock& clock = Env::Default().Time();
  for (const char* zone : {"America/New_York", "Australia/Sydney"}) {
    setenv("TZ", zone, 1);
    tzset();
    for (int step : {1, -1, 3}) {
      for (int n = 0; n < 400; ++n) {
        const int day = step > 0 ? n * step : 400 - n;
        for (int hour : {12, 1}) {
          CivilTime local = Civil(2025, 1, 1 + day, hour);
          int64_t utc = 0;
          ASSERT_TRUE(clock.LocalToUtc(&local, &utc));
          std::tm parts = {};
          parts.tm_year = 2025 - 1900;
          parts.tm_mday = 1 + day;
          parts.tm_hour = hour;
          parts.tm_isdst = -1;
          ASSERT_EQ(utc, static_cast<int64_t>(std::mktime(&parts))) << zone << " day " << day << " hour " << hour;
        }
      }
    }
  }
  if (before) setenv("TZ", saved.c_str(), 1); else unsetenv("TZ");
  tzset();
}
#endif

TEST(Clock, LocalToUtcWorksAfter2038) {
  CivilTime local = Civil(2040, 1, 15, 12);
  int64_t utc = 0;
  ASSERT_TRUE(Env::Default().Time().LocalToUtc(&local, &utc));
  int64_t offset = 0;
  if (KnownZoneOffset(false, &offset)) {
    EXPECT_EQ(SecondsFromCivil(local) - utc, offset);
  }
  EXPECT_GT(utc, 2147483647LL);
}

TEST(Clock, FileTimeToLocalShiftsByTheCurrentBias) {
  Clock& clock = Env::Default().Time();
  uint64_t utc = (static_cast<uint64_t>(clock.NowUtc()) + 11644473600ULL) * 10000000ULL;
  uint64_t local = 0;
  ASSERT_TRUE(clock.FileTimeToLocal(utc, &local));
  int64_t shift = (static_cast<int64_t>(local) - static_cast<int64_t>(utc)) / 10000000;
  std::string zone = TestZone();
  if (zone == "Pacific/Kiritimati") {
    EXPECT_EQ(shift, 14 * 3600);
  }
  if (zone == "America/Adak") {
    EXPECT_TRUE(shift == -10 * 3600 || shift == -9 * 3600) << shift;
  }
}

TEST(Clock, FormatsTheEnglishPicturesOfTheDefaultLocale) {
  Clock& clock = Env::Default().Time();
  char text[50];
  ASSERT_GT(clock.FormatShortDate(Civil(2006, 3, 29, 12), text, sizeof text), 0);
  EXPECT_STREQ(text, "3/29/2006");
  ASSERT_GT(clock.FormatShortDate(Civil(2039, 6, 1, 12), text, sizeof text), 0);
  EXPECT_STREQ(text, "6/1/2039");
  ASSERT_GT(clock.FormatShortDate(Civil(2026, 11, 30, 12), text, sizeof text), 0);
  EXPECT_STREQ(text, "11/30/2026");
  ASSERT_GT(clock.FormatTime(Civil(2006, 3, 29, 15, 5, 40), "h':'mm tt", text, sizeof text), 0);
  EXPECT_STREQ(text, "3:05 PM");
  ASSERT_GT(clock.FormatTime(Civil(2006, 3, 29, 0, 7), "h':'mm tt", text, sizeof text), 0);
  EXPECT_STREQ(text, "12:07 AM");
  ASSERT_GT(clock.FormatTime(Civil(2006, 3, 29, 9, 7, 3), "HH':'mm':'ss", text, sizeof text), 0);
  EXPECT_STREQ(text, "09:07:03");
}

TEST(Clock, FormatRefusesABufferTooSmall) {
  char text[4] = "xyz";
  EXPECT_EQ(Env::Default().Time().FormatShortDate(Civil(2006, 3, 29), text, sizeof text), 0);
}

TEST(Clock, TickCountAdvancesInMilliseconds) {
  Clock& clock = Env::Default().Time();
  uint32_t first = clock.TickCount();
  uint32_t second = clock.TickCount();
  EXPECT_LT(second - first, 1000u);
}

}  // namespace
