#include "events/feed_time_zones.h"

#include <optional>

#include "events/feed_event.h"

namespace {

// "+0100", "-0500" or "+053000" to seconds east of UTC.
bool ParseOffset(const std::optional<std::string>& text, int32_t* seconds) {
  if (!text || (text->size() != 5 && text->size() != 7) || ((*text)[0] != '+' && (*text)[0] != '-')) return false;
  int32_t parts[3] = {0, 0, 0};
  for (size_t i = 1; i < text->size(); ++i) {
    char c = (*text)[i];
    if (c < '0' || c > '9') return false;
    parts[(i - 1) / 2] = parts[(i - 1) / 2] * 10 + (c - '0');
  }
  if (parts[0] > 23 || parts[1] > 59 || parts[2] > 59) return false;
  int32_t total = parts[0] * 3600 + parts[1] * 60 + parts[2];
  *seconds = (*text)[0] == '-' ? -total : total;
  return true;
}

// The text of each STANDARD or DAYLIGHT block in text, one after the other.
template <typename Handler>
void ForEachObservance(std::string_view text, Handler handler) {
  size_t at = 0;
  for (;;) {
    size_t standard = FindContentLine(text, at, "BEGIN");
    if (standard == kFeedNotFound) return;
    size_t lf = text.find('\n', standard);
    if (lf == std::string_view::npos) return;
    size_t end = FindContentLine(text, lf + 1, "END");
    if (end == kFeedNotFound) return;
    // With its END line: a value ends where the next content line begins.
    handler(text.substr(lf + 1, end + 3 - (lf + 1)));
    size_t next = text.find('\n', end);
    if (next == std::string_view::npos) return;
    at = next + 1;
  }
}

}  // namespace

uint32_t ShiftTime(uint32_t time, int64_t seconds) {
  int64_t shifted = static_cast<int64_t>(time) + seconds;
  if (shifted < 0) return 0;
  if (shifted > static_cast<int64_t>(UINT32_MAX)) return UINT32_MAX;
  return static_cast<uint32_t>(shifted);
}

void FeedTimeZones::Add(std::string_view text) {
  if (zones_.size() >= kMaxFeedTimeZones) return;
  // The zone's own TZID comes before its first observance.
  const size_t first = FindContentLine(text, 0, "BEGIN");
  const size_t tzid_line = FindContentLine(text, 0, "TZID");
  std::optional<std::string> tzid;
  if (tzid_line == kFeedNotFound || (first != kFeedNotFound && tzid_line > first) ||
      PropertyValueAt(text, tzid_line, &tzid) != FeedCode::kDone || !tzid || tzid->empty() || Find(*tzid) >= 0) {
    return;
  }
  Zone zone;
  zone.tzid = *tzid;
  ForEachObservance(text, [&](std::string_view block) {
    if (zone.observances.size() >= kMaxZoneObservances) return;
    std::optional<std::string> start, from, to, rule;
    Observance observance;
    if (PropertyValueAt(block, FindContentLine(block, 0, "DTSTART"), &start) != FeedCode::kDone ||
        PropertyValueAt(block, FindContentLine(block, 0, "TZOFFSETFROM"), &from) != FeedCode::kDone ||
        PropertyValueAt(block, FindContentLine(block, 0, "TZOFFSETTO"), &to) != FeedCode::kDone ||
        PropertyValueAt(block, FindContentLine(block, 0, "RRULE"), &rule) != FeedCode::kDone ||
        !ParseOffset(from, &observance.offset_from) || !ParseOffset(to, &observance.offset_to)) {
      return;
    }
    // Zone definitions begin in 1601 or 1970 as often as not: before the handheld's time, an onset
    // is taken at its start.
    if (start && start->size() >= 8 && start->compare(0, 4, "2000") < 0) {
      std::string moved = "2000" + start->substr(4);
      if (moved.compare(4, 4, "0229") == 0) moved.replace(4, 4, "0301");
      start = moved;
    }
    bool has_time = false;
    if (ParseDateTime(start, &observance.onset, &has_time) != FeedCode::kDone || !start) return;
    if (rule) observance.has_rule = ParseRecurrenceRule(*rule, &observance.rule);
    if (rule && !observance.has_rule) return;
    for (size_t line = FindContentLine(block, 0, "RDATE"); line != kFeedNotFound;
         line = FindContentLine(block, line + 1, "RDATE")) {
      std::optional<std::string> value;
      if (PropertyValueAt(block, line, &value) != FeedCode::kDone || !value) continue;
      size_t at = 0;
      while (at <= value->size() && observance.dates.size() < 400) {
        size_t comma = value->find(',', at);
        if (comma == std::string::npos) comma = value->size();
        uint32_t date = 0;
        if (ParseDateTime(value->substr(at, comma - at), &date, nullptr) == FeedCode::kDone) {
          observance.dates.push_back(date);
        }
        at = comma + 1;
      }
    }
    zone.observances.push_back(std::move(observance));
  });
  if (!zone.observances.empty()) zones_.push_back(std::move(zone));
}

