// Owns one SyncDeviceDatabase for the length of a job; destroying the holder closes and deletes it.
#ifndef REELBOX_DEVICE_DEVICE_DATABASE_HOLDER_H
#define REELBOX_DEVICE_DEVICE_DATABASE_HOLDER_H

#include <memory>

#include "device/device_database.h"

class DeviceDatabaseHolder {
 public:
  // Creates the database object when create is true and hands it to *out (null otherwise).
  DeviceDatabaseHolder(DeviceDatabase** out, bool create);
  DeviceDatabaseHolder(const DeviceDatabaseHolder&) = delete;
  DeviceDatabaseHolder& operator=(const DeviceDatabaseHolder&) = delete;
  ~DeviceDatabaseHolder();

  DeviceDatabase* get() const { return database_.get(); }

 private:
  std::unique_ptr<DeviceDatabase> database_;
};

// A holder that always creates the database object.
class NewDeviceDatabaseHolder : public DeviceDatabaseHolder {
 public:
  explicit NewDeviceDatabaseHolder(DeviceDatabase** out) : DeviceDatabaseHolder(out, true) {}
};

#endif  // REELBOX_DEVICE_DEVICE_DATABASE_HOLDER_H
