#include "mymovies/import_export_run.h"

#include <cstdarg>
#include <cstdio>
#include <new>

#include "device/device_failure.h"
#include "diag/job_context.h"
#include "device/byte_order.h"
#include "device/device_database.h"
#include "diag/sync_log.h"
#include "diag/text_string.h"
#include "mymovies/movie_lists_block.h"
#include "platform/env.h"
#include "platform/files.h"
#include "textfiles/data_parser.h"
#include "textfiles/write_item.h"
#include "textfiles/file_buffer.h"

namespace {

constexpr const char kJobName[] = "Ro Vedevu";
constexpr const char kExportFileName[] = "MyMoviesExport.tab";
// In the export's own folder, so that putting it in place is a rename, never a copy.
constexpr const char kExportTempName[] = "MyMoviesExport.tmp";
constexpr const char kImportFileName[] = "MyMoviesImport.tab";
constexpr const char kFlagsFileName[] = "MyMovieFlags.txt";
constexpr uint16_t kBlockBufferSize = 1300;
constexpr int32_t kFlagLineSize = 1024;

const char* const kModeLines[4] = {
    "ADD NEW RECORD\n",
    "DESKTOP OVERWRITES HANDHELD (replace matching records)\n",
    "MERGE IMPORTED FIELDS INTO DEVICE RECORD (replace matching fields)\n",
    "IGNORE DESKTOP RECORD (skip matching records)\n"};

}  // namespace

const char kStatusParsing[] = "Parsing Desktop Ro Vedevu items";
const char kStatusPerforming[] = "Performing Ro Vedevu import/export";
const char kStatusImporting[] = "Importing Ro Vedevu items";

JobResult RunImportExport(DeviceDatabase& database, JobContext& driver) {
  ImportExportRun run(database, driver);
  return run.Run();
}

ImportExportRun::ImportExportRun(DeviceDatabase& database, JobContext& driver)
    : database_(database), driver_(driver) {}

ImportExportRun::~ImportExportRun() {
  // Only an early end (the export or import file not opened) leaves something to release here.
  list_.Clear();
  if (categories_) SetCurrentMovieCategories(nullptr);
}

JobResult ImportExportRun::Run() {
  ReadRequest();
  PrepareFiles();
  EchoFlags();
  if (!import_on_ && !export_on_) {
    LogSync("<%s Import/Export disabled.  See Import/Export prefs on device.>\n", kJobName);
    CleanUp();
    return result_;
  }
  LogSettings();
  MakeDocumentsFolder();
  // A desktop file that cannot be opened ends the run before anything is read: the requests stay.
  if (export_on_ && !OpenExportFile()) {
    FinishExport();
    return result_;
  }
  if (import_on_ && !OpenImportFile()) {
    FinishExport();
    return result_;
  }

  try {
    RunPasses();
  } catch (const std::bad_alloc&) {
    // What the passes held is released by now; the list goes too, so the report has room.
    list_.Clear();
    last_listed_ = kNoItem;
    export_complete_ = false;
    Fail(JobResult::kNoMemory, LogCode::kLocalSaveFailed, "Unable to synchronize %s Database '%s' because there was not enough memory.",
         kJobName, "Movie-Lists");
  }
  FinishExport();
  PrintTotals();
  CleanUp();
  return result_;
}

void ImportExportRun::RunPasses() {
  bool ok = ReadBlock() && LoadCategories();
  if (ok) driver_.ReportStatus(kStatusParsing);
  if (ok && import_on_) ok = ImportPass();
  // An import that lists lines may change the handheld: its export waits for the write-back, so
  // that the file shows the handheld after the import and is written only once.
  export_deferred_ = import_on_ && list_.Count() != 0;
  if (ok && !interrupted_) {
    if (driver_.Cancelled()) {
      interrupted_ = true;
    } else {
      ok = HandheldPass();
    }
  }
  bool wrote_back = false;
  if (ok && !interrupted_) {
    if (driver_.Cancelled()) {
      interrupted_ = true;
    } else {
      ok = WriteBackPass();
      wrote_back = true;
    }
  }
  // An export of the records before the import, edited and imported again, would undo this import.
  // After a failed write it shows what the handheld holds; the run keeps the write's failure.
  if (wrote_back && !interrupted_ && export_deferred_) {
    const JobResult write_back_result = result_;
    ExportPass();
    if (write_back_result != JobResult::kDone) result_ = write_back_result;
  }
}

void ImportExportRun::ReadRequest() {
  preference_ = Swap16(driver_.GetDevicePreference());
  export_on_ = (preference_ & kPrefExportRequested) != 0;
  import_on_ = (preference_ & kPrefImportRequested) != 0;
  // Two bits: every value is a mode.
  mode_ = static_cast<ConflictMode>((preference_ & kPrefModeMask) >> kPrefModeShift);
  // An import always exports first, so that the desktop has the handheld's state.
  if (import_on_) export_on_ = true;
}

