#include "events/event_series.h"

#include <algorithm>

#include "events/event_record.h"
#include "events/recurrence_rule.h"

namespace {

constexpr uint32_t kSecondsPerDay = 86400;

FeedTime StartAsWritten(const FeedEvent& event) {
  FeedTime time;
  time.time = event.start;
  time.utc = event.utc != 0;
  time.date_only = event.start_is_date;
  if (!time.utc && event.tzid) time.tzid = *event.tzid;
  return time;
}

template <typename Entry>
bool ByHash(const Entry& a, const Entry& b) {
  return a.hash < b.hash;
}

}  // namespace

EventClock ClockOf(const FeedEvent& event, const FeedTimeZones& zones) {
  EventClock clock;
  clock.utc = event.utc != 0;
  if (!clock.utc && event.tzid) clock.zone = zones.Find(*event.tzid);
  return clock;
}

uint32_t TimeInClock(const FeedTime& time, const EventClock& clock, const FeedTimeZones& zones) {
  // A date names a day, not an instant: it is that day in any clock.
  if (time.date_only) return time.time;
  uint32_t utc = 0;
  if (time.utc) {
    utc = time.time;
  } else {
    int zone = zones.Find(time.tzid);
    if (zone == clock.zone && !clock.utc) return time.time;
    utc = zones.WallToUtc(zone, time.time);
  }
  return clock.utc ? utc : zones.UtcToWall(clock.zone, utc);
}

bool SeriesRegistry::AddSeries(const FeedEvent& event) {
  if (!event.uid || series_.size() >= kMaxRegistryEntries) return false;
  series_.push_back(Series{EventUidHash(*event.uid), StartAsWritten(event)});
  return true;
}

bool SeriesRegistry::AddOverride(const FeedEvent& event) {
  if (!event.uid || !event.recurrence_id || overrides_.size() >= kMaxRegistryEntries) return false;
  overrides_.push_back(Override{EventUidHash(*event.uid), *event.recurrence_id});
  return true;
}

void SeriesRegistry::Seal() {
  // The first series of a UID counts, as the first event of a UID does.
  std::stable_sort(series_.begin(), series_.end(), ByHash<Series>);
  std::stable_sort(overrides_.begin(), overrides_.end(), ByHash<Override>);
}

bool SeriesRegistry::FindSeries(const std::string& uid, uint32_t* first, FeedTime* first_time) const {
  Series key{EventUidHash(uid), FeedTime()};
  auto found = std::lower_bound(series_.begin(), series_.end(), key, ByHash<Series>);
  if (found == series_.end() || found->hash != key.hash) return false;
  *first = found->first.time;
  *first_time = found->first;
  return true;
}

std::vector<uint32_t> SeriesRegistry::Overridden(const std::string& uid, const EventClock& clock,
                                                 const FeedTimeZones& zones) const {
  std::vector<uint32_t> starts;
  Override key{EventUidHash(uid), FeedTime()};
  auto range = std::equal_range(overrides_.begin(), overrides_.end(), key, ByHash<Override>);
  for (auto it = range.first; it != range.second; ++it) starts.push_back(TimeInClock(it->replaced, clock, zones));
  std::sort(starts.begin(), starts.end());
  return starts;
}

SeriesExpansion ExpandSeries(const FeedEvent& event, const FeedTimeZones& zones, const std::vector<uint32_t>& overridden,
                             uint32_t from, uint32_t to, const std::function<bool(const SeriesOccurrence&)>& emit) {
  SeriesExpansion result;
  const EventClock clock = ClockOf(event, zones);
  const uint32_t length = event.end > event.start ? event.end - event.start : 0;
  const bool date_series = event.start_is_date;

  // Cancelled starts: exact times, and whole days for EXDATEs written as dates.
  std::vector<uint32_t> removed;
  std::vector<uint32_t> removed_days;
  for (const FeedTime& exdate : event.exdates) {
    if (exdate.date_only && !date_series) {
      removed_days.push_back(exdate.time / kSecondsPerDay);
    } else {
      removed.push_back(TimeInClock(exdate, clock, zones));
    }
  }
  std::sort(removed.begin(), removed.end());
  std::sort(removed_days.begin(), removed_days.end());
  auto cancelled = [&](uint32_t start) {
    return std::binary_search(removed.begin(), removed.end(), start) ||
           std::binary_search(removed_days.begin(), removed_days.end(), start / kSecondsPerDay);
  };

  // The starts in range, from the rule and the RDATEs, each with its end. Bounded: the rule stops
  // once enough starts are in range to fill the series even after every removal.
  struct Start {
    uint32_t start;
    uint32_t end;
  };
  std::vector<Start> starts;
  const size_t enough = kMaxSeriesOccurrences + removed.size() + removed_days.size() + overridden.size() + 1;
  if (event.rrule) {
    RecurrenceRule rule;
    result.rule_ok = ParseRecurrenceRule(*event.rrule, &rule);
    if (result.rule_ok) {
      uint32_t until = UINT32_MAX;
      if (rule.has_until) {
        FeedTime written;
        written.time = rule.until;
        written.utc = rule.until_utc;
        written.date_only = rule.until_date;
        if (!written.utc && !written.date_only && event.tzid) written.tzid = *event.tzid;
        until = TimeInClock(written, clock, zones);
        if (rule.until_date) until = ShiftTime(until, kSecondsPerDay - 1);
      }
      size_t in_range = 0;
      ExpandRecurrenceRule(
          rule, event.start, until, to,
          [&](uint32_t start) {
            if (start == event.start || start >= from) {
              starts.push_back(Start{start, length != 0 ? ShiftTime(start, length) : 0});
              if (start != event.start && ++in_range >= enough) return false;
            }
            return true;
          },
          from);
    }
  }
  if (!event.rrule || !result.rule_ok) starts.push_back(Start{event.start, event.end});
  for (const FeedTime& rdate : event.rdates) {
    uint32_t start = TimeInClock(rdate, clock, zones);
    if (start < from || start > to) continue;
    uint32_t end = 0;
    if (rdate.end != 0) {
      FeedTime end_time = rdate;
      end_time.time = rdate.end;
      end = TimeInClock(end_time, clock, zones);
    } else if (length != 0) {
      end = ShiftTime(start, length);
    }
    starts.push_back(Start{start, end});
    if (starts.size() > 4 * enough) break;
  }
  std::stable_sort(starts.begin(), starts.end(), [](const Start& a, const Start& b) { return a.start < b.start; });

  size_t given = 0;
  uint32_t previous = 0;
  bool any = false;
  for (const Start& s : starts) {
    if (any && s.start == previous) continue;  // an RDATE on a start of the rule
    any = true;
    previous = s.start;
    const bool first = s.start == event.start;
    if (std::binary_search(overridden.begin(), overridden.end(), s.start)) continue;  // the override stands in
    if (cancelled(s.start)) {
      if (first) result.first_removed = true;
      continue;
    }
    if (!first) {
      if (s.start < from || s.start > to) continue;
      if (given >= kMaxSeriesOccurrences) {
        result.cut = true;
        break;
      }
      ++given;
    }
    if (!emit(SeriesOccurrence{s.start, s.end, first})) break;
  }
  return result;
}
