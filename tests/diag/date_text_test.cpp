#include <gtest/gtest.h>

#include <string>

#include "diag/handheld_link.h"
#include "hotsync_session.h"
#include "platform/clock.h"
#include "platform/env.h"
#include "support/handheld.h"
#include "zone.h"
#include "support/civil.h"

namespace {

using reelbox_test::Handheld;

// The handheld date of a ParseDate result, as "y-m-d".
std::string DateOf(uint32_t handheld_seconds) {
  CivilTime t = CivilFromSeconds(static_cast<int64_t>(handheld_seconds) - kHandheldEpochOffset);
  return std::to_string(t.year) + "-" + std::to_string(t.month) + "-" + std::to_string(t.day);
}

std::string Parse(const char* text) {
  HandheldLink link(Env::Default().Time());
  uint32_t value = 12345;
  EXPECT_EQ(link.ParseDate(text, &value), 0);
  return DateOf(value);
}

TEST(DateText, EpochConversionsWrap) {
  HandheldLink link(Env::Default().Time());
  EXPECT_EQ(link.HandheldToDesktop(0), 2212122496u);
  EXPECT_EQ(link.DesktopToHandheld(0), 2082844800u);
}

TEST(DateText, FormatTimeDateGivesTimeSpaceShortDate) {
  HandheldLink link(Env::Default().Time());
  char text[kTimeDateTextSize];
  EXPECT_EQ(link.FormatTimeDate(Handheld(2006, 3, 29, 15, 5, 40), text), 0);
  EXPECT_STREQ(text, "3:05 PM 3/29/2006");
}

TEST(DateText, FormatDateBeforeNineteenSeventyPrintsTheEpoch) {
  HandheldLink link(Env::Default().Time());
  char text[kDateTextSize];
  link.FormatDate(0, text);
  EXPECT_STREQ(text, "1/1/1970");
  link.FormatDate(kHandheldEpochOffset - 1, text);
  EXPECT_STREQ(text, "1/1/1970");
}

TEST(DateText, FormatDateAfter2038ShowsTheRealDate) {
  HandheldLink link(Env::Default().Time());
  char text[kDateTextSize];
  link.FormatDate(Handheld(2039, 6, 1, 8), text);
  EXPECT_STREQ(text, "6/1/2039");
  link.FormatDate(0xFFFFFFFFu, text);
  EXPECT_STREQ(text, "2/6/2040");
  char both[kTimeDateTextSize];
  link.FormatTimeDate(0xFFFFFFFFu, both);
  EXPECT_STREQ(both, "6:28 AM 2/6/2040");
}

TEST(DateText, ParseDateReadsMonthDayYearWithTheCenturyWindow) {
  EXPECT_EQ(Parse("3/29/2006"), "2006-3-29");
  EXPECT_EQ(Parse("03-29-06"), "2006-3-29");
  EXPECT_EQ(Parse("3.29.2006"), "2006-3-29");
  EXPECT_EQ(Parse("12/25/05"), "2005-12-25");
  EXPECT_EQ(Parse("1/2/99"), "1999-1-2");
  EXPECT_EQ(Parse("2/30/2006"), "2006-3-2");
}

TEST(DateText, ParseDateKeepsTheDateAtMonthAndYearEdgesInEveryZone) {
  EXPECT_EQ(Parse("3/1/2006"), "2006-3-1");
  EXPECT_EQ(Parse("1/1/2007"), "2007-1-1");
  EXPECT_EQ(Parse("12/31/2006"), "2006-12-31");
  EXPECT_EQ(Parse("7/1/2006"), "2006-7-1");
  EXPECT_EQ(Parse("6/15/2037"), "2037-6-15");
}

TEST(DateText, ParseDateFallsBackToScanfReadingsAndThenTheEpoch) {
  EXPECT_EQ(Parse("0/0/2006"), "2005-11-30");
  EXPECT_EQ(Parse("0/0/0x7D6"), "2005-11-30");
  EXPECT_EQ(Parse("0/0'2006"), "2005-11-30");
  EXPECT_EQ(Parse("no digits"), "1970-1-1");
  EXPECT_EQ(Parse("0/0/x"), "1970-1-1");
  HandheldLink link(Env::Default().Time());
  uint32_t value = 99;
  EXPECT_EQ(link.ParseDate("", &value), 0);
  EXPECT_EQ(value, 0u);
}

TEST(DateText, ParseDateSurvivesHugeNumbers) {
  HandheldLink link(Env::Default().Time());
  uint32_t value = 0;
  EXPECT_EQ(link.ParseDate("99999999999999999999/99999999999999999999/99999999999999999999", &value), 0);
  EXPECT_EQ(link.ParseDate("0/0/-99999999999999999999", &value), 0);
}

TEST(DateText, LocalTimeNowIsUtcShiftedByTheZone) {
  HandheldLink link(Env::Default().Time());
  uint32_t utc = 0, local = 0;
  link.DesktopTimeNow(&utc);
  link.LocalTimeNow(&local);
  int64_t shift = static_cast<int64_t>(local) - static_cast<int64_t>(utc);
  if (TestZone() == "Pacific/Kiritimati") {
    EXPECT_NEAR(static_cast<double>(shift), 14 * 3600.0, 2.0);
  }
  EXPECT_LE(shift > 0 ? shift : -shift, 14 * 3600 + 2);
}

TEST(DateText, HandheldClockFollowsTheManagerAndFailuresKeepTheCode) {
  reelbox_test::TempUserRoot root;
  ASSERT_EQ(root.BeginSession(), 0) << HsGetLastErrorText();
  HsSetClockOffset(3600);
  HandheldLink link(Env::Default().Time());
  uint32_t raw = 0, clock = 0, local = 0;
  ASSERT_EQ(link.ReadHandheldClockRaw(&raw), 0);
  ASSERT_EQ(link.ReadHandheldClock(&clock), 0);
  link.LocalTimeNow(&local);
  EXPECT_NEAR(static_cast<double>(raw), static_cast<double>(local) + 3600, 3.0);
  EXPECT_NEAR(static_cast<double>(clock - kHandheldEpochOffset), static_cast<double>(raw), 3.0);
  HsInjectFault("SyncReadSysDateTime", 1, 0x4001);
  uint32_t untouched = 7;
  EXPECT_EQ(link.ReadHandheldClock(&untouched), 999);
  EXPECT_EQ(untouched, 7u);
  EXPECT_EQ(link.GetErrorCode(), 0x4001);
  EXPECT_STREQ(link.ErrorText(), "An unexpected Palm error occured (16385)");
  char text[kDateTextSize];
  link.FormatDate(0, text);
  EXPECT_EQ(link.GetErrorCode(), 0);  // each formatting clears the error
  HsEndSession();
}

}  // namespace
