// The movie events job: opens or creates "Movie-Events", and for each event list with a feed
// address downloads the feed, indexes the list's handheld records by UID and writes the events
// that are new or changed inside the list's window; then stores the lists' new window dates.
#include "events/movie_events_job.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "diag/job_context.h"
#include "device/device_database_holder.h"
#include "device/device_error.h"
#include "device/device_failure.h"
#include "device/sync_device_database.h"
#include "diag/handheld_link.h"
#include "diag/hotsync_log_codes.h"
#include "diag/sync_log.h"
#include "events/driver_url_fetcher.h"
#include "events/event_app_info.h"
#include "events/event_index.h"
#include "events/event_record.h"
#include "events/event_sync.h"
#include "events/feed_event.h"
#include "platform/clock.h"
#include "platform/env.h"

namespace {


__attribute__((format(printf, 3, 4))) void Entry(JobContext& driver, LogCode code, const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  driver.AddHotSyncLogEntry(text, code, 0);
}

uint32_t Today(JobContext& driver) {
  HandheldLink& link = driver.Link();
  uint32_t now = 0;
  if (link.ReadHandheldClock(&now) != 0) {
    // No handheld clock: the desktop's local wall clock is what the handheld would show.
    uint32_t local = 0;
    link.LocalTimeNow(&local);
    now = link.DesktopToHandheld(local);
  }
  return now / kSecondsPerDay * kSecondsPerDay;
}

DeviceError OpenOrCreateEventDatabase(uint32_t today, JobContext& driver, DeviceDatabase& database) {
  DeviceError result = database.Open(kEventDatabaseName, -1, -1);
  if (result != DeviceError::kNotFound) return result;
  DatabaseCreateInfo info;
  std::memset(&info, 0, sizeof(info));
  std::snprintf(info.name, sizeof(info.name), "%s", kEventDatabaseName);
  info.type = 0x51563035;     // "QV05"
  info.creator = 0x51565835;  // "QVX5"
  info.version = 1;
  result = database.Create(&info, 0);
  if (result != DeviceError::kOk) return result;
  EventAppInfo block;
  InitEventAppInfo(today, &block);
  result = database.WriteAppInfo(block.bytes, kEventAppInfoSize);
  if (result != DeviceError::kOk) {
    ReportDeviceFailure(driver, LogCode::kRemoteChangeFailed, database, result,
                        "Unable to write AppInfo block for Events Database '%s'", kEventDatabaseName);
  }
  return result;
}

// Indexes the handheld records of category list. Returns kOk when every record was read (also
// when the user stopped the scan), else the failing read's DeviceError: a read that fails part-way
// must not pass for the end of the list, or the feed would add the records it missed again.
// *records gets the number read. Every record is read whole, however long.
DeviceError ScanList(JobContext& driver, DeviceDatabase& database, EventIndex& index, int list,
                 const char* status, int* records) {
  index.Clear();
  *records = 0;
  std::vector<uint8_t> buffer(kEventRecordMaxSize);
  DeviceError read = database.ReadFirstInCategory(list);
  while (read == DeviceError::kOk && database.HasCurrentRecord()) {
    if (*records % 20 == 0 && !driver.ReportStatus(status)) return DeviceError::kOk;
    uint32_t size = 0;
    DeviceError copied = database.CopyCurrentRecord(buffer.data(), static_cast<uint32_t>(buffer.size()), &size);
    if (copied == DeviceError::kBufferTooSmall) {
      buffer.resize(size);
      copied = database.CopyCurrentRecord(buffer.data(), static_cast<uint32_t>(buffer.size()), &size);
    }
    if (copied != DeviceError::kOk) return copied;
    uint32_t id = 0;
    int32_t category = list;
    database.GetCurrentRecordId(&id);
    database.GetCurrentCategory(&category);
    EventRecord record;
    record.LoadPacked(buffer.data(), size, id, static_cast<uint32_t>(category));
    index.Insert(std::move(record));
    ++*records;
    read = database.ReadNextInCategory(list);
  }
  return read == DeviceError::kNoMoreRecords ? DeviceError::kOk : read;
}

// What the list loop does after one list. A cancelled download stops the loop but still writes
// the lists block; other failures end the job at once with their job result.
enum class ListOutcome { kNextList, kStopLists, kEndJob };

struct ListResult {
  ListOutcome outcome;
  JobResult job;  // the job's result when outcome is kEndJob
};

constexpr ListResult kNextList{ListOutcome::kNextList, JobResult::kDone};
constexpr ListResult EndJob(JobResult job) { return ListResult{ListOutcome::kEndJob, job}; }

// One list: download, scan, synchronize.
ListResult RunList(JobContext& driver, DeviceDatabase& database, DriverUrlFetcher& fetcher, EventIndex& index,
                   EventAppInfo& block, int list, uint32_t today, int* fetched_lists) {
  std::string name = block.ListName(list);
  std::string address = block.Address(list);
  Entry(driver, LogCode::kPlainText, "Synchronizing '%s' event records (%s)\n", name.c_str(), address.c_str());
  LogAudit("Fetching data from URL : %s\n", address.c_str());
  const FetchCode fetched = fetcher.Fetch(address.c_str());
  if (fetched == FetchCode::kCancelled) return ListResult{ListOutcome::kStopLists, JobResult::kDone};
  if (fetched != FetchCode::kDone) {
    Entry(driver, LogCode::kRemoteChangeFailed, "Unable to fetch data from URL '%s' (error #%li/%li - %s)", address.c_str(),
          static_cast<long>(fetched), static_cast<long>(static_cast<int32_t>(fetcher.ErrorCode())), fetcher.ErrorText());
    return fetched == FetchCode::kNoNetwork ? EndJob(JobResult::kDeviceFailed) : kNextList;
  }
  if (fetcher.HttpStatus() < 400) ++*fetched_lists;  // an error page is no feed
  LogAudit("Data Fetched.  Scanning device records\n");
  char status[1024];
  std::snprintf(status, sizeof(status), "Synchronizing '%s'", name.c_str());
  if (!driver.ReportStatus(status)) return EndJob(JobResult::kCancelled);

  Clock& clock = driver.Environment().Time();
  uint32_t started = clock.TickCount();
  int records = 0;
  DeviceError scanned = ScanList(driver, database, index, list, status, &records);
  if (driver.Cancelled()) return EndJob(JobResult::kCancelled);
  if (scanned != DeviceError::kOk) {
    ReportDeviceFailure(driver, LogCode::kRemoteReadFailed, database, scanned,
                        "Unable to read record %i from events Database '%s'", records, kEventDatabaseName);
    return EndJob(JobResult::kDeviceFailed);
  }
  uint32_t ticks = clock.TickCount() - started;
  uint32_t seconds = ticks / 1000 + (ticks % 1000 != 0 ? 1 : 0);
  Entry(driver, LogCode::kPlainText, "%i '%s' device event records read in %lu ticks (%lu second%s)\n", records,
        name.c_str(), static_cast<unsigned long>(ticks), static_cast<unsigned long>(seconds), seconds == 1 ? "" : "s");

  LogAudit("Synchronizing data for '%s'\n", name.c_str());
  uint32_t window = block.LastUpdate(list);
  if (window == 0) window = today - kEventWindowDays * kSecondsPerDay;
  ListCounts counts;
  FeedCode code = SyncEventList(driver, database, fetcher, index, list, name, window, today, &counts);
  if (code == FeedCode::kSomeBadEvents) {
    Entry(driver, LogCode::kRemoteReadFailed,
          "Warning : some events in the '%s' event dataset may not have synchronized properly due to formatting errors.\n",
          name.c_str());
  } else if (code == FeedCode::kNoMemory || code == FeedCode::kStreamError || code == FeedCode::kNoMemoryLate) {
    Entry(driver, LogCode::kRemoteReadFailed,
          "A fatal error (%s) occured while synchronizing the '%s' events.  Synchronization will now exit.\n",
          FeedCodeText(code), name.c_str());
    return EndJob(JobResult::kDeviceFailed);
  } else if (code >= FeedCode::kNoResponse) {
    const char* text = FeedCodeText(code);
    Entry(driver, LogCode::kRemoteReadFailed,
          "An error (%s) occured while synchronizing the '%s' events.  Synchronization of this list will now terminate.\n",
          text ? text : "", name.c_str());
  }
  Entry(driver, LogCode::kPlainText, "%u items updated for list '%s'\n", static_cast<unsigned>(counts.written), name.c_str());
  if (counts.not_added != 0) {
    Entry(driver, LogCode::kRemoteAddFailed, "the handheld's event database is full: %lu of %lu events of list '%s' were not added",
          static_cast<unsigned long>(counts.not_added), static_cast<unsigned long>(counts.to_add), name.c_str());
  }
  if (driver.Cancelled()) return EndJob(JobResult::kCancelled);
  // A list whose events did not all fit keeps its window: they come once there is room.
  if (code == FeedCode::kDone && counts.not_added == 0) block.SetLastUpdate(list, today);
  return kNextList;
}

JobResult RunJob(JobContext& driver, DeviceDatabase* database, DriverUrlFetcher& fetcher, uint32_t today,
                 bool* none_fetched) {
  if (database == nullptr) {
    driver.AddHotSyncLogEntry("Catastrophic memory failure allocating database object!", LogCode::kRemoteReadFailed, 0);
    return JobResult::kNoMemory;
  }
  if (!driver.ReportStatus("Opening Events database")) return JobResult::kCancelled;
  DeviceError opened = OpenOrCreateEventDatabase(today, driver, *database);
  if (opened != DeviceError::kOk) {
    ReportDeviceFailure(driver, LogCode::kRemoteReadFailed, *database, opened,
                        "Unable to Create or Open Events Database '%s'", kEventDatabaseName);
    return JobResult::kDeviceFailed;
  }
  EventAppInfo block;
  std::memset(block.bytes, 0, sizeof(block.bytes));
  DeviceError read = database->ReadAppInfo(block.bytes, kEventAppInfoSize);
  if (read == DeviceError::kNotFound) {
    // A first synchronization cut short after the database was made leaves it without its lists;
    // without them every later synchronization would fail. It gets the lists of a new database.
    InitEventAppInfo(today, &block);
    read = database->WriteAppInfo(block.bytes, kEventAppInfoSize);
    if (read != DeviceError::kOk) {
      ReportDeviceFailure(driver, LogCode::kRemoteChangeFailed, *database, read,
                          "Unable to write AppInfo block for Events Database '%s'", kEventDatabaseName);
      return JobResult::kDeviceFailed;
    }
    LogSync("NOTE : the Events Database '%s' had no lists block; it now has the lists of a new database.\n",
            kEventDatabaseName);
  }
  if (read != DeviceError::kOk) {
    ReportDeviceFailure(driver, LogCode::kRemoteChangeFailed, *database, read,
                        "Unable to read AppInfo block for Events Database '%s'", kEventDatabaseName);
    return JobResult::kDeviceFailed;
  }

  EventIndex index;
  int tried = 0;
  int fetched = 0;
  for (int list = 0; list < kEventListCount; ++list) {
    if (block.Address(list).empty()) continue;
    ++tried;
    const ListResult result = RunList(driver, *database, fetcher, index, block, list, today, &fetched);
    if (result.outcome == ListOutcome::kStopLists) break;
    if (result.outcome == ListOutcome::kEndJob) return result.job;
  }
  index.Clear();
  *none_fetched = tried > 0 && fetched == 0;

  block.MarkWritten();
  DeviceError written = database->WriteAppInfo(block.bytes, kEventAppInfoSize);
  if (written != DeviceError::kOk) {
    ReportDeviceFailure(driver, LogCode::kRemoteChangeFailed, *database, written,
                        "Unable to write AppInfo block for Events Database '%s'", kEventDatabaseName);
    return JobResult::kDeviceFailed;
  }
  if (auto* sync = dynamic_cast<SyncDeviceDatabase*>(database)) {
    // Neither touches what the job wrote: a failure is told, the job is still done.
    DeviceError purged = sync->FinishPassFirst();
    if (purged != DeviceError::kOk) {
      ReportDeviceFailure(driver, LogCode::kResetFlagsFailed, *database, purged,
                          "Unable to remove the deleted records of Events Database '%s'", kEventDatabaseName);
    }
    DeviceError cleared = sync->FinishPassSecond();
    if (cleared != DeviceError::kOk) {
      ReportDeviceFailure(driver, LogCode::kResetFlagsFailed, *database, cleared,
                          "Unable to clear the modified flags of Events Database '%s'", kEventDatabaseName);
    }
  }
  // A download the user stopped leaves lists unsynchronized: not a finished job.
  return driver.Cancelled() ? JobResult::kCancelled : JobResult::kDone;
}

}  // namespace

JobResult RunMovieEventsJob(JobContext& driver, bool* none_fetched) {
  bool none = false;
  DeviceDatabase* database = nullptr;
  NewDeviceDatabaseHolder holder(&database);
  DriverUrlFetcher fetcher(driver.Environment(), &driver);
  uint32_t today = Today(driver);
  LogDebug("\n\n");
  JobResult result = RunJob(driver, database, fetcher, today, &none);
  if (none_fetched) *none_fetched = none;
  if (database != nullptr && database->IsOpen()) {
    DeviceError closed = database->Close();
    // The handheld keeps a database whose save failed as it was: the events are not there, so the
    // job stays due.
    if (closed != DeviceError::kOk) {
      ReportDeviceFailure(driver, LogCode::kRemoteChangeFailed, *database, closed,
                          "The handheld did not keep the changes to Events Database '%s'", kEventDatabaseName);
      if (result == JobResult::kDone) result = JobResult::kDeviceFailed;
    }
  }
  fetcher.CloseDownloaded();
  return result;
}
