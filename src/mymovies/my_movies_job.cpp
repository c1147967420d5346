#include "mymovies/my_movies_job.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "device/byte_order.h"
#include "device/device_failure.h"
#include "diag/job_context.h"
#include "device/device_database.h"
#include "device/device_database_holder.h"
#include "mymovies/import_export_run.h"
#include "mymovies/movie_lists_block.h"

namespace {

constexpr uint16_t kRequestBits = kPrefExportRequested | kPrefImportRequested;

enum class Failure { kOpenOrCreate, kWriteBlock };

void ReportDatabaseFailure(JobContext& driver, DeviceDatabase& database, Failure failure, DeviceError result) {
  if (failure == Failure::kWriteBlock) {
    ReportDeviceFailure(driver, LogCode::kRemoteChangeFailed, database, result, "Unable to write AppInfo block for Ri Verid Database '%s'",
                        kMovieListsName);
  } else {
    ReportDeviceFailure(driver, LogCode::kRemoteReadFailed, database, result, "Unable to Create or Open Ri Verid Database '%s'",
                        kMovieListsName);
  }
}

JobResult RunJob(JobContext& driver) {
  DeviceDatabase* database = nullptr;
  NewDeviceDatabaseHolder holder(&database);
  DeviceError opened = database->Open(kMovieListsName, -1, -1);
  if (opened == DeviceError::kNotFound) {
    DatabaseCreateInfo info;
    std::memset(&info, 0, sizeof info);
    std::strncpy(info.name, kMovieListsName, sizeof info.name - 1);
    info.type = kMovieListsType;
    info.creator = kMovieListsCreator;
    info.version = kMovieListsVersion;
    opened = database->Create(&info, 0);
    if (opened == DeviceError::kOk) {
      uint8_t block[kMovieListsBlockSize];
      BuildMovieListsBlock(block);
      DeviceError written = database->WriteAppInfo(block, kMovieListsBlockSize);
      if (written != DeviceError::kOk) {
        ReportDatabaseFailure(driver, *database, Failure::kWriteBlock, written);
        return JobResult::kDeviceFailed;
      }
    }
  }
  if (opened != DeviceError::kOk) {
    ReportDatabaseFailure(driver, *database, Failure::kOpenOrCreate, opened);
    return JobResult::kDeviceFailed;
  }
  const uint16_t requested = Swap16(driver.GetDevicePreference()) & kRequestBits;
  JobResult result = RunImportExport(*database, driver);
  DeviceError closed = database->Close();
  if (closed != DeviceError::kOk) {
    // The handheld keeps a database whose save failed as it was: the requests stay, so the next
    // synchronization does what this one could not keep.
    ReportDeviceFailure(driver, LogCode::kRemoteChangeFailed, *database, closed,
                        "The handheld did not keep the changes to Ri Verid Database '%s'; the import/export request stays "
                        "for the next synchronization",
                        kMovieListsName);
    driver.SetDevicePreference(Swap16(static_cast<uint16_t>(Swap16(driver.GetDevicePreference()) | requested)));
    if (result == JobResult::kDone) result = JobResult::kDeviceWriteFailed;
  }
  return result;
}

void ReportNotEnoughMemory(JobContext& driver) {
  char line[256];
  std::snprintf(line, sizeof line, "Unable to synchronize %s Database '%s' because there was not enough memory.",
                "Ro Vedevu", kMovieListsName);
  driver.AddHotSyncLogEntry(line, LogCode::kLocalSaveFailed, 0);
}

}  // namespace

JobResult RunMyMoviesJob(JobContext& driver) {
  // An allocation that fails must end the job, never the HotSync manager that hosts the conduit.
  try {
    return RunJob(driver);
  } catch (const std::bad_alloc&) {
    ReportNotEnoughMemory(driver);
    return JobResult::kNoMemory;
  }
}
