// Repeating events: a series (RRULE, RDATE, EXDATE) expanded into its occurrences, and the
// overrides (RECURRENCE-ID) that replace some of them.
//
// A feed may write an override before its series, so a list is read in two passes: the first
// notes every series and override in a SeriesRegistry (bounded: a few bytes per entry, at most
// kMaxRegistryEntries of each), the second expands the series with every override known.
// Occurrences repeat the wall clock of the series' first start in its own zone; times written in
// UTC or another zone are brought to that wall clock through the feed's time zones.
#ifndef REELBOX_EVENTS_EVENT_SERIES_H
#define REELBOX_EVENTS_EVENT_SERIES_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "events/feed_event.h"
#include "events/feed_time_zones.h"

constexpr size_t kMaxRegistryEntries = 20000;
constexpr size_t kMaxSeriesOccurrences = 1000;

// The wall clock an event's times are read in: UTC, the zone of its TZID (-1: none defined),
// or floating.
struct EventClock {
  bool utc = false;
  int zone = -1;
};
EventClock ClockOf(const FeedEvent& event, const FeedTimeZones& zones);
// A written time in the wall clock of clock.
uint32_t TimeInClock(const FeedTime& time, const EventClock& clock, const FeedTimeZones& zones);

class SeriesRegistry {
 public:
  // Notes a series (by UID, letter case ignored) with its first start; an override, with the
  // start it replaces. false when the registry is full.
  bool AddSeries(const FeedEvent& event);
  bool AddOverride(const FeedEvent& event);
  // Orders what was noted; call between the passes.
  void Seal();
  bool Empty() const { return series_.empty() && overrides_.empty(); }

  // The series of the UID: its first start and clock; false when the feed has none.
  bool FindSeries(const std::string& uid, uint32_t* first, FeedTime* first_time) const;
  // The starts the UID's overrides replace, in clock.
  std::vector<uint32_t> Overridden(const std::string& uid, const EventClock& clock,
                                   const FeedTimeZones& zones) const;

 private:
  struct Series {
    uint64_t hash;
    FeedTime first;  // DTSTART as written
  };
  struct Override {
    uint64_t hash;
    FeedTime replaced;  // RECURRENCE-ID as written (its TZID kept as text only when needed)
  };
  std::vector<Series> series_;
  std::vector<Override> overrides_;
};

struct SeriesOccurrence {
  uint32_t start;
  uint32_t end;     // 0 when the event has no end
  bool first;       // the series' own DTSTART
};

struct SeriesExpansion {
  bool rule_ok = true;         // the RRULE could be followed
  bool cut = false;            // more than kMaxSeriesOccurrences in range
  bool first_removed = false;  // the DTSTART occurrence is cancelled by an EXDATE
};

// The occurrences of series event, ascending, without those an EXDATE cancels or whose start is
// in overridden: the first start always (unless cancelled), the others when they start in
// [from, to]; at most kMaxSeriesOccurrences of those. emit returns false to stop.
SeriesExpansion ExpandSeries(const FeedEvent& event, const FeedTimeZones& zones, const std::vector<uint32_t>& overridden,
                             uint32_t from, uint32_t to, const std::function<bool(const SeriesOccurrence&)>& emit);

#endif  // REELBOX_EVENTS_EVENT_SERIES_H
