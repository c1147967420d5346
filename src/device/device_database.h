// One open handheld database: open or create it by name, read and write its AppInfo block, walk
// its records (by index or by category), read one by id, add, rewrite and delete records, purge
// or change categories, close it.
//
// Every operation except IsOpen, ClearError, GetErrorText, GetErrorCode and HasCurrentRecord
// first clears the error, so the platform code and text always describe the latest operation;
// callers quote them as "(error #%li/%li - %s)". Results are DeviceError values. A read makes a
// record current; a first read starts a walk that the next reads continue until 7. Not copyable;
// used on the synchronization thread only.
#ifndef REELBOX_DEVICE_DEVICE_DATABASE_H
#define REELBOX_DEVICE_DEVICE_DATABASE_H

#include <cstddef>
#include <cstdint>

#include "device/device_error.h"

// What Create makes: zero it, then fill in the name (NUL-terminated), type, creator, version.
struct DatabaseCreateInfo {
  char name[36];
  uint32_t type;
  uint32_t creator;
  uint32_t version;  // the low 16 bits are used
};

class DeviceDatabase {
 public:
  static constexpr size_t kErrorTextSize = 512;

  DeviceDatabase() = default;
  DeviceDatabase(const DeviceDatabase&) = delete;
  DeviceDatabase& operator=(const DeviceDatabase&) = delete;
  virtual ~DeviceDatabase() = default;

  virtual bool IsOpen();
  virtual void ClearError();
  // Copies the text into buffer (kErrorTextSize bytes) and returns buffer; null gives null.
  virtual char* GetErrorText(char* buffer);
  virtual uint32_t GetErrorCode();
  // Opens the named database for reading and writing; 4 when it does not exist. The options are
  // accepted for callers that pass them (-1, -1) and have no effect.
  virtual DeviceError Open(const char* name, int32_t option1, int32_t option2) = 0;
  virtual int32_t ReservedSlot6(uint32_t value1, uint32_t value2) = 0;  // 0, no effect
  virtual int32_t ReservedSlot7(uint32_t value) = 0;                    // 1, no effect
  virtual DeviceError Close() = 0;
  // 8 when the block is larger than size.
  virtual DeviceError ReadAppInfo(void* buffer, uint16_t size) = 0;
  virtual DeviceError GetRecordCount(uint32_t* count) = 0;
  // Creates and opens the database; 5 when it exists. The option has no effect.
  virtual DeviceError Create(const DatabaseCreateInfo* info, int32_t option) = 0;
  virtual DeviceError WriteAppInfo(const void* buffer, uint16_t size) = 0;
  virtual DeviceError PurgeCategory(int32_t category) = 0;
  virtual DeviceError DeleteCurrentRecord() = 0;
  virtual DeviceError DeleteRecord(uint32_t record_id) = 0;
  virtual DeviceError ChangeCategory(int32_t from, int32_t to) = 0;
  // Writes a new dirty record; its id goes to *record_id and it becomes the current record.
  virtual DeviceError AddRecordWithId(uint32_t* record_id, int32_t category, const void* data, uint32_t size) = 0;
  virtual DeviceError ReadFirstRecord() = 0;
  virtual DeviceError ReadRecordAt(uint32_t index) = 0;  // 16, not supported
  virtual DeviceError ReadRecordById(uint32_t record_id) = 0;
  virtual DeviceError ReadFirstInCategory(int32_t category) = 0;
  virtual DeviceError ReadNextRecord() = 0;
  virtual DeviceError ReadNextInCategory(int32_t category) = 0;
  virtual bool HasCurrentRecord() = 0;
  virtual DeviceError GetCurrentIndex(uint32_t* index) = 0;  // 16 with *index 0, not supported
  virtual DeviceError GetCurrentRecordId(uint32_t* record_id) = 0;
  virtual DeviceError GetCurrentCategory(int32_t* category) = 0;
  // *record_size receives the record's size first; 8 when size is smaller.
  virtual DeviceError CopyCurrentRecord(void* buffer, uint32_t size, uint32_t* record_size) = 0;
  // Rewrites the current record, in *category or (null) its own category.
  virtual DeviceError WriteCurrentRecord(const void* data, uint32_t size, const int32_t* category) = 0;
  virtual DeviceError AddRecord(int32_t category, const void* data, uint32_t size) = 0;
  virtual DeviceError UpdateCurrentRecord(const void* data, uint32_t size, const int32_t* category) = 0;

 protected:
  // Stores a platform result and returns its DeviceError (0, 4, 5 or 999 with its message).
  DeviceError SetPlatformResult(int32_t platform_code);

  bool open_ = false;
  bool walking_ = false;

 private:
  uint32_t error_code_ = 0;
  char error_text_[kErrorTextSize] = {};
};

#endif  // REELBOX_DEVICE_DEVICE_DATABASE_H
