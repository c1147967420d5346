#include "conduit/sync_driver.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "conduit/conduit_module.h"
#include "conduit/schedule.h"
#include "conduit/version_text.h"
#include "diag/hotsync_log_codes.h"
#include "events/movie_events_job.h"
#include "hotsync_api.h"
#include "mymovies/my_movies_job.h"
#include "platform/env.h"

namespace {

constexpr const char kDebugLogName[] = "kvrtdebuglog.txt";
constexpr const char kSyncLogName[] = "kvrtsynclog.txt";
constexpr const char kDisplayName[] = "Reelbox";

// The handheld application's preference record.
constexpr uint32_t kCreatorKvrt = 0x4B565254;  // "KVRT"
constexpr uint16_t kPreferenceId = 4;
constexpr uint16_t kReadBufferSize = 5000;

constexpr int32_t kSyncCancelled = ToInt(JobResult::kCancelled);

std::string TimeDateNow(HandheldLink& link, uint32_t* now) {
  link.LocalTimeNow(now);
  char text[kTimeDateTextSize];
  link.FormatTimeDate(link.DesktopToHandheld(*now), text);
  return text;
}

}  // namespace

std::string FolderOfProperties(const SyncProperties& properties) {
  const char* text = reinterpret_cast<const char*>(properties.bytes + kFolderOffset);
  size_t room = kSyncPropertiesSize - kFolderOffset;
  const void* end = std::memchr(text, '\0', room);
  return std::string(text, end ? static_cast<const char*>(end) - text : room);
}

SyncDriver::SyncDriver(Env& env) : env_(env), link_(new HandheldLink(env.Time())) {
  std::memset(&properties_, 0, sizeof properties_);
  std::memset(&prefs_, 0, sizeof prefs_);
}

SyncDriver::~SyncDriver() = default;

int32_t SyncDriver::RunSynchronization(const SyncInput& input) {
  std::string folder = FolderOfProperties(input.properties);
  int32_t result = 0;
  {
    SyncLog log(env_, this, folder, kDebugLogName, folder, kSyncLogName);
    uint32_t now = 0;
    std::string started = TimeDateNow(*link_, &now);
    LogSync("\n\n\n\n\n%s \n", "***************************");
    LogSync("Cinevane Connect\n%s\n\nSync starting at %s\n", ConduitVersionText(env_.System(), ResourceModule()),
            started.c_str());

    result = LoadSettings(input);
    if (result == 0) {
      // The only place a stop request can arrive before the jobs: ask the manager once.
      ReportStatus(nullptr);
      if (cancelled_) {
        result = kSyncCancelled;
      } else {
        if (now < prefs_.lastEventsRun) prefs_.lastEventsRun = 0;
        if ((prefs_.flags & kPrefsFlagMyMoviesOn) != 0) {
          RunMyMoviesJob(*this);
        } else {
          LogSync("\n%s Synchronization skipped.\n", "Ri Verid");
        }
        EventsSchedule schedule = DecideEventsSchedule(prefs_.eventsInterval, prefs_.lastEventsRun, now);
        if (cancelled_) {
          // The user stopped the movie list job: that is no finished synchronization, and the
          // events stay due for the next one.
          result = kSyncCancelled;
        } else if (schedule.due) {
          bool none_fetched = false;
          result = ToInt(RunEventsJob(&none_fetched));
          // A cancelled job may still answer 0; its events were not all fetched, so it stays due.
          // So does a run in which no list could be fetched: the next sync tries again.
          if (result == 0 && !cancelled_ && !none_fetched) prefs_.lastEventsRun = now;
          if (result == 0 && none_fetched) {
            LogSync("\n%s Synchronization will be tried again at the next sync: no event list could be fetched.\n",
                    "Movie Event");
          }
          if (result == 0 && cancelled_) result = kSyncCancelled;
        } else if (schedule.noSchedule) {
          LogSync("\n%s Synchronization skipped because there is no schedule set.\n", "Movie Event");
        } else {
          char when[32];
          if (schedule.daysLeft == 1) {
            std::snprintf(when, sizeof when, "%s", "tomorrow");
          } else {
            std::snprintf(when, sizeof when, "in %i days", static_cast<int>(schedule.daysLeft));
          }
          LogSync("\n%s Synchronization skipped.  Next synchronization scheduled %s.\n", "Movie Event", when);
        }
      }
      SaveSettings();
    }
    if (result != 0) {
      if (cancelled_) LogSync("User Cancelled");
      AddHotSyncLogEntry(kDisplayName, LogCode::kSyncAborted, 0);
    }
    std::string ended = TimeDateNow(*link_, &now);
    LogSync("\n\n%s synchronization ended at %s\n", kDisplayName, ended.c_str());
  }
  return result;
}

