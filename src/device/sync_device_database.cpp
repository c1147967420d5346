#include "device/sync_device_database.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr uint32_t kNone = 0xFFFFFFFFu;
constexpr uint32_t kBufferSlack = 100;
constexpr uint8_t kDirty = 0x40;
constexpr uint32_t kCreateFlags = 8;
// The exchange's buffer-size field is 16 bits; a larger buffer is announced as this, which any
// record fits.
constexpr uint32_t kMaxAnnouncedSize = 0xFFFF;

uint16_t Announced(uint32_t size) { return static_cast<uint16_t>(size > kMaxAnnouncedSize ? kMaxAnnouncedSize : size); }

bool ValidCategory(int32_t category) { return category >= 0 && category < 16; }

}  // namespace

SyncDeviceDatabase::SyncDeviceDatabase() : buffer_(kInitialBufferSize, 0) {
  std::memset(&exchange_, 0, sizeof exchange_);
}

SyncDeviceDatabase::~SyncDeviceDatabase() {
  ClearCurrentRecord();
  if (open_) Close();
}

void SyncDeviceDatabase::ZeroBuffer() {
  std::memset(buffer_.data(), 0, dirty_);
  dirty_ = 0;
}

void SyncDeviceDatabase::ClearCurrentRecord() {
  ZeroBuffer();
  std::memset(&exchange_, 0, sizeof exchange_);
  walking_ = false;
  current_ = false;
  current_index_ = kNone;
  current_id_ = kNone;
}

void SyncDeviceDatabase::PrepareRecordCall() {
  std::memset(&exchange_, 0, sizeof exchange_);
  ZeroBuffer();
  dirty_ = buffer_.size();  // a read may fill all of it
  exchange_.handle = handle_;
  exchange_.buffer = buffer_.data();
  exchange_.recordSize = BufferSize();
  exchange_.bufferSize = Announced(BufferSize());
}

void SyncDeviceDatabase::GrowBuffer(uint32_t needed) {
  buffer_.assign(static_cast<size_t>(needed) + kBufferSlack, 0);
  dirty_ = 0;
}

DeviceError SyncDeviceDatabase::Open(const char* name, int32_t, int32_t) {
  ClearError();
  if (open_) return DeviceError::kAlreadyOpen;
  ClearCurrentRecord();
  uint8_t handle = 0;
  int32_t error = SyncOpenDB(name ? name : "", 0, &handle, kSyncOpenReadWrite);
  if (error == kSyncErrNotFound) return DeviceError::kNotFound;
  DeviceError result = SetPlatformResult(error);
  if (result != DeviceError::kOk) return result;
  handle_ = handle;
  open_ = true;
  std::snprintf(name_, sizeof name_, "%s", name ? name : "");
  return DeviceError::kOk;
}

int32_t SyncDeviceDatabase::ReservedSlot6(uint32_t, uint32_t) { return 0; }
int32_t SyncDeviceDatabase::ReservedSlot7(uint32_t) { return 1; }

DeviceError SyncDeviceDatabase::Close() {
  ClearError();
  if (!open_) return DeviceError::kNotOpen;
  ClearCurrentRecord();
  DeviceError result = SetPlatformResult(SyncCloseDB(handle_));
  if (result == DeviceError::kOk) {
    open_ = false;
    name_[0] = '\0';
  }
  return result;
}

DeviceError SyncDeviceDatabase::ReadAppInfo(void* buffer, uint16_t size) {
  ClearError();
  if (!open_) return DeviceError::kNotOpen;
  DatabaseBlockInfo info;
  std::memset(&info, 0, sizeof info);
  std::memcpy(info.name, name_, sizeof name_);
  info.bufferSize = size;
  info.byteCount = size;
  info.buffer = static_cast<uint8_t*>(buffer);
  DeviceError result = SetPlatformResult(SyncReadDBAppInfoBlock(handle_, &info));
  if (result != DeviceError::kOk) return result;
  return info.byteCount > size ? DeviceError::kBufferTooSmall : DeviceError::kOk;
}

