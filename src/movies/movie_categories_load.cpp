#include "device/device_database.h"
#include "movies/movie_categories.h"

void MovieCategories::Load() {
  if (database_ == nullptr) return;
  uint8_t block[kAppInfoReadSize] = {};
  index_.clear();
  if (database_->ReadAppInfo(block, kAppInfoReadSize) != DeviceError::kOk) return;
  LoadFromBlock(block, kAppInfoReadSize);
}
