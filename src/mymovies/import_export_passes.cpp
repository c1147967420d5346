// The three loops of the import/export run: the import file into the item list, the handheld
// records into the export file and against the list, and the chosen changes back to the handheld.
#include <cstdint>
#include <memory>
#include <new>

#include "diag/audit_line.h"
#include "diag/job_context.h"
#include "device/device_database.h"
#include "diag/sync_log.h"
#include "movies/movie_item.h"
#include "mymovies/import_export_run.h"
#include "platform/env.h"
#include "textfiles/data_parser.h"
#include "textfiles/write_item.h"

namespace {

constexpr const char kOutOfMemoryText[] =
    "Unable to perform import/export because there was not enough memory (cannot allocate movie item).";
// A handheld database holds no more records than this: a file with more data lines can never be
// imported whole, so it is refused before anything is written, and the list never grows past it.
constexpr uint32_t kMostHandheldMovies = 0xFFFF;

static_assert(MovieItem::kDescriptionSize <= AuditLine::kRoom, "a description is put in place");

// LogAudit("<before>%s<after>", item.Describe()), without the format and the extra copy.
void AuditItem(const char* before, MovieItem& item, const char* after) {
  AuditLine line;
  line.Text(before);
  line.Advance(item.DescribeInto(line.End())).Text(after).Write();
}

}  // namespace

bool ImportExportRun::ImportPass() {
  DataParser parser(driver_.Environment().Time());
  std::unique_ptr<MovieItem> work(new (std::nothrow) MovieItem());
  if (!work) {
    Fail(JobResult::kNoMemory, LogCode::kLocalSaveFailed, "%s", kOutOfMemoryText);
    return false;
  }
  const ParseResult attached = parser.Attach(import_file_.get(), &import_map_);
  parser.SetHandheldKeepsUnreadFields(mode_ == ConflictMode::kMergeFields);
  if (attached == ParseResult::kNoMemory) {
    Fail(JobResult::kNoMemory, LogCode::kLocalSaveFailed, "%s", kOutOfMemoryText);
    return false;
  }
  ParseResult started = parser.Start();
  if (started != ParseResult::kOk) {
    Fail(JobResult::kDesktopFileFailed, LogCode::kXMapFailed, "Unable to begin parsing the import file because an error occurred (%i) - %s",
         static_cast<int>(ToInt(started)), parser.GetErrorText());
    return false;
  }
  driver_.ReportStatus(kStatusParsing);
  uint32_t data_lines = 0;
  for (;;) {
    work->Reset();
    ParseResult parsed = parser.ParseItem(work.get(), true, nullptr);
    if (!StatusCheck(kStatusParsing) && parsed == ParseResult::kOk) {
      interrupted_ = true;
      parsed = ParseResult::kEnd;
    }
    if (parsed == ParseResult::kOk && ++data_lines > kMostHandheldMovies) {
      continue;  // only counted from here on, for the refusal
    }
    if (parsed == ParseResult::kOk) {
      if (AuditOn()) {
        AuditLine line;
        line.Text("Parsed import line ").Integer(static_cast<int32_t>(parser.GetLineNumber())).Text(" ('");
        line.Advance(work->DescribeInto(line.End())).Text("')\n").Write();
      }
      if (ListImportItem(*work, parser.GetFileLine(), list_, totals_, &last_listed_) != MatchResult::kOk) {
        Fail(JobResult::kNoMemory, LogCode::kLocalSaveFailed, "%s", kOutOfMemoryText);
        return false;
      }
      continue;
    }
    if (parsed == ParseResult::kEnd) {
      parser.Stop();
      if (data_lines > kMostHandheldMovies && !interrupted_) {
        Fail(JobResult::kDesktopFileFailed, LogCode::kXMapFailed,
             "Unable to import %s because it has %lu data lines and a handheld holds at most %lu movies",
             import_path_, static_cast<unsigned long>(data_lines),
             static_cast<unsigned long>(kMostHandheldMovies));
        return false;
      }
      return true;
    }
    if (parsed == ParseResult::kNoMemory) {
      Fail(JobResult::kNoMemory, LogCode::kLocalSaveFailed, "%s", kOutOfMemoryText);
      return false;
    }
    if (parsed == ParseResult::kNotText) {
      Fail(JobResult::kDesktopFileFailed, LogCode::kXMapFailed, "The import file %s %s", import_path_,
           parser.RefusalReason());
      return false;
    }
    // A bad first data line has no listed item to name.
    const char* last = "<none>";
    if (last_listed_ != kNoItem) {
      list_.Load(last_listed_, work.get());
      last = work->Describe();
    }
    Fail(JobResult::kDesktopFileFailed, LogCode::kXMapFailed, "An error occurred parsing line %i ('%s') of the the import file (%i) - %s",
         static_cast<int>(parser.GetFileLine()), last, static_cast<int>(ToInt(parsed)), parser.GetErrorText());
    return false;
  }
}

