#include "device/device_failure.h"

#include <cstdio>

void ReportDeviceFailureV(HotSyncLogTarget& log, LogCode code, DeviceDatabase& database, DeviceError result,
                          const char* format, va_list args) {
  char text[1024];
  std::vsnprintf(text, sizeof text, format, args);
  char error[DeviceDatabase::kErrorTextSize];
  database.GetErrorText(error);
  size_t used = 0;
  while (used < sizeof text && text[used] != '\0') ++used;
  std::snprintf(text + used, sizeof text - used, " (error #%li/%li - %s)", static_cast<long>(result),
                static_cast<long>(static_cast<int32_t>(database.GetErrorCode())), error);
  log.AddHotSyncLogEntry(text, code, 0);
}

void ReportDeviceFailure(HotSyncLogTarget& log, LogCode code, DeviceDatabase& database, DeviceError result,
                         const char* format, ...) {
  va_list args;
  va_start(args, format);
  ReportDeviceFailureV(log, code, database, result, format, args);
  va_end(args);
}
