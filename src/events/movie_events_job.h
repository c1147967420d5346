// The movie events job, run by the sync driver when its schedule says it is due.
#ifndef REELBOX_EVENTS_MOVIE_EVENTS_JOB_H
#define REELBOX_EVENTS_MOVIE_EVENTS_JOB_H

#include <cstdint>

#include "diag/job_context.h"

// kDone for success (the driver then moves the schedule's last run to now); any other value is the
// synchronization's result. *none_fetched (may be null) tells whether there were lists to fetch
// and every download failed: such a run is no finished run.
JobResult RunMovieEventsJob(JobContext& driver, bool* none_fetched = nullptr);

#endif  // REELBOX_EVENTS_MOVIE_EVENTS_JOB_H
