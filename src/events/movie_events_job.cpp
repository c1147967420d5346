#include "events/movie_events_job.h"

#include "conduit/sync_driver.h"

int32_t RunMovieEventsJob(SyncDriver& driver) {
  (void)driver;
  return 0;
}
