// The one way a failed handheld database operation is reported: a HotSync log entry (and through
// it the sync and debug logs) whose text ends in the database's own account of the failure.
#ifndef REELBOX_DEVICE_DEVICE_FAILURE_H
#define REELBOX_DEVICE_DEVICE_FAILURE_H

#include <cstdarg>
#include <cstdint>

#include "device/device_database.h"
#include "diag/sync_log.h"

// Adds the entry with the given code: the text made from format and its arguments, followed by
// " (error #<result>/<the database's code> - <the database's text>)". Lines are cut at 1023 bytes.
void ReportDeviceFailure(HotSyncLogTarget& log, LogCode code, DeviceDatabase& database, DeviceError result,
                         const char* format, ...) __attribute__((format(printf, 5, 6)));
void ReportDeviceFailureV(HotSyncLogTarget& log, LogCode code, DeviceDatabase& database, DeviceError result,
                          const char* format, va_list args) __attribute__((format(printf, 5, 0)));

#endif  // REELBOX_DEVICE_DEVICE_FAILURE_H
