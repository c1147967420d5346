#include "support/feed_builder.h"

#include <cstdio>

#include "support/temp_dir.h"

std::string BuildFeed(const std::vector<TestEvent>& events, const std::string& line_end) {
  std::string feed = "BEGIN:VCALENDAR" + line_end + "VERSION:2.0" + line_end +
                     "PRODID:-//Reelbox//Test Feed//EN" + line_end + "X-WR-CALNAME:Test Feed" +
                     line_end;
  for (const TestEvent& e : events) {
    feed += "BEGIN:VEVENT" + line_end;
    feed += "UID:" + e.uid + line_end;
    feed += "SUMMARY:" + e.summary + line_end;
    if (!e.description.empty()) feed += "DESCRIPTION:" + e.description + line_end;
    if (!e.start.empty()) feed += "DTSTART" + e.start + line_end;
    if (!e.end.empty()) feed += "DTEND" + e.end + line_end;
    feed += e.extra;
    feed += "END:VEVENT" + line_end;
  }
  feed += "END:VCALENDAR" + line_end;
  return feed;
}

std::string HandheldDateTimeText(uint32_t handheld_seconds) {
  // Civil date from days since 1970-01-01 (proleptic Gregorian).
  int64_t days = static_cast<int64_t>(handheld_seconds / 86400) - 24107;
  uint32_t rest = handheld_seconds % 86400;
  days += 719468;
  int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  int64_t doe = days - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  int64_t d = doy - (153 * mp + 2) / 5 + 1;
  int64_t m = mp < 10 ? mp + 3 : mp - 9;
  int64_t y = yoe + era * 400 + (m <= 2);
  char text[32];
  std::snprintf(text, sizeof(text), "%04d%02d%02dT%02u%02u%02u", static_cast<int>(y),
                static_cast<int>(m), static_cast<int>(d), rest / 3600, rest / 60 % 60, rest % 60);
  return text;
}

std::string GenerateFeed(int count, uint32_t first, const std::string& line_end) {
  std::vector<TestEvent> events;
  events.reserve(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    uint32_t start = first + static_cast<uint32_t>(i) * 3600;
    TestEvent e;
    e.uid = "uid-" + std::to_string(i) + "@test";
    e.summary = "Event " + std::to_string(i);
    e.description = "Showing number " + std::to_string(i) + "\\, with notes";
    e.start = ":" + HandheldDateTimeText(start);
    e.end = ":" + HandheldDateTimeText(start + 3600);
    events.push_back(e);
  }
  return BuildFeed(events, line_end);
}

std::string ReadTestFeed(const std::string& name) {
  return ReadFileBytes(std::string(REELBOX_SOURCE_DIR) + "/tests/data/feeds/" + name);
}
