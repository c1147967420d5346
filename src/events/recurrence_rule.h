// Repetition rules of calendar events (RRULE of RFC 5545) and the dates they give.
//
// Dates are handheld days (days since 1904-01-01) and times handheld seconds of one wall clock:
// a rule repeats the wall-clock time of its first start, whatever the zone's offset does.
// BYHOUR, BYMINUTE and BYSECOND are not read: one start per day at most.
#ifndef REELBOX_EVENTS_RECURRENCE_RULE_H
#define REELBOX_EVENTS_RECURRENCE_RULE_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

enum class RecurrenceFrequency { kDaily, kWeekly, kMonthly, kYearly };

struct RecurrenceRule {
  RecurrenceFrequency frequency = RecurrenceFrequency::kDaily;
  uint32_t interval = 1;
  uint32_t count = 0;  // 0: no COUNT
  // UNTIL as written: handheld seconds of the text's wall clock, in UTC when until_utc.
  bool has_until = false;
  bool until_utc = false;
  bool until_date = false;  // a date: the whole day counts
  uint32_t until = 0;
  int week_start = 0;  // 0 Monday .. 6 Sunday
  struct Weekday {
    int day;      // 0 Monday .. 6 Sunday
    int ordinal;  // 0 for every such day; 2 for the second, -1 for the last
  };
  std::vector<Weekday> by_day;
  std::vector<int> by_month_day, by_month, by_year_day, by_week_no, by_set_pos;
};

// Reads an RRULE value. false for a rule that cannot be followed (no or unknown FREQ, a part out
// of range); unknown parts are passed over.
bool ParseRecurrenceRule(const std::string& text, RecurrenceRule* rule);

// Calls emit with each start of the rule from first (which counts as the first start, as RFC 5545
// has it, and is always given), ascending, until emit returns false, COUNT starts were given, or a
// start would pass until_wall (inclusive; the rule's UNTIL in this wall clock, or UINT32_MAX) or
// limit. Starts that match none of the rule's days are never given, except first. With skip_before,
// a rule without COUNT may leave out the starts before it (other than first): a series that
// began long ago is not walked from its beginning.
void ExpandRecurrenceRule(const RecurrenceRule& rule, uint32_t first, uint32_t until_wall, uint32_t limit,
                          const std::function<bool(uint32_t)>& emit, uint32_t skip_before = 0);

#endif  // REELBOX_EVENTS_RECURRENCE_RULE_H
