#include "platform/clock.h"

#include <time.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <memory>

namespace {

constexpr uint64_t kFileTimeUnitsPerSecond = 10000000;

// Applies a Windows time picture with the en-US designators; quoted text is copied as it stands.
std::string ApplyTimePicture(const CivilTime& t, const char* picture) {
  std::string out;
  const char* p = picture;
  while (*p) {
    char c = *p;
    if (c == '\'') {
      ++p;
      while (*p && *p != '\'') out += *p++;
      if (*p) ++p;
      continue;
    }
    size_t run = 1;
    while (p[run] == c) ++run;
    char field[8];
    switch (c) {
      case 'h': {
        int h12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
        std::snprintf(field, sizeof field, run > 1 ? "%02d" : "%d", h12);
        out += field;
        break;
      }
      case 'H':
        std::snprintf(field, sizeof field, run > 1 ? "%02d" : "%d", t.hour);
        out += field;
        break;
      case 'm':
        std::snprintf(field, sizeof field, run > 1 ? "%02d" : "%d", t.minute);
        out += field;
        break;
      case 's':
        std::snprintf(field, sizeof field, run > 1 ? "%02d" : "%d", t.second);
        out += field;
        break;
      case 't': {
        const char* designator = t.hour < 12 ? "AM" : "PM";
        out += run > 1 ? std::string(designator) : std::string(1, designator[0]);
        break;
      }
      default:
        out.append(run, c);
        break;
    }
    p += run;
  }
  return out;
}

int CopyOut(const std::string& text, char* buffer, int size) {
  if (buffer == nullptr || size <= 0 || text.size() + 1 > static_cast<size_t>(size)) return 0;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return static_cast<int>(text.size() + 1);
}

class PosixClock final : public Clock {
 private:
  // Answers by local time in a table of fixed size (a newer answer takes the slot of an older):
  // no allocation per date of an import.
  struct Known {
    uint64_t key;  // 0: empty
    CivilTime local;
    int64_t utc;
  };
  static constexpr size_t kKnownSlots = 512;
  std::mutex mutex_;
  std::string zone_;
  std::unique_ptr<Known[]> known_{new Known[kKnownSlots]()};
  bool zoneRead_ = false;

  Known& SlotOf(uint64_t key) { return known_[(key ^ (key >> 17) ^ (key >> 31)) % kKnownSlots]; }
  void Remember(uint64_t key, const CivilTime& local, int64_t utc) { SlotOf(key) = Known{key, local, utc}; }

  // The zone's offset at a time, kept per time: the dates of an import are mostly neighbours, and
  // each asks for the days around it. Cleared with known_.
  struct Offset {
    int64_t when;
    long offset;
    bool valid;
  };
  static constexpr size_t kOffsetSlots = 256;
  Offset offsets_[kOffsetSlots] = {};

  bool OffsetAt(int64_t when, long* out) {
    Offset& slot = offsets_[static_cast<uint64_t>(when / 3600) % kOffsetSlots];
    if (slot.valid && slot.when == when) {
      *out = slot.offset;
      return true;
    }
    const time_t t = static_cast<time_t>(when);
    struct tm parts;
    if (static_cast<int64_t>(t) != when || localtime_r(&t, &parts) == nullptr) return false;
    slot = Offset{when, parts.tm_gmtoff, true};
    *out = parts.tm_gmtoff;
    return true;
  }

  // The zone's offset at a local time given as if it were UTC, when the offset is the same a day
  // before and a day after it (no switch to or from summer time nearby); false otherwise.
  bool SteadyOffset(int64_t as_utc, long* offset) {
    // Offsets are less than a day, so the time itself lies in the day around it as well.
    for (const Steady& span : steady_) {
      if (span.valid && span.from <= as_utc - 86400 && as_utc + 86400 <= span.to) {
        *offset = span.offset;
        return true;
      }
    }
    long before = 0;
    long after = 0;
    long at = 0;
    if (!OffsetAt(as_utc - 86400, &before) || !OffsetAt(as_utc + 86400, &after) || before != after) return false;
    if (!OffsetAt(as_utc - before, &at) || at != before) return false;
    *offset = before;
    if (before > -86400 && before < 86400) KeepSteady(as_utc - 86400, as_utc + 86400, before);
    return true;
  }

  // Stretches of time found to have one offset: two that overlap with the same offset make one,
  // so the dates of an import, mostly neighbours, soon need no look at the zone rules at all.
  // Cleared with known_.
  struct Steady {
    int64_t from;
    int64_t to;
    long offset;
    bool valid;
  };
  static constexpr size_t kSteadySlots = 8;
  Steady steady_[kSteadySlots] = {};
  size_t steady_next_ = 0;

  void KeepSteady(int64_t from, int64_t to, long offset) {
    Steady* joined = nullptr;
    for (Steady& span : steady_) {
      if (!span.valid || span.offset != offset || span.from > to || from > span.to) continue;
      if (joined == nullptr) {
        span.from = std::min(span.from, from);
        span.to = std::max(span.to, to);
        joined = &span;
      } else {
        // The new stretch bridges two kept ones.
        joined->from = std::min(joined->from, span.from);
        joined->to = std::max(joined->to, span.to);
        span.valid = false;
      }
    }
    if (joined != nullptr) return;
    steady_[steady_next_] = Steady{from, to, offset, true};
    steady_next_ = (steady_next_ + 1) % kSteadySlots;
  }

 public:
  int64_t NowUtc() override {
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<int64_t>(ts.tv_sec);
  }

  bool FileTimeToLocal(uint64_t utc, uint64_t* local) override {
    time_t now = time(nullptr);
    struct tm parts;
    if (localtime_r(&now, &parts) == nullptr) return false;
    int64_t bias = static_cast<int64_t>(parts.tm_gmtoff) * static_cast<int64_t>(kFileTimeUnitsPerSecond);
    *local = utc + static_cast<uint64_t>(bias);
    return true;
  }

