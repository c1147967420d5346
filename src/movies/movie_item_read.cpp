#include "device/device_database.h"
#include "movies/movie_item.h"

int32_t MovieItem::ReadFrom(DeviceDatabase* source) {
  ResetAll();
  if (source == nullptr) return 2;
  uint32_t id = 0;
  if (source->GetCurrentRecordId(&id) == 0) record_id_ = id;
  int32_t category = 0;
  if (source->GetCurrentCategory(&category) == 0) category_ = static_cast<uint32_t>(category);
  uint32_t size = 0;
  uint8_t buffer[movie_record::kPackedBufferSize];
  int32_t result = source->CopyCurrentRecord(buffer, sizeof buffer, &size);
  if (result == 0) {
    StorePacked(buffer, size);
    packed_valid_ = true;
  }
  return result;
}