bool ImportExportRun::HandheldPass() {
  driver_.ReportStatus(kStatusPerforming);
  // A walk that ends before the count would leave records unseen, and their import lines would
  // be added again as new movies: it is a read error.
  uint32_t count = 0;
  DeviceError read = database_.GetRecordCount(&count);
  if (read == DeviceError::kOk) read = database_.ReadFirstRecord();
  Clock& clock = driver_.Environment().Time();
  std::unique_ptr<MovieItem> work;
  // Kept across the records: their buffers serve every key of the pass.
  TextString key;
  TextString paired;
  for (;;) {
    if (!StatusCheck(kStatusPerforming) && read == DeviceError::kOk) {
      interrupted_ = true;
      read = DeviceError::kNoMoreRecords;
    }
    if (read == DeviceError::kNoMoreRecords && !interrupted_ && static_cast<uint32_t>(record_index_) < count) {
      FailOnDevice(JobResult::kDeviceFailed, LogCode::kRemoteReadFailed, read, "Unable to read record (#%i) from Database",
                   static_cast<int>(record_index_));
      return false;
    }
    if (read == DeviceError::kNoMoreRecords) {
      export_complete_ = !interrupted_ && !export_deferred_;
      return true;
    }
    if (read != DeviceError::kOk) {
      FailOnDevice(JobResult::kDeviceFailed, LogCode::kRemoteReadFailed, read, "Unable to read record (#%i) from Database",
                   static_cast<int>(record_index_));
      return false;
    }
    if (!work) {
      // One item for every record: reading a record starts it afresh.
      work.reset(new (std::nothrow) MovieItem());
      if (!work) {
        Fail(JobResult::kNoMemory, LogCode::kLocalSaveFailed, "%s", kOutOfMemoryText);
        return false;
      }
    }
    DeviceError copied = DeviceError::kOk;
    if (!database_.HasCurrentRecord() || (copied = work->ReadFrom(&database_)) != DeviceError::kOk) {
      FailOnDevice(JobResult::kDeviceFailed, LogCode::kRemoteReadFailed, copied, "Unable to read data for record (#%i) from  Database ",
                   static_cast<int>(record_index_));
      return false;
    }
    work->BuildKey(&key);
    ++record_count_;
    if (AuditOn()) {
      AuditLine line;
      line.Text("Read item #").Integer(record_count_).Text(" ('");
      line.Advance(work->DescribeInto(line.End())).Text("') from DB - ").Write();
    }
    if (MatchDeviceItem(clock, *work, key, record_count_, mode_, import_on_, list_, &paired) != MatchResult::kOk) {
      Fail(JobResult::kNoMemory, LogCode::kLocalSaveFailed, "%s", kOutOfMemoryText);
      return false;
    }
    if (export_on_) {
      LogAuditText("[EXPORTING]\n");
      // An import's export is written once, after the write-back, from the records as they are then.
      if (!export_deferred_ && !WriteItem(clock, export_file_.get(), &export_map_, work.get())) {
        Fail(JobResult::kDesktopFileFailed, LogCode::kLocalSaveFailed, "Unable to export record ('%s') to file due to an unexpected error - %s.",
             paired.Text(), export_file_->GetErrorText());
        return false;
      }
      if (!export_deferred_) ++totals_.exported;
    } else {
      LogAuditText("[EXPORT PREF NOT SET]\n");
    }
    ++record_index_;
    read = database_.ReadNextRecord();
  }
}

