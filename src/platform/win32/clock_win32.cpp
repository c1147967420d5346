#include "platform/clock.h"

#include <windows.h>

#include <cstring>
#include <string>
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
    KnownUtc& known = utc_[Slot(key)];
    if (known.generation == generation_ && known.key == key) {
      *utc = known.utc;
      return true;
    }
    // The zone the system answers for a null zone, read once a second: asking it to read the
    // zone itself costs a query of the zone settings per date (under Wine, two reads from disk).
    if (!zone_known_) zone_known_ = ::GetTimeZoneInformation(&zone_) != TIME_ZONE_ID_INVALID;
    if (zone_known_ && zone_.StandardDate.wMonth == 0 && zone_.DaylightDate.wMonth == 0) {
      // A zone without summer time: the conversion adds the bias and nothing else.
      *utc = SecondsFromCivil(*local) + int64_t{zone_.Bias} * 60;
    } else {
      SYSTEMTIME universal;
      if (!::TzSpecificLocalTimeToSystemTime(zone_known_ ? &zone_ : nullptr, &wall, &universal)) return false;
      CivilTime u;
      u.year = universal.wYear;
      u.month = universal.wMonth;
      u.day = universal.wDay;
      u.hour = universal.wHour;
      u.minute = universal.wMinute;
      u.second = universal.wSecond;
      *utc = SecondsFromCivil(u);
    }
    known = KnownUtc{key, *utc, generation_};
    return true;
  }

  int FormatShortDate(const CivilTime& date, char* buffer, int size) override {
    if (buffer == nullptr || size <= 0) return 0;
    const uint64_t key = KeyOf(date);
    Locked locked(this);
    KnownDate& known = dates_[Slot(key)];
    if (known.generation != generation_ || known.key != key) {
      SYSTEMTIME st = ToSystemTime(date);
      char text[sizeof known.text];
      int written = 0;
      if (!picture_known_) ReadPicture();
      if (picture_simple_) written = FormatPicture(date, text, sizeof text);
      if (written <= 0) written = ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, sizeof text);
      if (written <= 0) return ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buffer, size);
      known.key = key;
      known.generation = generation_;
      known.size = static_cast<uint8_t>(written - 1);
      std::memcpy(known.text, text, static_cast<size_t>(written));
    }
    if (static_cast<int>(known.size) + 1 > size) {
      ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
    std::memcpy(buffer, known.text, known.size + 1u);
    return static_cast<int>(known.size) + 1;
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
        ++clock_->generation_;
        clock_->zone_known_ = false;
        clock_->picture_known_ = false;
        clock_->stamp_ = now;
      }
    }
    ~Locked() { ::LeaveCriticalSection(&clock_->lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

   private:
    Win32Clock* clock_;
  };

  // The answers kept, in tables of fixed size (a newer answer takes the place of an older one),
  // valid while their generation is the clock's.
  struct KnownUtc {
    uint64_t key;
    int64_t utc;
    uint32_t generation;
  };
  struct KnownDate {
    uint64_t key;
    uint32_t generation;
    uint8_t size;
    char text[80];
  };
  static constexpr size_t kKnownSlots = 512;
  static size_t Slot(uint64_t key) { return static_cast<size_t>(KeyHash()(key) % kKnownSlots); }

  // The user's short date picture, when it is one this clock writes itself as the system would
  // (day, month and year numbers between other characters, the Gregorian calendar); checked on two
  // dates against the system's own answer before it is used.
  void ReadPicture() {
    picture_known_ = true;
    picture_simple_ = false;
    char calendar[8] = {};
    if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_ICALENDARTYPE, calendar, sizeof calendar) <= 0 ||
        std::strcmp(calendar, "1") != 0)
      return;
    if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SSHORTDATE, picture_, sizeof picture_) <= 0) return;
    for (const char* p = picture_; *p != '\0';) {
      const char c = *p;
      size_t run = 1;
      while (p[run] == c) ++run;
      const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
      if (c == '\'' || (letter && c != 'd' && c != 'M' && c != 'y')) return;
      if ((c == 'd' || c == 'M') && run > 2) return;
      if (c == 'y' && run != 1 && run != 2 && run != 4) return;
      p += run;
    }
    picture_simple_ = true;
    for (const CivilTime& probe : {CivilTime{2001, 2, 3, 12, 0, 0}, CivilTime{1999, 12, 31, 12, 0, 0}}) {
      SYSTEMTIME st = ToSystemTime(probe);
      char own[80];
      char system[80];
      const int a = FormatPicture(probe, own, sizeof own);
      const int b = ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, system, sizeof system);
      if (a <= 0 || a != b || std::memcmp(own, system, static_cast<size_t>(a)) != 0) picture_simple_ = false;
    }
  }

  // The date written by the picture into out (size bytes); the count with the NUL, 0 when it does
  // not fit or the year has no four digits.
  int FormatPicture(const CivilTime& date, char* out, size_t size) const {
    if (date.year < 1000 || date.year > 9999) return 0;
    size_t used = 0;
    auto put = [&](char c) {
      if (used + 1 < size) out[used] = c;
      ++used;
    };
    auto two = [&](int value, bool pad) {
      if (pad || value >= 10) put(static_cast<char>('0' + value / 10 % 10));
      put(static_cast<char>('0' + value % 10));
    };
    for (const char* p = picture_; *p != '\0';) {
      const char c = *p;
      size_t run = 1;
      while (p[run] == c) ++run;
      if (c == 'd') {
        two(date.day, run == 2);
      } else if (c == 'M') {
        two(date.month, run == 2);
      } else if (c == 'y') {
        if (run == 4) {
          two(date.year / 100, true);
          two(date.year % 100, true);
        } else {
          two(date.year % 100, run == 2);
        }
      } else {
        for (size_t i = 0; i < run; ++i) put(c);
      }
      p += run;
    }
    if (used + 1 > size) return 0;
    out[used] = '\0';
    return static_cast<int>(used + 1);
  }

  CRITICAL_SECTION lock_;
  DWORD stamp_ = 0;
  uint32_t generation_ = 1;
  bool zone_known_ = false;
  TIME_ZONE_INFORMATION zone_ = {};
  bool picture_known_ = false;
  bool picture_simple_ = false;
  char picture_[80] = {};
  KnownUtc utc_[kKnownSlots] = {};
  KnownDate dates_[kKnownSlots] = {};
};

}  // namespace

std::unique_ptr<Clock> NewPlatformClock() { return std::make_unique<Win32Clock>(); }
