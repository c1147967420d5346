// The desktop clock, local time conversion and the locale's date and time pictures.
// (Being filled in: this header states the contract; posix/ and win32/ implement it.)
#ifndef REELBOX_PLATFORM_CLOCK_H
#define REELBOX_PLATFORM_CLOCK_H

#include <memory>

class Clock {
 public:
  Clock() = default;
  Clock(const Clock&) = delete;
  Clock& operator=(const Clock&) = delete;
  virtual ~Clock() = default;
};

// The implementation of this target.
std::unique_ptr<Clock> NewPlatformClock();

#endif  // REELBOX_PLATFORM_CLOCK_H
