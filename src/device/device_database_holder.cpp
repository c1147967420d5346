#include "device/device_database_holder.h"

#include "device/sync_device_database.h"

DeviceDatabaseHolder::DeviceDatabaseHolder(DeviceDatabase** out, bool create) {
  if (create) database_.reset(new SyncDeviceDatabase());
  if (out != nullptr) *out = database_.get();
}

DeviceDatabaseHolder::~DeviceDatabaseHolder() = default;
