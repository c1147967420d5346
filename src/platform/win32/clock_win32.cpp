#include "platform/clock.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>

namespace {

constexpr uint64_t kUnitsPerSecond = 10000000;
constexpr uint64_t kUnitsTo1970 = 116444736000000000ULL;

SYSTEMTIME ToSystemTime(const CivilTime& t) {
  SYSTEMTIME st = {};
  st.wYear = static_cast<WORD>(t.year);
  st.wMonth = static_cast<WORD>(t.month);
  st.wDay = static_cast<WORD>(t.day);
  st.wHour = static_cast<WORD>(t.hour);
  st.wMinute = static_cast<WORD>(t.minute);
  st.wSecond = static_cast<WORD>(t.second);
  return st;
}

uint64_t FromFileTime(const FILETIME& ft) {
  return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

FILETIME ToFileTime(uint64_t units) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(units & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(units >> 32);
  return ft;
}

// The fields of a calendar time as one number (every field in range after normalising).
uint64_t KeyOf(const CivilTime& t) {
  return static_cast<uint64_t>(t.year) << 40 | static_cast<uint64_t>(t.month) << 32 |
         static_cast<uint64_t>(t.day) << 24 | static_cast<uint64_t>(t.hour) << 16 |
         static_cast<uint64_t>(t.minute) << 8 | static_cast<uint64_t>(t.second);
}

// std::hash of a 64-bit key keeps only its low 32 bits on this target: day and time of day, so
// every date of a year shared one of 31 buckets and each lookup walked thousands of entries.
struct KeyHash {
  size_t operator()(uint64_t key) const {
    key ^= key >> 33;
    key *= 0xff51afd7ed558ccdULL;
    key ^= key >> 33;
    return static_cast<size_t>(key);
  }
};

class Win32Clock final : public Clock {
 public:
  Win32Clock() { ::InitializeCriticalSection(&lock_); }
  ~Win32Clock() override { ::DeleteCriticalSection(&lock_); }

  int64_t NowUtc() override {
    FILETIME ft;
    ::GetSystemTimeAsFileTime(&ft);
    return static_cast<int64_t>((FromFileTime(ft) - kUnitsTo1970) / kUnitsPerSecond);
  }

  bool FileTimeToLocal(uint64_t utc, uint64_t* local) override {
    FILETIME in = ToFileTime(utc);
    FILETIME out;
    if (!::FileTimeToLocalFileTime(&in, &out)) return false;
    *local = FromFileTime(out);
    return true;
  }

  bool LocalToUtc(CivilTime* local, int64_t* utc) override {
    NormalizeCivilTime(local);
    if (local->year < 1601 || local->year > 30827) return false;
    SYSTEMTIME wall = ToSystemTime(*local);
    // The day of week is not an input of the conversion, but some versions check it.
    int64_t days = DaysFromCivil(local->year, local->month, local->day);
    wall.wDayOfWeek = static_cast<WORD>(((days % 7) + 11) % 7);
    const uint64_t key = KeyOf(*local);
    Locked locked(this);
    auto known = utc_.find(key);
    if (known != utc_.end()) {
      *utc = known->second;
      return true;
    }
    SYSTEMTIME universal;
    // The zone the system answers for a null zone, read once a second: asking it to read the
    // zone itself costs a query of the zone settings per date (under Wine, two reads from disk).
    if (!zone_known_) zone_known_ = ::GetTimeZoneInformation(&zone_) != TIME_ZONE_ID_INVALID;
    if (!::TzSpecificLocalTimeToSystemTime(zone_known_ ? &zone_ : nullptr, &wall, &universal)) return false;
    CivilTime u;
    u.year = universal.wYear;
    u.month = universal.wMonth;
    u.day = universal.wDay;
    u.hour = universal.wHour;
    u.minute = universal.wMinute;
    u.second = universal.wSecond;
    *utc = SecondsFromCivil(u);
    if (utc_.size() >= kKnownLimit) utc_.clear();
    utc_[key] = *utc;
    return true;
  }

  int FormatShortDate(const CivilTime& date, char* buffer, int size) override {
    if (buffer == nullptr || size <= 0) return 0;
    const uint64_t key = KeyOf(date);
    Locked locked(this);
    auto known = dates_.find(key);
    if (known == dates_.end()) {
      SYSTEMTIME st = ToSystemTime(date);
      char text[128];
      int written = ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, sizeof text);
      if (written <= 0) return ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buffer, size);
      if (dates_.size() >= kKnownLimit) dates_.clear();
      known = dates_.emplace(key, std::string(text, static_cast<size_t>(written - 1))).first;
    }
    const std::string& text = known->second;
    if (text.size() + 1 > static_cast<size_t>(size)) {
      ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<int>(text.size() + 1);
  }

  int FormatTime(const CivilTime& time, const char* picture, char* buffer, int size) override {
    if (buffer == nullptr || size <= 0) return 0;
    SYSTEMTIME st = ToSystemTime(time);
    return ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, picture, buffer, size);
  }

  uint32_t TickCount() override { return ::GetTickCount(); }

 private:
  // Zone and locale answers are kept for a second: an import or export asks for the same dates
  // again and again, and every call reads the zone or locale settings anew. A change of either
  // is seen within the second.
  class Locked {
   public:
    explicit Locked(Win32Clock* clock) : clock_(clock) {
      ::EnterCriticalSection(&clock_->lock_);
      const DWORD now = ::GetTickCount();
      if (now - clock_->stamp_ >= 1000) {
        clock_->utc_.clear();
        clock_->dates_.clear();
        clock_->zone_known_ = false;
        clock_->stamp_ = now;
      }
    }
    ~Locked() { ::LeaveCriticalSection(&clock_->lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

   private:
    Win32Clock* clock_;
  };
  static constexpr size_t kKnownLimit = 8192;
  CRITICAL_SECTION lock_;
  DWORD stamp_ = 0;
  bool zone_known_ = false;
  TIME_ZONE_INFORMATION zone_ = {};
  std::unordered_map<uint64_t, int64_t, KeyHash> utc_;
  std::unordered_map<uint64_t, std::string, KeyHash> dates_;
};

}  // namespace

std::unique_ptr<Clock> NewPlatformClock() { return std::make_unique<Win32Clock>(); }