DeviceError SyncDeviceDatabase::GetRecordCount(uint32_t* count) {
  ClearError();
  if (!open_) return DeviceError::kNotOpen;
  uint16_t n = 0;
  DeviceError result = SetPlatformResult(SyncGetDBRecordCount(handle_, &n));
  if (result == DeviceError::kOk && count != nullptr) *count = n;
  return result;
}

DeviceError SyncDeviceDatabase::Create(const DatabaseCreateInfo* info, int32_t) {
  ClearError();
  if (info == nullptr) return DeviceError::kNoDescription;
  if (open_) return DeviceError::kAlreadyOpen;
  ClearCurrentRecord();
  DatabaseCreateRecord record;
  std::memset(&record, 0, sizeof record);
  record.creator = info->creator;
  record.flags = kCreateFlags;
  record.card = 0;
  // The description's name may be unterminated; at most 31 characters are taken.
  size_t n = strnlen(info->name, sizeof record.name - 1);
  std::memcpy(record.name, info->name, n);
  record.type = info->type;
  record.version = static_cast<uint16_t>(info->version);
  int32_t error = SyncCreateDB(&record);
  if (error == kSyncErrExists) return DeviceError::kExists;
  if (error == static_cast<int32_t>(kSyncErrAlreadyOpen)) {
    SetPlatformResult(0);
    return DeviceError::kAlreadyOpen;
  }
  DeviceError result = SetPlatformResult(error);
  if (result != DeviceError::kOk) return result;
  handle_ = record.handle;
  open_ = true;
  std::memcpy(name_, record.name, sizeof name_);
  name_[sizeof name_ - 1] = '\0';
  return DeviceError::kOk;
}

DeviceError SyncDeviceDatabase::WriteAppInfo(const void* buffer, uint16_t size) {
  ClearError();
  if (!open_) return DeviceError::kNotOpen;
  DatabaseBlockInfo info;
  std::memset(&info, 0, sizeof info);
  std::memcpy(info.name, name_, sizeof name_);
  info.bufferSize = size;
  info.byteCount = size;
  info.buffer = static_cast<uint8_t*>(const_cast<void*>(buffer));
  return SetPlatformResult(SyncWriteDBAppInfoBlock(handle_, &info));
}

DeviceError SyncDeviceDatabase::PurgeCategory(int32_t category) {
  ClearError();
  if (!open_) return DeviceError::kNotOpen;
  if (!ValidCategory(category)) return DeviceError::kBadCategory;
  ClearCurrentRecord();
  return SetPlatformResult(SyncPurgeAllRecsInCategory(handle_, static_cast<int16_t>(category)));
}

DeviceError SyncDeviceDatabase::DeleteCurrentRecord() {
  ClearError();
  if (!open_) return DeviceError::kNotOpen;
  if (!current_) return DeviceError::kNoCurrent;
  DeviceError result = PlatformDelete(current_id_);
  ClearCurrentRecord();
  return result;
}

DeviceError SyncDeviceDatabase::DeleteRecord(uint32_t record_id) {
  ClearError();
  if (!open_) return DeviceError::kNotOpen;
  ClearCurrentRecord();
  return PlatformDelete(record_id);
}

DeviceError SyncDeviceDatabase::PlatformDelete(uint32_t record_id) {
  // The manager takes the record to delete as an exchange record, not as handle and id.
  RecordExchange request = {};
  request.handle = handle_;
  request.recordId = record_id;
  return SetPlatformResult(SyncDeleteRec(&request));
}

DeviceError SyncDeviceDatabase::ChangeCategory(int32_t from, int32_t to) {
  ClearError();
  // A closed database has no handle to hand the platform.
  if (!open_) return DeviceError::kNotOpen;
  if (!ValidCategory(from) || !ValidCategory(to)) return DeviceError::kBadCategory;
  ClearCurrentRecord();
  return SetPlatformResult(SyncChangeCategory(handle_, static_cast<uint8_t>(from), static_cast<uint8_t>(to)));
}

