// DeviceDatabase over the HotSync manager's synchronization operations. Keeps one record buffer
// (4096 bytes at first, grown to the needed size + 100 whenever a record does not fit, never
// shrunk) and one record exchange structure reused for every record call.
#ifndef REELBOX_DEVICE_SYNC_DEVICE_DATABASE_H
#define REELBOX_DEVICE_SYNC_DEVICE_DATABASE_H

#include <cstdint>
#include <vector>

#include "device/device_database.h"
#include "hotsync_api.h"

class SyncDeviceDatabase : public DeviceDatabase {
 public:
  static constexpr uint32_t kInitialBufferSize = 4096;

  SyncDeviceDatabase();
  // Clears the current record and closes the database if it is still open.
  ~SyncDeviceDatabase() override;

  DeviceError Open(const char* name, int32_t option1, int32_t option2) override;
  int32_t ReservedSlot6(uint32_t value1, uint32_t value2) override;
  int32_t ReservedSlot7(uint32_t value) override;
  DeviceError Close() override;
  DeviceError ReadAppInfo(void* buffer, uint16_t size) override;
  DeviceError GetRecordCount(uint32_t* count) override;
  DeviceError Create(const DatabaseCreateInfo* info, int32_t option) override;
  DeviceError WriteAppInfo(const void* buffer, uint16_t size) override;
  DeviceError PurgeCategory(int32_t category) override;
  DeviceError DeleteCurrentRecord() override;
  DeviceError DeleteRecord(uint32_t record_id) override;
  DeviceError ChangeCategory(int32_t from, int32_t to) override;
  DeviceError AddRecordWithId(uint32_t* record_id, int32_t category, const void* data, uint32_t size) override;
  DeviceError ReadFirstRecord() override;
  DeviceError ReadRecordAt(uint32_t index) override;
  DeviceError ReadRecordById(uint32_t record_id) override;
  DeviceError ReadFirstInCategory(int32_t category) override;
  DeviceError ReadNextRecord() override;
  DeviceError ReadNextInCategory(int32_t category) override;
  bool HasCurrentRecord() override;
  DeviceError GetCurrentIndex(uint32_t* index) override;
  DeviceError GetCurrentRecordId(uint32_t* record_id) override;
  DeviceError GetCurrentCategory(int32_t* category) override;
  DeviceError CopyCurrentRecord(void* buffer, uint32_t size, uint32_t* record_size) override;
  DeviceError WriteCurrentRecord(const void* data, uint32_t size, const int32_t* category) override;
  DeviceError AddRecord(int32_t category, const void* data, uint32_t size) override;
  DeviceError UpdateCurrentRecord(const void* data, uint32_t size, const int32_t* category) override;

  // The two end-of-pass operations: the first purges records marked deleted, the second clears
  // the dirty flags.
  DeviceError FinishPassFirst();
  DeviceError FinishPassSecond();

  uint32_t BufferSize() const { return static_cast<uint32_t>(buffer_.size()); }
  const char* Name() const { return name_; }

 private:
  enum class ReadKind { kByIndex, kById, kNextInCategory };

  void ClearCurrentRecord();
  void ZeroBuffer();
  void PrepareRecordCall();
  void GrowBuffer(uint32_t needed);
  DeviceError ReadRecord(ReadKind kind, int32_t category);
  DeviceError WriteRecord(uint32_t record_id, int32_t category, const void* data, uint32_t size);
  DeviceError ReadFirst(ReadKind kind, int32_t category);
  DeviceError ReadNext(ReadKind kind, int32_t category);
  DeviceError PlatformDelete(uint32_t record_id);

  uint8_t handle_ = 0;
  char name_[32] = {};
  bool current_ = false;
  uint32_t current_index_ = 0xFFFFFFFFu;
  uint32_t current_id_ = 0xFFFFFFFFu;
  RecordExchange exchange_;
  std::vector<uint8_t> buffer_;
  // The leading bytes of buffer_ that may not be zero; the rest is. Zeroing the whole buffer
  // then costs only what was used: a written record is small, the buffer grows to any size.
  size_t dirty_ = 0;
};

#endif  // REELBOX_DEVICE_SYNC_DEVICE_DATABASE_H
