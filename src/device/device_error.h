// The numbered results of every DeviceDatabase operation.
#ifndef REELBOX_DEVICE_DEVICE_ERROR_H
#define REELBOX_DEVICE_DEVICE_ERROR_H

#include <cstdint>

enum DeviceError : int32_t {
  kDeviceOk = 0,
  kDeviceNoDescription = 1,     // Create received no description
  kDeviceNotOpen = 2,
  kDeviceAlreadyOpen = 3,       // also the platform's "already open" from create
  kDeviceNotFound = 4,          // database or record does not exist
  kDeviceExists = 5,            // database already exists
  kDeviceNoCurrent = 6,         // no current record, no walk in progress, or walk index exhausted
  kDeviceNoMoreRecords = 7,     // a first or next read found no further record
  kDeviceBufferTooSmall = 8,
  kDeviceBadCategory = 9,       // a category is 0..15
  kDeviceNotSupported = 16,
  kDevicePlatformError = 999
};

#endif  // REELBOX_DEVICE_DEVICE_ERROR_H