JobResult SyncDriver::RunEventsJob(bool* none_fetched) {
  // An allocation that fails must end the job, never the HotSync manager that hosts the conduit.
  try {
    return RunMovieEventsJob(*this, none_fetched);
  } catch (const std::bad_alloc&) {
    AddHotSyncLogEntry("Unable to synchronize Movie Event Database 'Movie-Events' because there was not enough "
                       "memory.",
                       LogCode::kRemoteReadFailed, 0);
    return JobResult::kNoMemory;
  }
}

int32_t SyncDriver::LoadSettings(const SyncInput& input) {
  cancelled_ = false;
  progress_ = input.progress;
  std::memcpy(&properties_, &input.properties, sizeof properties_);
  folder_ = FolderOfProperties(properties_);
  ReadConduitPrefs(env_.Files(), &prefs_, folder_.c_str());
  SetLogLevel(prefs_.logLevel);
  handheld_clock_at_start_ = 0;
  link_->ReadHandheldClock(&handheld_clock_at_start_);
  return ReadDevicePreference(&device_preference_);
}

int32_t SyncDriver::SaveSettings() {
  int32_t result = WriteDevicePreference(&device_preference_);
  WriteConduitPrefs(env_.Files(), prefs_, folder_.c_str());
  return result;
}

bool SyncDriver::ReportStatus(const char* text) {
  int32_t answer = progress_ ? progress_(text ? text : "working.") : 0;
  LogDebug("Sync status : %s\n", text ? text : "<none>");
  if (answer != 0) LogDebug("\n----------IDLE %s - retval %li\n", text ? text : "(generic)", static_cast<long>(answer));
  SyncYieldCycles(1);
  if (answer != 0) cancelled_ = true;
  return answer == 0;
}

void SyncDriver::AddHotSyncLogEntry(const char* text, LogCode code, uint8_t flag) {
  link_->AddHotSyncLogEntry(text, code, flag);
}

int32_t RunSynchronization(Env& env, const SyncInput& input) {
  SyncDriver driver(env);
  return driver.RunSynchronization(input);
}

// The handheld application's preference record, read at the start and written at the end.

int32_t SyncDriver::ReadDevicePreference(uint16_t* value) {
  std::vector<uint8_t> buffer(kReadBufferSize, 0);
  AppPreferenceRequest request;
  std::memset(&request, 0, sizeof request);
  request.version = 0;
  request.creator = kCreatorKvrt;
  request.prefId = kPreferenceId;
  request.requestedSize = kReadBufferSize;
  request.backedUp = 1;
  request.bufferSize = kReadBufferSize;
  request.buffer = buffer.data();
  int32_t error = SyncReadAppPreference(&request);
  if (error == kSyncErrNotFound) {
    *value = 0;
    return 0;
  }
  char message[256];
  if (error != 0) {
    std::snprintf(message, sizeof message,
                  "Unable to synchronize because an error occurred (%li) reading the application preferences.",
                  static_cast<long>(error));
    AddHotSyncLogEntry(message, LogCode::kRemoteReadFailed, 0);
    return -1;
  }
  if (request.version > 1) {
    AddHotSyncLogEntry(
        "Unable to synchronize because the device application is the wrong version.  Please verify "
        "that you have the correct version(s) installed.",
        LogCode::kRemoteReadFailed, 0);
    return -1;
  }
  // The two bytes stay in the handheld's order; the zero-filled buffer makes a short record 0.
  std::memcpy(value, buffer.data(), sizeof *value);
  return 0;
}

int32_t SyncDriver::WriteDevicePreference(const uint16_t* value) {
  uint16_t copy = *value;
  AppPreferenceRequest request;
  std::memset(&request, 0, sizeof request);
  request.version = 1;
  request.creator = kCreatorKvrt;
  request.prefId = kPreferenceId;
  request.requestedSize = sizeof copy;
  request.backedUp = 1;
  request.bufferSize = sizeof copy;
  request.buffer = reinterpret_cast<uint8_t*>(&copy);
  int32_t error = SyncWriteAppPreference(&request);
  if (error != 0) {
    char message[256];
    std::snprintf(message, sizeof message,
                  "Unable to complete synchronization because an error occurred (%li) writing the application "
                  "preferences.",
                  static_cast<long>(error));
    AddHotSyncLogEntry(message, LogCode::kRemoteChangeFailed, 0);
    return -1;
  }
  return 0;
}
