#include "device/device_database.h"

#include <cstring>

#include "diag/palm_error.h"

bool DeviceDatabase::IsOpen() { return open_; }

void DeviceDatabase::ClearError() {
  error_code_ = 0;
  error_text_[0] = '\0';
}

char* DeviceDatabase::GetErrorText(char* buffer) {
  if (buffer == nullptr) return nullptr;
  std::memcpy(buffer, error_text_, std::strlen(error_text_) + 1);
  return buffer;
}

uint32_t DeviceDatabase::GetErrorCode() { return error_code_; }

DeviceError DeviceDatabase::SetPlatformResult(int32_t platform_code) {
  error_code_ = static_cast<uint32_t>(platform_code);
  switch (MapPalmError(error_code_, error_text_, sizeof error_text_)) {
    case PalmResult::kOk:
      return DeviceError::kOk;
    case PalmResult::kNotFound:
      return DeviceError::kNotFound;
    case PalmResult::kExists:
      return DeviceError::kExists;
    case PalmResult::kUnexpected:
      break;
  }
  return DeviceError::kPlatformError;
}
