// Repeating events: rules, time zones, series with their exceptions and overrides, occurrence UIDs.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "events/event_record.h"
#include "events/event_series.h"
#include "events/feed_reader.h"
#include "events/feed_time_zones.h"
#include "events/recurrence_rule.h"
#include "events/url_fetcher.h"
#include "events_env.h"
#include "platform/text_stream.h"
#include "support/civil.h"
#include "support/feed_builder.h"

namespace {

using reelbox_test::Handheld;

std::string WallText(uint32_t time) { return HandheldDateTimeText(time); }

// The table: every series of a calendar expanded over a fixed window, overrides in their place,
// against the starts an independent implementation computed for the same calendar.
TEST(Recurrence, SeriesGiveTheStartsAnIndependentImplementationGives) {
  TempDir dir;
  EventsTestEnv env(dir);
  TempFileUrlFetcher fetcher(env);
  {
    std::unique_ptr<TextStream> stream;
    ASSERT_EQ(TextStream::Open(env.Files(), fetcher.GetTempFilePath(), FileMode::kWriteCreateAlways, &stream), 0u);
    stream->Write(ReadTestFeed("recurrence/series.ics"));
    ASSERT_EQ(stream->Close(), 0u);
  }
  const uint32_t from = Handheld(2026, 10, 9);
  const uint32_t to = Handheld(2027, 12, 9, 23, 59, 59);

  // As the list is read: overrides and zones first, then the series with every override known.
  FeedTimeZones zones;
  SeriesRegistry registry;
  std::map<std::string, std::set<std::string>> got;
  std::vector<std::string> order;
  ASSERT_EQ(ReadFeed(
                fetcher, "L",
                [&](const FeedEvent& e, FeedCode code) {
                  EXPECT_EQ(code, FeedCode::kDone) << e.uid.value_or("-");
                  EXPECT_FALSE(e.bad_property) << e.uid.value_or("-");
                  if (got.emplace(*e.uid, std::set<std::string>()).second) order.push_back(*e.uid);
                  if (e.recurrence_id) {
                    registry.AddOverride(e);
                    if (e.start >= from && e.start <= to) got[*e.uid].insert(WallText(e.start));
                  } else {
                    registry.AddSeries(e);
                  }
                  return FeedCode::kDone;
                },
                [&](std::string_view zone) { zones.Add(zone); }),
            FeedCode::kDone);
  EXPECT_EQ(zones.Count(), 2u);
  registry.Seal();
  ASSERT_EQ(ReadFeed(fetcher, "L",
                     [&](const FeedEvent& e, FeedCode) {
                       if (e.recurrence_id) return FeedCode::kDone;
                       std::vector<uint32_t> overridden = registry.Overridden(*e.uid, ClockOf(e, zones), zones);
                       SeriesExpansion expansion =
                           ExpandSeries(e, zones, overridden, from, to, [&](const SeriesOccurrence& o) {
                             if (o.start >= from && o.start <= to) got[*e.uid].insert(WallText(o.start));
                             if (o.end != 0) {
                               EXPECT_EQ(o.end - o.start, e.end - e.start) << *e.uid;
                             }
                             return true;
                           });
                       EXPECT_TRUE(expansion.rule_ok) << *e.uid;
                       EXPECT_FALSE(expansion.cut) << *e.uid;
                       return FeedCode::kDone;
                     }),
            FeedCode::kDone);

  std::istringstream expected(ReadTestFeed("recurrence/expected.txt"));
  std::string line;
  size_t cases = 0;
  while (std::getline(expected, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string uid, start;
    words >> uid;
    std::set<std::string> want;
    while (words >> start) want.insert(start);
    ASSERT_EQ(got.count(uid), 1u) << uid;
    EXPECT_EQ(got[uid], want) << uid;
    ++cases;
  }
  EXPECT_EQ(cases, order.size());
  EXPECT_GT(cases, 30u);
}

TEST(Recurrence, RulesThatCannotBeFollowedAreRefused) {
  RecurrenceRule rule;
  EXPECT_TRUE(ParseRecurrenceRule("freq=weekly;byday=mo,-1fr;wkst=su", &rule));
  EXPECT_EQ(rule.week_start, 6);
  ASSERT_EQ(rule.by_day.size(), 2u);
  EXPECT_EQ(rule.by_day[1].ordinal, -1);
  for (const char* bad : {"", "INTERVAL=2", "FREQ=HOURLY", "FREQ=DAILY;INTERVAL=0", "FREQ=DAILY;COUNT=x",
                          "FREQ=MONTHLY;BYMONTHDAY=32", "FREQ=YEARLY;BYMONTH=13", "FREQ=MONTHLY;BYDAY=0MO",
                          "FREQ=WEEKLY;BYDAY=XX", "FREQ=DAILY;UNTIL=2026", "FREQ=DAILY;NOEQUALS"}) {
    EXPECT_FALSE(ParseRecurrenceRule(bad, &rule)) << bad;
  }
  // A rule that never matches ends at the limit instead of looping.
  ASSERT_TRUE(ParseRecurrenceRule("FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=30", &rule));
  int starts = 0;
  ExpandRecurrenceRule(rule, Handheld(2026, 1, 1, 10, 0, 0), UINT32_MAX, Handheld(2039, 1, 1), [&](uint32_t) {
    ++starts;
    return true;
  });
  EXPECT_EQ(starts, 1);  // the first start only
}

TEST(Recurrence, ZoneOffsetsFollowTheFeedsRules) {
  const std::string berlin =
      "TZID:Europe/Berlin\r\nBEGIN:DAYLIGHT\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\n"
      "DTSTART:19700329T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nEND:DAYLIGHT\r\n"
      "BEGIN:STANDARD\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nDTSTART:19701025T030000\r\n"
      "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nEND:STANDARD\r\nEND:VTIMEZONE";
  FeedTimeZones zones;
  zones.Add(berlin);
  zones.Add("TZID:Europe/Berlin\r\nBEGIN:STANDARD\r\nTZOFFSETFROM:+0900\r\nTZOFFSETTO:+0900\r\n"
            "DTSTART:20000101T000000\r\nEND:STANDARD\r\n");  // a second definition: the first stands
  zones.Add("TZID:Bad\r\nBEGIN:STANDARD\r\nTZOFFSETTO:+01\r\nDTSTART:20000101T000000\r\nEND:STANDARD\r\n");
  ASSERT_EQ(zones.Count(), 1u);
  const int zone = zones.Find("Europe/Berlin");
  ASSERT_EQ(zone, 0);
  EXPECT_EQ(zones.Find("Europe/Paris"), -1);
  EXPECT_EQ(zones.OffsetAtUtc(zone, Handheld(2026, 7, 1)), 7200);
  EXPECT_EQ(zones.OffsetAtUtc(zone, Handheld(2026, 12, 1)), 3600);
  // The changes of 2027: 29 March 01:00 UTC and 31 October 01:00 UTC.
  EXPECT_EQ(zones.OffsetAtUtc(zone, Handheld(2027, 3, 28, 0, 59, 59)), 3600);
  EXPECT_EQ(zones.OffsetAtUtc(zone, Handheld(2027, 3, 28, 1, 0, 0)), 7200);
  EXPECT_EQ(zones.OffsetAtUtc(zone, Handheld(2027, 10, 31, 1, 0, 0)), 3600);
  EXPECT_EQ(zones.WallToUtc(zone, Handheld(2026, 11, 3, 19, 0, 0)), Handheld(2026, 11, 3, 18, 0, 0));
  EXPECT_EQ(zones.UtcToWall(zone, Handheld(2027, 6, 1, 17, 0, 0)), Handheld(2027, 6, 1, 19, 0, 0));
  // Without a zone the feed defines, times are compared as written.
  EXPECT_EQ(zones.WallToUtc(-1, 1000u), 1000u);
  EXPECT_EQ(zones.UtcToWall(-1, 1000u), 1000u);
}

TEST(Recurrence, OccurrenceUidsAreShortStableAndTellTheirSeries) {
  const std::string uid = "040000008200E00074C5B7101A82E00800000000A0E2F5D7-long-outlook-uid@example.com";
  const uint32_t start = Handheld(2026, 12, 15, 19, 0, 0);
  std::string a = OccurrenceEventUid(uid, start);
  EXPECT_LE(a.size(), kEventUidLength);
  EXPECT_EQ(a.compare(0, 18, "040000008200E0007~"), 0);
  EXPECT_NE(a.find("~20261215T190000~"), std::string::npos);
  EXPECT_EQ(a, OccurrenceEventUid(uid, start));
  EXPECT_NE(a, OccurrenceEventUid(uid, start + 86400));
  EXPECT_NE(a, OccurrenceEventUid(uid + "x", start));
  uint64_t hash = 0;
  uint32_t parsed = 0;
  ASSERT_TRUE(ParseOccurrenceEventUid(a.c_str(), &hash, &parsed));
  EXPECT_EQ(hash, EventUidHash(uid));
  EXPECT_EQ(parsed, start);
  ASSERT_TRUE(ParseOccurrenceEventUid(OccurrenceEventUid("x", start).c_str(), &hash, &parsed));
  EXPECT_EQ(hash, EventUidHash("X"));
  // A plain UID, and the form of a long single UID, are no occurrences.
  EXPECT_FALSE(ParseOccurrenceEventUid("abc@example.com", &hash, &parsed));
  EXPECT_FALSE(ParseOccurrenceEventUid(StoredEventUid(uid).c_str(), &hash, &parsed));
}

TEST(Recurrence, SeriesAreBoundedAndReportWhatTheyCancel) {
  FeedEvent daily;
  daily.uid = "d";
  daily.start = Handheld(2026, 1, 1, 19, 0, 0);
  daily.end = daily.start + 3600;
  daily.usable_start = true;
  daily.rrule = "FREQ=DAILY";
  FeedTime exdate;
  exdate.time = daily.start;
  daily.exdates.push_back(exdate);
  FeedTimeZones zones;
  size_t given = 0;
  SeriesExpansion expansion =
      ExpandSeries(daily, zones, {}, Handheld(2026, 1, 1), Handheld(2030, 1, 1), [&](const SeriesOccurrence& o) {
        EXPECT_FALSE(o.first);
        EXPECT_EQ(o.end, o.start + 3600);
        ++given;
        return true;
      });
  EXPECT_EQ(given, kMaxSeriesOccurrences);
  EXPECT_TRUE(expansion.cut);
  EXPECT_TRUE(expansion.first_removed);
  // A series' own start is written like a single event's, past the horizon or its UNTIL too.
  FeedEvent late = daily;
  late.exdates.clear();
  late.start = Handheld(2030, 1, 1, 19, 0, 0);
  late.rrule = "FREQ=WEEKLY;UNTIL=20200101T000000Z";
  given = 0;
  ExpandSeries(late, zones, {}, Handheld(2026, 1, 1), Handheld(2027, 1, 1), [&](const SeriesOccurrence& o) {
    EXPECT_TRUE(o.first);
    return ++given, true;
  });
  EXPECT_EQ(given, 1u);
  daily.rrule = "FREQ=SOMETIMES";
  given = 0;
  expansion = ExpandSeries(daily, zones, {}, 0, UINT32_MAX, [&](const SeriesOccurrence&) { return ++given, true; });
  EXPECT_FALSE(expansion.rule_ok);
}

}  // namespace
