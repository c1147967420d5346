// The movie list import/export job, run by the sync driver when it is switched on.
#ifndef REELBOX_MYMOVIES_MY_MOVIES_JOB_H
#define REELBOX_MYMOVIES_MY_MOVIES_JOB_H

#include <cstdint>

#include "diag/job_context.h"

// kDone; kDeviceFailed when the database could not be opened, created or given its block; kNoMemory
// (reported, whatever allocation failed); kDeviceWriteFailed when the handheld did not keep the
// database at its close (the requests then stay); otherwise the import/export's result. The
// result does not change the synchronization's result.
JobResult RunMyMoviesJob(JobContext& driver);

#endif  // REELBOX_MYMOVIES_MY_MOVIES_JOB_H
