#include "conduit/schedule.h"

#include <gtest/gtest.h>

#include "platform/clock.h"

namespace {

// Desktop local seconds of a wall-clock time; 2006-03-27 was a Monday.
uint32_t Local(int32_t day, int32_t hour, int32_t minute) {
  CivilTime t;
  t.year = 2006;
  t.month = 3;
  t.day = day;
  t.hour = hour;
  t.minute = minute;
  return static_cast<uint32_t>(SecondsFromCivil(t));
}

TEST(EventsSchedule, DailyIsDueFromTheNextLocalMidnight) {
  uint32_t monday_late = Local(27, 23, 50);
  EXPECT_TRUE(DecideEventsSchedule(86400, monday_late, Local(28, 0, 5)).due);
  EventsSchedule same_day = DecideEventsSchedule(86400, monday_late, Local(27, 23, 59));
  EXPECT_FALSE(same_day.due);
  EXPECT_EQ(same_day.daysLeft, 1u);
}

TEST(EventsSchedule, WeeklyCountsDaysToTheMidnightOfTheDueDay) {
  EventsSchedule s = DecideEventsSchedule(604800, Local(27, 10, 0), Local(29, 12, 0));
  EXPECT_FALSE(s.due);
  EXPECT_EQ(s.daysLeft, 5u);
  EXPECT_TRUE(DecideEventsSchedule(604800, Local(27, 10, 0), Local(3 + 31, 0, 0)).due);
}

TEST(EventsSchedule, IntervalZeroIsAlwaysDueAndMinusOneNever) {
  EXPECT_TRUE(DecideEventsSchedule(0, Local(29, 12, 0), Local(29, 12, 0)).due);
  EXPECT_TRUE(DecideEventsSchedule(0, 0xFFFFFFF0u, 5).due);
  EventsSchedule none = DecideEventsSchedule(0xFFFFFFFFu, 0, Local(29, 12, 0));
  EXPECT_FALSE(none.due);
  EXPECT_TRUE(none.noSchedule);
}

TEST(EventsSchedule, FirstRunIsDueAndYesterdayIsDueWithinADay) {
  EXPECT_TRUE(DecideEventsSchedule(604800, 0, Local(29, 12, 0)).due);
  EXPECT_TRUE(DecideEventsSchedule(86400, Local(28, 23, 0), Local(29, 1, 0)).due);
}

TEST(EventsSchedule, TheSumWrapsInUnsignedArithmetic) {
  // Last run near the top of the range: last + interval wraps to a small due time.
  EXPECT_TRUE(DecideEventsSchedule(2592000, 0xFFFF0000u, 3000000).due);
  EXPECT_FALSE(DecideEventsSchedule(2592000, 0xFFFF0000u, 100000).due);
}

}  // namespace
