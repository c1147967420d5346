// The handheld application's preference record, as the sync driver reads and writes it.
#include <cstdio>
#include <cstring>
#include <vector>

#include "conduit/sync_driver.h"
#include "diag/hotsync_log_codes.h"
#include "hotsync_api.h"

namespace {

constexpr uint32_t kCreatorKvrt = 0x4B565254;  // "KVRT"
constexpr uint16_t kPreferenceId = 4;
constexpr uint16_t kReadBufferSize = 5000;

}  // namespace

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
