// The movie list import/export of one synchronization.
//
// What it does is requested on the handheld, in the application's preference value: export
// (bit 0), import (bit 1, which exports too) and the conflict mode (bits 2-3). An export writes
// every record of Movie-Lists to "MyMoviesExport.tab" in the documents folder (through a temporary
// file there, which replaces the previous export only once complete); an import reads
// "MyMoviesImport.tab" from there, pairs its lines with the records by key and adds or rewrites
// records in key order; when the import listed lines, the export is written once, after that, from
// the records as they are then. A run that completes clears the requests; every run that reaches its end sets
// bit 4.
#ifndef REELBOX_MYMOVIES_IMPORT_EXPORT_RUN_H
#define REELBOX_MYMOVIES_IMPORT_EXPORT_RUN_H

#include <cstdint>
#include <memory>

#include "device/device_error.h"
#include "diag/hotsync_log_codes.h"
#include "diag/job_context.h"
#include "movies/movie_categories.h"
#include "mymovies/desktop_item_list.h"
#include "mymovies/documents_folder.h"
#include "mymovies/item_matching.h"
#include "textfiles/field_map.h"
#include "textfiles/desktop_file.h"

class DeviceDatabase;
class MovieItem;

// Bits of the handheld application's preference value (host order).
constexpr uint16_t kPrefExportRequested = 0x0001;
constexpr uint16_t kPrefImportRequested = 0x0002;
constexpr uint16_t kPrefModeMask = 0x000C;
constexpr int kPrefModeShift = 2;
constexpr uint16_t kPrefRunReachedEnd = 0x0010;

// REQUIRES: database is the open Movie-Lists database. A run the user cancelled returns kDone but keeps the requests for the next synchronization.
JobResult RunImportExport(DeviceDatabase& database, JobContext& driver);

// The working state of one run and its phases (RunImportExport makes one).
class ImportExportRun {
 public:
  ImportExportRun(DeviceDatabase& database, JobContext& driver);
  ImportExportRun(const ImportExportRun&) = delete;
  ImportExportRun& operator=(const ImportExportRun&) = delete;
  ~ImportExportRun();

  JobResult Run();

 private:
  // Phases, in order. Each returning bool gives false on a failure that skips to the totals
  // (the result is set and the failure reported).
  void ReadRequest();
  void PrepareFiles();
  void EchoFlags();
  void LogSettings();
  void MakeDocumentsFolder();
  bool OpenExportFile();
  bool OpenImportFile();
  // From the block read to the write-back; throws std::bad_alloc when memory runs out.
  void RunPasses();
  bool ReadBlock();
  bool RepairBlock();
  bool LoadCategories();
  bool ImportPass();
  bool HandheldPass();
  bool WriteBackPass();
  // Writes the export file again, from every record the handheld holds now.
  bool ExportPass();
  // Closes the export and puts it in place of the previous one when it is complete; otherwise
  // removes it, so the previous export stays.
  void FinishExport();
  void PrintTotals();
  void CleanUp();

  // The shared status check of the three loops: reports on every 75th pass; false asks to stop.
  bool StatusCheck(const char* text);
  // Formats a HotSync log entry, adds it with code and makes result the run's result.
  void Fail(JobResult result, LogCode code, const char* format, ...)
#if defined(__MINGW32__)
      __attribute__((format(gnu_printf, 4, 5)));
#else
      __attribute__((format(printf, 4, 5)));
#endif
  // As Fail, for a database operation that gave deviceResult: the entry ends in the database's
  // own account of the failure.
  void FailOnDevice(JobResult result, LogCode code, DeviceError deviceResult, const char* format, ...)
      __attribute__((format(printf, 5, 6)));
  bool WriteItemBack(MovieItem& item);

  DeviceDatabase& database_;
  JobContext& driver_;
  DesktopItemList list_;
  uint16_t preference_ = 0;  // host order
  bool export_on_ = false;
  bool import_on_ = false;
  ConflictMode mode_ = ConflictMode::kAddNew;
  MovieFieldMap import_map_;
  MovieFieldMap export_map_;
  char folder_[kDesktopPathSize] = {};
  bool folder_found_ = false;
  char export_path_[kDesktopPathSize] = {};
  // The export is written here and renamed over export_path_ once complete.
  char export_temp_path_[kDesktopPathSize] = {};
  char import_path_[kDesktopPathSize] = {};
  char flags_path_[kDesktopPathSize] = {};
  std::unique_ptr<DesktopFile> export_file_;
  std::unique_ptr<DesktopFile> import_file_;
  std::unique_ptr<DesktopFile> flags_file_;
  std::unique_ptr<uint8_t[]> block_;
  std::unique_ptr<MovieCategories> categories_;
  ItemRef last_listed_ = kNoItem;
  JobResult result_ = JobResult::kDone;
  uint32_t pass_ = 0;
  int32_t record_index_ = 0;
  int32_t record_count_ = 0;
  ImportTotals totals_;
  // A pass was cut short by the user: the requests stay for the next synchronization.
  bool interrupted_ = false;
  // Every handheld record reached the export file.
  bool export_complete_ = false;
  // The export is written after the write-back pass, not in the handheld pass.
  bool export_deferred_ = false;
};

// The run's status texts.
extern const char kStatusParsing[];
extern const char kStatusPerforming[];
extern const char kStatusImporting[];

#endif  // REELBOX_MYMOVIES_IMPORT_EXPORT_RUN_H
