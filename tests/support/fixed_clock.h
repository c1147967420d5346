// A clock for tests: the real clock's zone rules, date pictures and tick count, with the current
// time fixed, so that texts built from "now" can be checked exactly.
#ifndef REELBOX_TESTS_SUPPORT_FIXED_CLOCK_H
#define REELBOX_TESTS_SUPPORT_FIXED_CLOCK_H

#include <cstdint>

#include "support/forwarding_clock.h"

class FixedClock : public ForwardingClock {
 public:
  FixedClock(Clock& target, int64_t now_utc) : ForwardingClock(target), now_utc_(now_utc) {}
  int64_t NowUtc() override { return now_utc_; }

 private:
  int64_t now_utc_;
};

#endif  // REELBOX_TESTS_SUPPORT_FIXED_CLOCK_H
