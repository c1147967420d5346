// Wall-clock dates and times for tests, as calendar fields and as handheld seconds.
#ifndef REELBOX_TEST_SUPPORT_CIVIL_H
#define REELBOX_TEST_SUPPORT_CIVIL_H

#include <cstdint>

#include "platform/clock.h"

namespace reelbox_test {

inline CivilTime Civil(int32_t y, int32_t mo, int32_t d, int32_t h = 0, int32_t mi = 0, int32_t s = 0) {
  CivilTime t;
  t.year = y;
  t.month = mo;
  t.day = d;
  t.hour = h;
  t.minute = mi;
  t.second = s;
  return t;
}

// Seconds since the handheld's epoch (1904) of a wall-clock date and time.
inline uint32_t Handheld(int32_t y, int32_t mo, int32_t d, int32_t h = 0, int32_t mi = 0, int32_t s = 0) {
  return static_cast<uint32_t>(SecondsFromCivil(Civil(y, mo, d, h, mi, s)) + 2082844800LL);
}

}  // namespace reelbox_test

#endif  // REELBOX_TEST_SUPPORT_CIVIL_H
