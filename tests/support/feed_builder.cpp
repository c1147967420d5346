#include "support/feed_builder.h"

#include <cstdio>

#include "platform/clock.h"
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
  const CivilTime t = CivilFromSeconds(static_cast<int64_t>(handheld_seconds) - 2082844800LL);
  char text[32];
  std::snprintf(text, sizeof(text), "%04d%02d%02dT%02d%02d%02d", static_cast<int>(t.year),
                static_cast<int>(t.month), static_cast<int>(t.day), static_cast<int>(t.hour),
                static_cast<int>(t.minute), static_cast<int>(t.second));
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
