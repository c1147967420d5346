#include "events/driver_url_fetcher.h"

#include "conduit/sync_driver.h"

bool DriverUrlFetcher::ReportProgress(const char* text) {
  return driver_ == nullptr || driver_->ReportStatus(text);
}
