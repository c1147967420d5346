// A clock that passes every call on to another, in the manner of ForwardingFileSystem: a test
// overrides the one call it changes and keeps the rest real.
#ifndef REELBOX_TESTS_SUPPORT_FORWARDING_CLOCK_H
#define REELBOX_TESTS_SUPPORT_FORWARDING_CLOCK_H

#include <cstdint>

#include "platform/clock.h"

class ForwardingClock : public Clock {
 public:
  explicit ForwardingClock(Clock& target) : target_(target) {}
  int64_t NowUtc() override { return target_.NowUtc(); }
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
};

#endif  // REELBOX_TESTS_SUPPORT_FORWARDING_CLOCK_H
