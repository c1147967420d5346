// Builds iCalendar feeds for tests and benchmarks, and reads the feed files kept in tests/data.
#ifndef REELBOX_TESTS_SUPPORT_FEED_BUILDER_H
#define REELBOX_TESTS_SUPPORT_FEED_BUILDER_H

#include <cstdint>
#include <string>
#include <vector>

struct TestEvent {
  std::string uid;
  std::string summary;      // written as given (escape it yourself)
  std::string description;  // empty: no DESCRIPTION line
  std::string start;        // the DTSTART line after the name, e.g. ":20060401T203000Z" or
                            // ";VALUE=DATE:20060401"; empty: no DTSTART line
  std::string end;          // the DTEND line after the name; empty: none
  std::string extra;        // further content lines, each ending in a line end
};

// A VCALENDAR with a header (X-WR-CALNAME) and the events; lines end with line_end.
std::string BuildFeed(const std::vector<TestEvent>& events, const std::string& line_end = "\r\n");

// count events "uid-<i>@test" with summary "Event <i>", starting at first (handheld seconds)
// and one hour apart, each one hour long.
std::string GenerateFeed(int count, uint32_t first, const std::string& line_end = "\r\n");

// "YYYYMMDDTHHMMSS" of handheld seconds (wall clock).
std::string HandheldDateTimeText(uint32_t handheld_seconds);

// The bytes of tests/data/feeds/<name>.
std::string ReadTestFeed(const std::string& name);

#endif  // REELBOX_TESTS_SUPPORT_FEED_BUILDER_H
