#include "device/device_database.h"
#include "movies/movie_item.h"

DeviceError MovieItem::ReadFrom(DeviceDatabase* source) {
  ResetAll();
  if (source == nullptr) return DeviceError::kNotOpen;
  uint32_t id = 0;
  if (source->GetCurrentRecordId(&id) == DeviceError::kOk) record_id_ = id;
  int32_t category = 0;
  if (source->GetCurrentCategory(&category) == DeviceError::kOk) category_ = static_cast<uint32_t>(category);
  uint32_t size = 0;
  uint8_t buffer[movie_record::kPackedBufferSize];
  DeviceError result = source->CopyCurrentRecord(buffer, sizeof buffer, &size);
  if (result == DeviceError::kOk) {
    StorePacked(buffer, size);
    packed_valid_ = true;
  }
  return result;
}
