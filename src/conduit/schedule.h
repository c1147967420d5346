// When the movie events job is due. Times are desktop local seconds since 1970 (unsigned 32-bit),
// so day boundaries are local midnights.
#ifndef REELBOX_CONDUIT_SCHEDULE_H
#define REELBOX_CONDUIT_SCHEDULE_H

#include <cstdint>

struct EventsSchedule {
  bool due = false;
  bool noSchedule = false;  // interval -1: never runs on its own
  uint32_t daysLeft = 0;    // when not due and scheduled
};

// Due when the interval is 0, or now has reached the midnight that begins the day on which
// last run + interval falls (unsigned, wrapping arithmetic).
EventsSchedule DecideEventsSchedule(uint32_t interval, uint32_t last_run, uint32_t now);

#endif  // REELBOX_CONDUIT_SCHEDULE_H