DeviceError SyncDeviceDatabase::WriteRecord(uint32_t record_id, int32_t category, const void* data, uint32_t size) {
  if (size > BufferSize()) GrowBuffer(size);
  PrepareRecordCall();
  if (size > 0 && data != nullptr) std::memcpy(buffer_.data(), data, size);
  exchange_.recordId = record_id;
  exchange_.recordSize = size;
  exchange_.bufferSize = Announced(size);
  exchange_.attributes = kDirty;
  exchange_.category = static_cast<int16_t>(category);
  DeviceError result = SetPlatformResult(SyncWriteRec(&exchange_));
  dirty_ = size;  // a write only reads the buffer
  current_ = result == DeviceError::kOk;
  walking_ = false;
  if (current_) {
    current_id_ = exchange_.recordId;
  } else {
    current_id_ = kNone;
  }
  return result;
}

DeviceError SyncDeviceDatabase::AddRecordWithId(uint32_t* record_id, int32_t category, const void* data, uint32_t size) {
  if (record_id != nullptr) *record_id = 0;
  ClearError();
  if (!open_) return DeviceError::kNotOpen;
  ClearCurrentRecord();
  DeviceError result = WriteRecord(0, category, data, size);
  if (result == DeviceError::kOk && record_id != nullptr) *record_id = current_id_;
  return result;
}

DeviceError SyncDeviceDatabase::ReadRecord(ReadKind kind, int32_t category) {
  auto call = [&](ReadKind how, uint32_t id) {
    PrepareRecordCall();
    switch (how) {
      case ReadKind::kByIndex:
        exchange_.index = static_cast<uint16_t>(current_index_);
        return SyncReadRecordByIndex(&exchange_);
      case ReadKind::kById:
        exchange_.recordId = id;
        return SyncReadRecordById(&exchange_);
      case ReadKind::kNextInCategory:
        exchange_.category = static_cast<int16_t>(category);
        return SyncReadNextRecInCategory(&exchange_);
    }
    return static_cast<int32_t>(kSyncErrNotFound);
  };
  int32_t error = call(kind, current_id_);
  if (error == 0 && exchange_.recordSize > exchange_.bufferSize) {
    // The data was cut: read the same record again into a buffer it fits. The next record of a
    // category is read again by its id, so the category position does not move on.
    uint32_t id = exchange_.recordId;
    GrowBuffer(exchange_.recordSize);
    error = call(kind == ReadKind::kNextInCategory ? ReadKind::kById : kind, id);
  }
  // A read that succeeded wrote the record's bytes and no more: only those are zeroed before the
  // next call (zeroing the whole buffer for every record of a walk cost more than the copy).
  if (error == 0 && exchange_.recordSize <= BufferSize()) dirty_ = exchange_.recordSize;
  DeviceError result = SetPlatformResult(error);
  if (result == DeviceError::kOk) current_id_ = exchange_.recordId;
  return result;
}

DeviceError SyncDeviceDatabase::ReadFirst(ReadKind kind, int32_t category) {
  ClearError();
  if (!open_) return DeviceError::kNotOpen;
  ClearCurrentRecord();
  current_index_ = 0;
  // Without the reset a category walk would go on from where the last one ended, and a caller
  // would take the records it misses for no records.
  int32_t reset = SyncResetRecordIndex(handle_);
  DeviceError result = reset != 0 ? SetPlatformResult(reset) : ReadRecord(kind, category);
  if (result == DeviceError::kOk) {
    current_ = true;
    walking_ = true;
    return result;
  }
  current_index_ = kNone;
  current_id_ = kNone;
  return result == DeviceError::kNotFound ? DeviceError::kNoMoreRecords : result;
}

DeviceError SyncDeviceDatabase::ReadNext(ReadKind kind, int32_t category) {
  ClearError();
  if (!open_) return DeviceError::kNotOpen;
  if (!walking_ || (kind == ReadKind::kByIndex && current_index_ == kNone)) return DeviceError::kNoCurrent;
  if (kind == ReadKind::kByIndex) ++current_index_;
  DeviceError result = ReadRecord(kind, category);
  if (result == DeviceError::kOk) {
    current_ = true;
    return result;
  }
  ClearCurrentRecord();
  return result == DeviceError::kNotFound ? DeviceError::kNoMoreRecords : result;
}