bool ImportExportRun::WriteBackPass() {
  ItemRef entry = kNoItem;
  MovieItem item;
  bool delivered = list_.First(nullptr, &entry);
  driver_.ReportStatus(kStatusImporting);
  while (delivered) {
    if (!StatusCheck(kStatusImporting)) {
      interrupted_ = true;
      return true;
    }
    if (list_.OnDesktop(entry)) {
      if (!list_.Matched(entry) || list_.WriteBack(entry)) {
        list_.Load(entry, &item);
        if (!WriteItemBack(item)) return false;
      } else {
        ++totals_.matched;
      }
    }
    delivered = list_.Next(nullptr, &entry);
  }
  return true;
}

bool ImportExportRun::WriteItemBack(MovieItem& item) {
  uint32_t size = item.GetPackedSize();
  const uint8_t* bytes = item.GetPackedRecord(&size);
  int32_t category = static_cast<int32_t>(item.GetCategory());
  DeviceError written = DeviceError::kOk;
  if (!item.Matched()) {
    if (AuditOn()) AuditItem("Writing new record ('", item, "') to device\n");
    written = database_.AddRecord(category, bytes, size);
    if (written == DeviceError::kOk) ++totals_.added;
  } else {
    if (AuditOn()) AuditItem("Updating record ('", item, "') to device\n");
    written = database_.ReadRecordById(item.GetRecordId());
    if (written == DeviceError::kOk) written = database_.UpdateCurrentRecord(bytes, size, &category);
    if (written == DeviceError::kOk) ++totals_.updated;
  }
  if (written != DeviceError::kOk) {
    FailOnDevice(JobResult::kDeviceWriteFailed, LogCode::kRemoteAddFailed, written, "Unable to write new %s Item record ('%s')", "Ro Vedevu",
                 item.Describe());
    return false;
  }
  return true;
}

bool ImportExportRun::ExportPass() {
  export_complete_ = false;
  totals_.exported = 0;
  export_file_->Close();
  FileResult opened = export_file_->OpenWrite();
  if (opened != FileResult::kOk) {
    Fail(JobResult::kDesktopFileFailed, LogCode::kLocalAddFailed, "unable to open local export file (%s) due to an unexpected error (%i) - %s",
         export_path_, static_cast<int>(ToInt(opened)), export_file_->GetErrorText());
    return false;
  }
  Clock& clock = driver_.Environment().Time();
  WriteItem(clock, export_file_.get(), &export_map_, nullptr);
  driver_.ReportStatus(kStatusPerforming);
  uint32_t count = 0;
  DeviceError read = database_.GetRecordCount(&count);
  if (read == DeviceError::kOk) read = database_.ReadFirstRecord();
  MovieItem item;
  TextString key;
  for (int32_t index = 0;; ++index) {
    if (!StatusCheck(kStatusPerforming)) {
      interrupted_ = true;
      return true;
    }
    if (read == DeviceError::kNoMoreRecords && static_cast<uint32_t>(index) >= count) {
      export_complete_ = true;
      return true;
    }
    DeviceError copied = DeviceError::kOk;
    if (read != DeviceError::kOk) {
      FailOnDevice(JobResult::kDeviceFailed, LogCode::kRemoteReadFailed, read, "Unable to read record (#%i) from Database",
                   static_cast<int>(index));
      return false;
    }
    if (!database_.HasCurrentRecord() || (copied = item.ReadFrom(&database_)) != DeviceError::kOk) {
      FailOnDevice(JobResult::kDeviceFailed, LogCode::kRemoteReadFailed, copied, "Unable to read data for record (#%i) from  Database ",
                   static_cast<int>(index));
      return false;
    }
    if (!WriteItem(clock, export_file_.get(), &export_map_, &item)) {
      item.BuildKey(&key);
      Fail(JobResult::kDesktopFileFailed, LogCode::kLocalSaveFailed, "Unable to export record ('%s') to file due to an unexpected error - %s.",
           key.Text(), export_file_->GetErrorText());
      return false;
    }
    ++totals_.exported;
    read = database_.ReadNextRecord();
  }
}
