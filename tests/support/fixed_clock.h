// A clock for tests, in the manner of EnvWrapper: the real clock's zone rules, date pictures and
// tick count, with the current time fixed, so that texts built from "now" can be checked exactly.
#ifndef REELBOX_TESTS_SUPPORT_FIXED_CLOCK_H
#define REELBOX_TESTS_SUPPORT_FIXED_CLOCK_H

#include <cstdint>

#include "platform/clock.h"

class FixedClock : public Clock {
 public:
  FixedClock(Clock& target, int64_t now_utc) : target_(target), now_utc_(now_utc) {}
  int64_t NowUtc() override { return now_utc_; }
  bool FileTimeToLocal(uint64_t utc, uint64_t* local) override { return target_.FileTimeToLocal(utc, local); }
  bool LocalToUtc(CivilTime* local, int64_t* utc) override { return target_.LocalToUtc(local, utc); }
  int FormatShortDate(const CivilTime& date, char* buffer, int size) override {
    return target_.FormatShortDate(date, buffer, size);
  }
  int FormatTime(const CivilTime& time, const char* picture, char* buffer, int size) override {
    return target_.FormatTime(time, picture, buffer, size);
  }
  uint32_t TickCount() override { return target_.TickCount(); }

 private:
  Clock& target_;
  int64_t now_utc_;
};

#endif  // REELBOX_TESTS_SUPPORT_FIXED_CLOCK_H
