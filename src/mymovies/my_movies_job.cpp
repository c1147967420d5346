#include "mymovies/my_movies_job.h"

#include "conduit/sync_driver.h"

int32_t RunMyMoviesJob(SyncDriver& driver) {
  (void)driver;
  return 0;
}
