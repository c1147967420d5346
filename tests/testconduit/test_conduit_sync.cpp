// The test conduit's synchronization: it reads and writes its preference, adds records to
// "Test-Records" and walks them, reporting each step through the progress callback.
#include <chrono>
#include <cstring>
#include <thread>
#include <string>
#include <vector>

#include "test_conduit.h"

namespace {

uint32_t Code(const char* text) {
  return static_cast<uint32_t>(text[0]) << 24 | static_cast<uint32_t>(text[1]) << 16 |
         static_cast<uint32_t>(text[2]) << 8 | static_cast<uint32_t>(text[3]);
}

uint8_t OpenOrCreate() {
  uint8_t handle = 0;
  if (SyncOpenDB("Test-Records", 0, &handle, kSyncOpenReadWrite) == 0) return handle;
  DatabaseCreateRecord create = {};
  create.creator = Code("TEST");
  create.type = Code("DATA");
  create.flags = 8;
  std::strcpy(create.name, "Test-Records");
  create.version = 1;
  return SyncCreateDB(&create) == 0 ? create.handle : 0;
}

int32_t Work(ProgressCallback progress) {
  uint8_t value[2] = {0, 0};
  AppPreferenceRequest request = {};
  request.creator = Code("TEST");
  request.prefId = 1;
  request.requestedSize = 2;
  request.backedUp = 1;
  request.bufferSize = 2;
  request.buffer = value;
  int32_t read = SyncReadAppPreference(&request);
  if (read != 0 && read != kSyncErrNotFound) {
    LogAddEntry("Test conduit: reading the preference failed", 8, 0);
    return -1;
  }
  const uint8_t handle = OpenOrCreate();
  if (handle == 0) {
    LogAddEntry("Test conduit: Test-Records cannot be opened", 8, 0);
    return -1;
  }
  const long count = EnvNumber("TESTCONDUIT_RECORDS", 3);
  std::vector<uint8_t> data(static_cast<size_t>(EnvNumber("TESTCONDUIT_SIZE", 16)), 'r');
  int32_t result = 0;
  for (long i = 0; i < count && result == 0; ++i) {
    if (i % 100 == 0) {
      const std::string status = "Adding record " + std::to_string(i + 1);
      if (progress(status.c_str()) != 0) {
        LogAddEntry("User Cancelled", -1, 0);
        result = 10;
        break;
      }
      SyncYieldCycles(1);
      std::this_thread::sleep_for(std::chrono::milliseconds(EnvNumber("TESTCONDUIT_DELAY_MS", 0)));
    }
    RecordExchange record = {};
    record.handle = handle;
    record.attributes = kRecAttrDirty;
    record.category = static_cast<int16_t>(i % 4);
    record.recordSize = static_cast<uint32_t>(data.size());
    record.bufferSize = static_cast<uint16_t>(data.size());
    record.buffer = data.data();
    if (SyncWriteRec(&record) != 0) {
      LogAddEntry("Test conduit: adding a record failed", 9, 0);
      result = -1;
    }
  }
  uint16_t total = 0;
  SyncGetDBRecordCount(handle, &total);
  progress(("Test-Records holds " + std::to_string(total) + " records").c_str());
  if (SyncCloseDB(handle) != 0) {
    LogAddEntry("Test conduit: closing Test-Records failed", 17, 0);
    result = -1;
  }
  value[1] = static_cast<uint8_t>(value[1] + 1);  // counts the syncs
  request.version = 1;
  if (SyncWriteAppPreference(&request) != 0) {
    LogAddEntry("Test conduit: writing the preference failed", 11, 0);
  }
  if (result == 0) result = static_cast<int32_t>(EnvNumber("TESTCONDUIT_FAIL", 0));
  return result;
}

}  // namespace

extern "C" TC_EXPORT int32_t HS_CALL OpenConduit(ProgressCallback progress, void* properties) {
  if (progress == nullptr) return -1;
  uint32_t conduit_handle = 0;
  if (int32_t code = SyncRegisterConduit(&conduit_handle)) return code;
  int32_t action = 0;
  std::memcpy(&action, properties, 4);
  int32_t result = 0;
  if (action == kSyncActionDoNothing) {
    LogAddEntry("Test conduit doing nothing", -1, 0);
  } else {
    LogAddEntry("", 19, 0);
    const char* folder = static_cast<const char*>(properties) + kSyncPropertiesFolderOffset;
    LogAddEntry((std::string("Folder ") + folder).c_str(), -1, 0);
    result = Work(progress);
  }
  LogAddEntry("Test Conduit", result == 0 ? 20 : 21, 0);
  SyncUnRegisterConduit(conduit_handle);
  return result;
}
