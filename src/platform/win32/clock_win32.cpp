#include "platform/clock.h"

#include <windows.h>

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

class Win32Clock final : public Clock {
 public:
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
    SYSTEMTIME universal;
    if (!::TzSpecificLocalTimeToSystemTime(nullptr, &wall, &universal)) return false;
    CivilTime u;
    u.year = universal.wYear;
    u.month = universal.wMonth;
    u.day = universal.wDay;
    u.hour = universal.wHour;
    u.minute = universal.wMinute;
    u.second = universal.wSecond;
    *utc = SecondsFromCivil(u);
    return true;
  }

  int FormatShortDate(const CivilTime& date, char* buffer, int size) override {
    if (buffer == nullptr || size <= 0) return 0;
    SYSTEMTIME st = ToSystemTime(date);
    return ::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buffer, size);
  }

  int FormatTime(const CivilTime& time, const char* picture, char* buffer, int size) override {
    if (buffer == nullptr || size <= 0) return 0;
    SYSTEMTIME st = ToSystemTime(time);
    return ::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, picture, buffer, size);
  }

  uint32_t TickCount() override { return ::GetTickCount(); }
};

}  // namespace

std::unique_ptr<Clock> NewPlatformClock() { return std::make_unique<Win32Clock>(); }