DeviceError SyncDeviceDatabase::ReadFirstRecord() { return ReadFirst(ReadKind::kByIndex, 0); }

DeviceError SyncDeviceDatabase::ReadRecordAt(uint32_t) { return DeviceError::kNotSupported; }

DeviceError SyncDeviceDatabase::ReadRecordById(uint32_t record_id) {
  ClearError();
  if (!open_) return DeviceError::kNotOpen;
  ClearCurrentRecord();
  current_id_ = record_id;
  DeviceError result = ReadRecord(ReadKind::kById, 0);
  if (result == DeviceError::kOk) {
    current_ = true;
  } else {
    current_id_ = kNone;
  }
  return result;
}

DeviceError SyncDeviceDatabase::ReadFirstInCategory(int32_t category) {
  return ReadFirst(ReadKind::kNextInCategory, category);
}

DeviceError SyncDeviceDatabase::ReadNextRecord() { return ReadNext(ReadKind::kByIndex, 0); }

DeviceError SyncDeviceDatabase::ReadNextInCategory(int32_t category) {
  return ReadNext(ReadKind::kNextInCategory, category);
}

bool SyncDeviceDatabase::HasCurrentRecord() { return current_; }

DeviceError SyncDeviceDatabase::GetCurrentIndex(uint32_t* index) {
  if (index != nullptr) *index = 0;
  return DeviceError::kNotSupported;
}

DeviceError SyncDeviceDatabase::GetCurrentRecordId(uint32_t* record_id) {
  ClearError();
  if (!open_) return DeviceError::kNotOpen;
  if (!current_) return DeviceError::kNoCurrent;
  if (record_id != nullptr) *record_id = current_id_;
  return DeviceError::kOk;
}

DeviceError SyncDeviceDatabase::GetCurrentCategory(int32_t* category) {
  ClearError();
  if (!open_) return DeviceError::kNotOpen;
  if (!current_) return DeviceError::kNoCurrent;
  if (category != nullptr) *category = exchange_.category;
  return DeviceError::kOk;
}

DeviceError SyncDeviceDatabase::CopyCurrentRecord(void* buffer, uint32_t size, uint32_t* record_size) {
  ClearError();
  if (!open_) return DeviceError::kNotOpen;
  if (!current_) return DeviceError::kNoCurrent;
  uint32_t stored = exchange_.recordSize;
  if (record_size != nullptr) *record_size = stored;
  if (size < stored || (buffer == nullptr && stored > 0)) return DeviceError::kBufferTooSmall;
  if (stored > 0) std::memcpy(buffer, buffer_.data(), stored);
  return DeviceError::kOk;
}

DeviceError SyncDeviceDatabase::WriteCurrentRecord(const void* data, uint32_t size, const int32_t* category) {
  ClearError();
  if (!open_) return DeviceError::kNotOpen;
  if (!current_) return DeviceError::kNoCurrent;
  int32_t target = category != nullptr ? *category : exchange_.category;
  return WriteRecord(current_id_, target, data, size);
}

DeviceError SyncDeviceDatabase::AddRecord(int32_t category, const void* data, uint32_t size) {
  uint32_t ignored = 0;
  return AddRecordWithId(&ignored, category, data, size);
}

DeviceError SyncDeviceDatabase::UpdateCurrentRecord(const void* data, uint32_t size, const int32_t* category) {
  return WriteCurrentRecord(data, size, category);
}

DeviceError SyncDeviceDatabase::FinishPassFirst() {
  ClearError();
  if (!open_) return DeviceError::kNotOpen;
  return SetPlatformResult(SyncFinishPassPurge(handle_));
}

DeviceError SyncDeviceDatabase::FinishPassSecond() {
  ClearError();
  if (!open_) return DeviceError::kNotOpen;
  return SetPlatformResult(SyncFinishPassClearFlags(handle_));
}
