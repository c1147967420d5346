// The movie list import/export of one synchronization.
//
// What it does is requested on the handheld, in the application's preference value: export
// (bit 0), import (bit 1, which exports too) and the conflict mode (bits 2-3). An export writes
// every record of Movie-Lists to "MyMoviesExport.tab" in the documents folder (through a temporary
// file there, which replaces the previous export only once complete); an import reads
// "MyMoviesImport.tab" from there, pairs its lines with the records by key and adds or rewrites
// records in key order. A run that completes clears the requests; every run that reaches its end
// sets bit 4.
#ifndef REELBOX_MYMOVIES_IMPORT_EXPORT_RUN_H
#define REELBOX_MYMOVIES_IMPORT_EXPORT_RUN_H

#include <cstdint>

class DeviceDatabase;
class JobContext;

// Bits of the handheld application's preference value (host order).
constexpr uint16_t kPrefExportRequested = 0x0001;
constexpr uint16_t kPrefImportRequested = 0x0002;
constexpr uint16_t kPrefModeMask = 0x000C;
constexpr int kPrefModeShift = 2;
constexpr uint16_t kPrefRunReachedEnd = 0x0010;

// Results of RunImportExport.
enum : int32_t {
  kRunOk = 0,
  kRunDeviceReadFailed = 4,
  kRunDeviceWriteFailed = 5,
  kRunOutOfMemory = 9,
  kRunDesktopFileFailed = 11
};

// REQUIRES: database is the open Movie-Lists database. Returns one of the results above; a run
// the user cancelled returns 0 but keeps the requests for the next synchronization.
int32_t RunImportExport(DeviceDatabase& database, JobContext& driver);

#endif  // REELBOX_MYMOVIES_IMPORT_EXPORT_RUN_H