void ImportExportRun::PrepareFiles() {
  FileSystem& files = driver_.Environment().Files();
  folder_found_ = GetDocumentsFolder(files, folder_);
  BuildDesktopPath(files, folder_, kExportFileName, export_path_);
  BuildDesktopPath(files, folder_, kExportTempName, export_temp_path_);
  BuildDesktopPath(files, folder_, kImportFileName, import_path_);
  BuildDesktopPath(files, folder_, kFlagsFileName, flags_path_);
  export_file_.reset(new DesktopFile(files, export_temp_path_));
  import_file_.reset(new DesktopFile(files, import_path_));
  flags_file_.reset(new DesktopFile(files, flags_path_));
}

void ImportExportRun::EchoFlags() {
  if (flags_file_->OpenRead() != FileResult::kOk) return;
  FileBuffer buffer(flags_file_.get());
  LogAudit("Parsing special flags file\n");
  flags_file_->Close();
  FileResult opened = buffer.Open();
  if (opened == FileResult::kOk) {
    char line[kFlagLineSize];
    for (;;) {
      uint32_t size = kFlagLineSize;
      if (!buffer.ReadLine(line, &size)) break;
      LogAudit("***FLAG : %s\n", line);
    }
  } else {
    LogAudit("<unexpected error parsing flags : %lx/%lx - %s>\n",
             static_cast<unsigned long>(static_cast<uint32_t>(ToInt(opened))),
             static_cast<unsigned long>(static_cast<uint32_t>(buffer.GetErrorCode())), buffer.GetErrorText());
  }
  buffer.Close();
}

// A fresh account may have no documents folder yet: the export needs one, and the user needs to
// know where the files are.
void ImportExportRun::MakeDocumentsFolder() {
  if (!folder_found_) return;
  bool made = false;
  if (driver_.Environment().Files().MakeDocumentsFolder(folder_, &made) == 0 && made) {
    LogSync("NOTE : the documents folder %s did not exist; it was made for the %s files.\n", folder_, kJobName);
  }
}

void ImportExportRun::LogSettings() {
  LogSync("%s import is %s\n", kJobName, import_on_ ? "ENABLED" : "DISABLED");
  LogSync("%s export is %s\n", kJobName, export_on_ ? "ENABLED" : "DISABLED");
  if (import_on_) {
    LogSync("Import conflict resolution mode : ");
    LogSync("%s", kModeLines[static_cast<int32_t>(mode_)]);
  }
}

bool ImportExportRun::OpenExportFile() {
  LogSync("Your data will be exported to : %s\n", export_path_);
  FileResult opened = export_file_->OpenWrite();
  if (opened != FileResult::kOk) {
    Fail(JobResult::kDesktopFileFailed, LogCode::kLocalAddFailed, "unable to open local export file (%s) due to an unexpected error (%i) - %s",
         export_path_, static_cast<int>(ToInt(opened)), export_file_->GetErrorText());
    return false;
  }
  WriteItem(driver_.Environment().Time(), export_file_.get(), &export_map_, nullptr);
  return true;
}

bool ImportExportRun::OpenImportFile() {
  FileResult opened = import_file_->OpenRead();
  if (opened != FileResult::kOk) {
    Fail(JobResult::kDesktopFileFailed, LogCode::kLocalAddFailed, "unable to open local import file (%s) due to an unexpected error (%i) - %s",
         import_path_, static_cast<int>(ToInt(opened)), import_file_->GetErrorText());
    return false;
  }
  return true;
}

bool ImportExportRun::ReadBlock() {
  block_.reset(new (std::nothrow) uint8_t[kBlockBufferSize]());
  if (!block_) {
    Fail(JobResult::kNoMemory, LogCode::kLocalSaveFailed, "Unable to synchronize %s Database '%s' because there was not enough memory.",
         kJobName, "Movie-Lists");
    return false;
  }
  DeviceError read = database_.ReadAppInfo(block_.get(), kBlockBufferSize);
  if (read == DeviceError::kNotFound && !RepairBlock()) return false;
  if (read != DeviceError::kOk && read != DeviceError::kNotFound) {
    FailOnDevice(JobResult::kDeviceFailed, LogCode::kRemoteReadFailed, read, "Unable to load AppInfo block for %s Database '%s'", kJobName,
                 "Movie-Lists");
    return false;
  }
  return true;
}

// A database left without its block (a first synchronization cut short after the database was
// made) would fail every later run: it gets the block of a new database, and keeps its records.
bool ImportExportRun::RepairBlock() {
  BuildMovieListsBlock(block_.get());
  DeviceError written = database_.WriteAppInfo(block_.get(), kMovieListsBlockSize);
  if (written != DeviceError::kOk) {
    FailOnDevice(JobResult::kDeviceFailed, LogCode::kRemoteChangeFailed, written, "Unable to write AppInfo block for Ri Verid Database '%s'",
                 "Movie-Lists");
    return false;
  }
  LogSync("NOTE : the %s Database '%s' had no category block; it now has the categories of a new database.\n",
          kJobName, "Movie-Lists");
  return true;
}