int FeedTimeZones::Find(const std::string& tzid) const {
  if (tzid.empty()) return -1;
  for (size_t i = 0; i < zones_.size(); ++i) {
    if (zones_[i].tzid == tzid) return static_cast<int>(i);
  }
  return -1;
}

bool FeedTimeZones::LastOnset(const Observance& observance, uint32_t utc, uint32_t* onset) {
  // Onsets are written in the wall clock before the change.
  const int64_t shift = -static_cast<int64_t>(observance.offset_from);
  bool found = false;
  uint32_t last = 0;
  auto consider = [&](uint32_t wall) {
    uint32_t at = ShiftTime(wall, shift);
    if (at > utc) return false;
    last = at;
    found = true;
    return true;
  };
  if (observance.has_rule) {
    uint32_t until = UINT32_MAX;
    if (observance.rule.has_until) {
      until = observance.rule.until_utc ? ShiftTime(observance.rule.until, observance.offset_from)
                                        : observance.rule.until;
      if (observance.rule.until_date) until = ShiftTime(until, 86399);
    }
    ExpandRecurrenceRule(observance.rule, observance.onset, until, ShiftTime(utc, observance.offset_from),
                         consider);
  } else {
    consider(observance.onset);
  }
  for (uint32_t date : observance.dates) {
    uint32_t at = ShiftTime(date, shift);
    if (at <= utc && (!found || at > last)) {
      last = at;
      found = true;
    }
  }
  *onset = last;
  return found;
}

int32_t FeedTimeZones::OffsetAtUtc(int zone, uint32_t utc) const {
  if (zone < 0 || static_cast<size_t>(zone) >= zones_.size()) return 0;
  const Zone& z = zones_[static_cast<size_t>(zone)];
  const Observance* latest = nullptr;
  uint32_t latest_onset = 0;
  const Observance* earliest = nullptr;
  for (const Observance& observance : z.observances) {
    uint32_t onset = 0;
    if (LastOnset(observance, utc, &onset) && (latest == nullptr || onset >= latest_onset)) {
      latest = &observance;
      latest_onset = onset;
    }
    if (earliest == nullptr || observance.onset < earliest->onset) earliest = &observance;
  }
  if (latest != nullptr) return latest->offset_to;
  return earliest != nullptr ? earliest->offset_from : 0;
}

uint32_t FeedTimeZones::UtcToWall(int zone, uint32_t utc) const { return ShiftTime(utc, OffsetAtUtc(zone, utc)); }

uint32_t FeedTimeZones::WallToUtc(int zone, uint32_t wall) const {
  if (zone < 0) return wall;
  // The offset in force an offset's width before the time: the one before a change.
  int32_t guess = OffsetAtUtc(zone, ShiftTime(wall, -static_cast<int64_t>(OffsetAtUtc(zone, wall))));
  int32_t before = OffsetAtUtc(zone, ShiftTime(wall, -static_cast<int64_t>(guess) - 86400));
  uint32_t utc = ShiftTime(wall, -static_cast<int64_t>(guess));
  if (UtcToWall(zone, utc) != wall) utc = ShiftTime(wall, -static_cast<int64_t>(before));
  return utc;
}
