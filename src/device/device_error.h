// The numbered results of every DeviceDatabase operation.
#ifndef REELBOX_DEVICE_DEVICE_ERROR_H
#define REELBOX_DEVICE_DEVICE_ERROR_H

#include <cstdint>

enum class DeviceError : int32_t {
  kOk = 0,
  kNoDescription = 1,     // Create received no description
  kNotOpen = 2,
  kAlreadyOpen = 3,       // also the platform's "already open" from create
  kNotFound = 4,          // database or record does not exist
  kExists = 5,            // database already exists
  kNoCurrent = 6,         // no current record, no walk in progress, or walk index exhausted
  kNoMoreRecords = 7,     // a first or next read found no further record
  kBufferTooSmall = 8,
  kBadCategory = 9,       // a category is 0..15
  kNotSupported = 16,
  kPlatformError = 999
};

// The number quoted in log texts and handed to the manager.
constexpr int32_t ToInt(DeviceError error) { return static_cast<int32_t>(error); }

#endif  // REELBOX_DEVICE_DEVICE_ERROR_H