bool ImportExportRun::LoadCategories() {
  SetCurrentMovieCategories(nullptr);
  categories_.reset(new (std::nothrow) MovieCategories(&database_));
  // Every text conversion that follows needs the names: without them the run cannot go on.
  if (!categories_) {
    Fail(JobResult::kNoMemory, LogCode::kLocalSaveFailed, "Unable to synchronize %s Database '%s' because there was not enough memory.",
         kJobName, "Movie-Lists");
    return false;
  }
  // The names come from the block read above: a second read that failed would leave them empty,
  // and every imported category would become the first.
  categories_->LoadFromBlock(block_.get(), kBlockBufferSize);
  SetCurrentMovieCategories(categories_.get());
  return true;
}

void ImportExportRun::PrintTotals() {
  LogSync("Total number of records exported : %lu\n", static_cast<unsigned long>(totals_.exported));
  if (!import_on_) return;
  uint32_t imported = totals_.added + totals_.updated;
  LogSync("Total number of import records matched to identical device records : %lu\n",
          static_cast<unsigned long>(totals_.matched));
  LogSync("Total number of records imported : %lu\n", static_cast<unsigned long>(imported));
  if (imported != 0) {
    LogSync("\t- added : %lu\n", static_cast<unsigned long>(totals_.added));
    LogSync("\t- updated : %lu\n", static_cast<unsigned long>(totals_.updated));
  }
  LogSync("Total number of import records with duplicate keys (but processed anyway) : %lu\n",
          static_cast<unsigned long>(totals_.duplicates_processed));
  LogSync("Total number of import records skipped due to excessive duplicate keys (NOT PROCESSED) : %lu\n",
          static_cast<unsigned long>(totals_.duplicates_skipped));
}

void ImportExportRun::FinishExport() {
  if (!export_on_) return;
  // Lines can sit in the file's buffer until it is closed: a failure to write them out means the
  // export is incomplete, which must not pass for a completed run. A complete export goes to the
  // disk before it replaces the previous one.
  char message[FileStream::kMessageSize] = {};
  FileResult closed = export_complete_ ? export_file_->Flush() : FileResult::kOk;
  if (closed != FileResult::kOk) std::snprintf(message, sizeof message, "%s", export_file_->GetErrorText());
  FileResult closed_too = export_file_->Close();
  if (closed == FileResult::kOk) {
    closed = closed_too;
    std::snprintf(message, sizeof message, "%s", export_file_->GetErrorText());
  }
  if (closed != FileResult::kOk && closed != FileResult::kWrongState) {
    export_complete_ = false;
    if (result_ == JobResult::kDone) {
      Fail(JobResult::kDesktopFileFailed, LogCode::kLocalSaveFailed, "unable to write local export file (%s) due to an unexpected error (%i) - %s",
           export_path_, static_cast<int>(ToInt(closed)), message);
    }
  }
  FileSystem& files = driver_.Environment().Files();
  if (export_complete_) {
    uint32_t replaced = files.AtomicReplace(export_temp_path_, export_path_);
    if (replaced == 0) return;
    export_complete_ = false;
    export_file_->SetError(replaced, "Error replacing the previous export");
    if (result_ == JobResult::kDone) {
      Fail(JobResult::kDesktopFileFailed, LogCode::kLocalSaveFailed, "unable to write local export file (%s) due to an unexpected error (%i) - %s",
           export_path_, static_cast<int>(ToInt(FileResult::kFailed)), export_file_->GetErrorText());
    }
  }
  // The previous export stays as it was; nothing of this run's was kept.
  files.RemoveFile(export_temp_path_);
  totals_.exported = 0;
  LogSync("NOTE : the export was not completed; %s keeps its previous content.\n", export_path_);
}

void ImportExportRun::CleanUp() {
  list_.Clear();
  last_listed_ = kNoItem;
  import_file_->Close();
  SetCurrentMovieCategories(nullptr);
  categories_.reset();
  uint16_t value = preference_;
  // The requests are consumed only by a run that did all that was asked.
  if (result_ == JobResult::kDone && !interrupted_) value &= static_cast<uint16_t>(~(kPrefExportRequested | kPrefImportRequested));
  value |= kPrefRunReachedEnd;
  driver_.SetDevicePreference(Swap16(value));
  block_.reset();
}

bool ImportExportRun::StatusCheck(const char* text) {
  bool go_on = true;
  if (pass_ % 75 == 0) go_on = driver_.ReportStatus(text);
  ++pass_;
  return go_on;
}

void ImportExportRun::FailOnDevice(JobResult result, LogCode code, DeviceError deviceResult, const char* format, ...) {
  va_list args;
  va_start(args, format);
  ReportDeviceFailureV(driver_, code, database_, deviceResult, format, args);
  va_end(args);
  result_ = result;
}

void ImportExportRun::Fail(JobResult result, LogCode code, const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof(text), format, args);
  va_end(args);
  driver_.AddHotSyncLogEntry(text, code, 0);
  result_ = result;
}
