// The time zones a feed defines in its VTIMEZONE blocks: UTC offsets by TZID, so that times
// written in UTC or in another zone can be set against an event's own wall clock.
//
// A feed names each zone it uses (RFC 5545 requires a VTIMEZONE per TZID). A TZID the feed does
// not define is taken as UTC: no offset can be known for it, and its wall clock is then compared
// as written. Memory is bounded: at most kMaxFeedTimeZones zones with kMaxZoneObservances
// observances each are kept; the others are read as undefined.
#ifndef REELBOX_EVENTS_FEED_TIME_ZONES_H
#define REELBOX_EVENTS_FEED_TIME_ZONES_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "events/recurrence_rule.h"

constexpr size_t kMaxFeedTimeZones = 64;
constexpr size_t kMaxZoneObservances = 64;

class FeedTimeZones {
 public:
  // Reads one VTIMEZONE block (its text from the first property to its END line). A zone whose
  // TZID is known already keeps its first definition.
  void Add(std::string_view text);
  void Clear() { zones_.clear(); }
  size_t Count() const { return zones_.size(); }

  // The zone of a TZID, or -1 when the feed defines none (and for an empty TZID).
  int Find(const std::string& tzid) const;
  // The offset east of UTC, in seconds, in force at a UTC instant (handheld seconds).
  int32_t OffsetAtUtc(int zone, uint32_t utc) const;
  // A UTC instant as the zone's wall clock, and back. Zone -1 changes nothing. A wall-clock time
  // skipped or repeated at a change takes the offset in force just before the change.
  uint32_t UtcToWall(int zone, uint32_t utc) const;
  uint32_t WallToUtc(int zone, uint32_t wall) const;

 private:
  struct Observance {
    uint32_t onset = 0;  // wall clock of its DTSTART, in the offset before it
    int32_t offset_from = 0;
    int32_t offset_to = 0;
    bool has_rule = false;
    RecurrenceRule rule;
    std::vector<uint32_t> dates;  // RDATEs, wall clock
  };
  struct Zone {
    std::string tzid;
    std::vector<Observance> observances;
  };
  // The UTC instant of the last onset of observance at or before utc; false when none is.
  static bool LastOnset(const Observance& observance, uint32_t utc, uint32_t* onset);

  std::vector<Zone> zones_;
};

// Adds seconds to a handheld time, held within 0..UINT32_MAX.
uint32_t ShiftTime(uint32_t time, int64_t seconds);

#endif  // REELBOX_EVENTS_FEED_TIME_ZONES_H