  bool LocalToUtc(CivilTime* local, int64_t* utc) override { return Convert(local, utc, true); }

  bool LocalToUtcInSameZone(CivilTime* local, int64_t* utc) override { return Convert(local, utc, false); }

 private:
  // check_zone: look at TZ first (getenv scans the whole environment, on every date of an import
  // otherwise).
  bool Convert(CivilTime* local, int64_t* utc, bool check_zone) {
    NormalizeCivilTime(local);
    // mktime looks at the zone file again on every call (a stat per date of an import line), so
    // answers are kept per local time for as long as TZ stays the same.
    const bool cacheable = local->year >= 0 && local->year < 65536 && local->month >= 1 && local->month <= 12 &&
                           local->day >= 1 && local->day <= 31 && local->hour >= 0 && local->hour < 64 &&
                           local->minute >= 0 && local->minute < 64 && local->second >= 0 && local->second < 64;
    const uint64_t key = cacheable ? (static_cast<uint64_t>(local->year) << 40 | static_cast<uint64_t>(local->month) << 32 |
                                      static_cast<uint64_t>(local->day) << 24 | static_cast<uint64_t>(local->hour) << 16 |
                                      static_cast<uint64_t>(local->minute) << 8 | static_cast<uint64_t>(local->second))
                                   : 0;
    std::lock_guard<std::mutex> lock(mutex_);
    const char* zone_variable = check_zone || !zoneRead_ ? std::getenv("TZ") : nullptr;
    // "=" and the variable when it is set, empty when not; compared without building a text,
    // since an import asks for every date.
    const bool same_zone = !check_zone && zoneRead_ ? true
                           : zone_variable != nullptr
                               ? !zone_.empty() && zone_.compare(1, std::string::npos, zone_variable) == 0
                               : zone_.empty();
    if (!same_zone || !zoneRead_) {
      for (size_t i = 0; i < kKnownSlots; ++i) known_[i].key = 0;
      for (Offset& slot : offsets_) slot.valid = false;
      for (Steady& span : steady_) span.valid = false;
      zone_ = zone_variable != nullptr ? std::string("=") + zone_variable : std::string();
      // localtime_r reads the zone only once; mktime below reads it on every call.
      tzset();
      zoneRead_ = true;
    }
    if (cacheable) {
      const Known& found = SlotOf(key);
      if (found.key == key) {
        *local = found.local;
        *utc = found.utc;
        return true;
      }
    }
    // Away from any change of the zone's offset the answer is plain arithmetic.
    const int64_t as_utc = SecondsFromCivil(*local);
    long offset = 0;
    if (SteadyOffset(as_utc, &offset)) {
      *utc = as_utc - offset;
      if (cacheable) Remember(key, *local, *utc);
      return true;
    }
    struct tm parts;
    std::memset(&parts, 0, sizeof parts);
    parts.tm_year = local->year - 1900;
    parts.tm_mon = local->month - 1;
    parts.tm_mday = local->day;
    parts.tm_hour = local->hour;
    parts.tm_min = local->minute;
    parts.tm_sec = local->second;
    parts.tm_isdst = -1;
    errno = 0;
    time_t t = mktime(&parts);
    if (t == static_cast<time_t>(-1) && errno != 0) return false;
    local->year = parts.tm_year + 1900;
    local->month = parts.tm_mon + 1;
    local->day = parts.tm_mday;
    local->hour = parts.tm_hour;
    local->minute = parts.tm_min;
    local->second = parts.tm_sec;
    *utc = static_cast<int64_t>(t);
    if (cacheable) Remember(key, *local, *utc);
    return true;
  }

 public:
  int FormatShortDate(const CivilTime& date, char* buffer, int size) override {
    char text[48];
    const int month = static_cast<int>(date.month);
    const int day = static_cast<int>(date.day);
    const int year = static_cast<int>(date.year);
    if (month < 0 || month > 99 || day < 0 || day > 99 || year < 0 || year > 9999) {
      std::snprintf(text, sizeof text, "%d/%d/%04d", month, day, year);
      return CopyOut(text, buffer, size);
    }
    // An export writes a date per field: the usual case without printf, two digits a step, into
    // buffer itself when it has room for any such date.
    static constexpr auto kPairs = [] {
      std::array<char, 200> pairs{};
      for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
      }
      return pairs;
    }();
    constexpr int kLongest = 10;  // "12/31/9999"
    char* const start = buffer != nullptr && size > kLongest ? buffer : text;
    char* p = start;
    auto put_small = [&p](int value) {
      if (value >= 10) {
        std::memcpy(p, &kPairs[2 * value], 2);
        p += 2;
      } else {
        *p++ = static_cast<char>('0' + value);
      }
    };
    put_small(month);
    *p++ = '/';
    put_small(day);
    *p++ = '/';
    std::memcpy(p, &kPairs[2 * (year / 100)], 2);
    std::memcpy(p + 2, &kPairs[2 * (year % 100)], 2);
    p += 4;
    const int length = static_cast<int>(p - start);
    if (start == text) {
      if (buffer == nullptr || size <= length) return 0;
      std::memcpy(buffer, text, static_cast<size_t>(length));
    }
    buffer[length] = '\0';
    return length + 1;
  }

  int FormatTime(const CivilTime& time, const char* picture, char* buffer, int size) override {
    return CopyOut(ApplyTimePicture(time, picture ? picture : "h:mm:ss tt"), buffer, size);
  }

  uint32_t TickCount() override {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
  }
};

}  // namespace

std::unique_ptr<Clock> NewPlatformClock() { return std::make_unique<PosixClock>(); }
