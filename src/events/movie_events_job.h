// The movie events job, run by the sync driver when its schedule says it is due.
#ifndef REELBOX_EVENTS_MOVIE_EVENTS_JOB_H
#define REELBOX_EVENTS_MOVIE_EVENTS_JOB_H

#include <cstdint>

class JobContext;

// 0 for success (the driver then moves the schedule's last run to now); any other value is the
// synchronization's result.
int32_t RunMovieEventsJob(JobContext& driver);

#endif  // REELBOX_EVENTS_MOVIE_EVENTS_JOB_H
