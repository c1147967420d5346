#include "events/driver_url_fetcher.h"

#include "diag/job_context.h"

bool DriverUrlFetcher::ReportProgress(const char* text) {
  return driver_ == nullptr || driver_->ReportStatus(text);
}
