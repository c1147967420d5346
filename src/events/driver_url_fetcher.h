// The fetcher of the movie events job: its progress reports go to the sync driver, so the user's
// cancel in the HotSync manager stops a download between two passes.
#ifndef REELBOX_EVENTS_DRIVER_URL_FETCHER_H
#define REELBOX_EVENTS_DRIVER_URL_FETCHER_H

#include "events/url_fetcher.h"

class JobContext;

class DriverUrlFetcher final : public TempFileUrlFetcher {
 public:
  // driver may be null: every report then goes on.
  DriverUrlFetcher(Env& env, JobContext* driver) : TempFileUrlFetcher(env), driver_(driver) {}
  bool ReportProgress(const char* text) override;

 private:
  JobContext* driver_;
};

#endif  // REELBOX_EVENTS_DRIVER_URL_FETCHER_H
