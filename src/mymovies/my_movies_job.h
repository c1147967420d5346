// The movie list import/export job, run by the sync driver when it is switched on.
#ifndef REELBOX_MYMOVIES_MY_MOVIES_JOB_H
#define REELBOX_MYMOVIES_MY_MOVIES_JOB_H

#include <cstdint>

class SyncDriver;

// 0 for success; the result does not change the synchronization's result.
int32_t RunMyMoviesJob(SyncDriver& driver);

#endif  // REELBOX_MYMOVIES_MY_MOVIES_JOB_H
