#include "mymovies/my_movies_job.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "job_fixture.h"
#include "mymovies/movie_lists_block.h"
#include "platform/env.h"
#include "platform/files.h"

namespace {

using reelbox_test::GeneratedMovie;
using reelbox_test::PackSampleMovie;
using reelbox_test::SampleMovie;
using reelbox_test::SimpleMovie;

constexpr uint16_t kExport = 1;
constexpr uint16_t kImport = 2;
uint16_t ImportMode(int mode) { return static_cast<uint16_t>(kImport | (mode << 2)); }

const char kImportHeader[] = "Title\tYear\tRunningTime\tMediaType\tNotes\r\n";
std::string Line(const std::string& title, int year, const std::string& runTime, const std::string& notes = "") {
  return title + "\t" + std::to_string(year) + "\t" + runTime + "\tDVD\t" + notes + "\r\n";
}

bool Has(const std::string& text, const std::string& needle) { return text.find(needle) != std::string::npos; }

TEST_F(JobTest, HandheldWithoutMovieListsGetsItWithTheDefaultCategories) {
  EXPECT_EQ(RunJob(0), 0);
  hotsync::PalmDatabase db = Handheld();
  EXPECT_EQ(hotsync::FourCharText(db.type), "QV03");
  EXPECT_EQ(hotsync::FourCharText(db.creator), "QVX3");
  EXPECT_EQ(db.version, 1);
  uint8_t block[kMovieListsBlockSize];
  BuildMovieListsBlock(block);
  EXPECT_EQ(std::string(db.appInfo.begin(), db.appInfo.end()), std::string(reinterpret_cast<char*>(block), sizeof block));
  EXPECT_TRUE(db.records.empty());
  EXPECT_TRUE(Has(SyncLogText(), "<Ro Vedevu Import/Export disabled.  See Import/Export prefs on device.>\r\n"));
  EXPECT_FALSE(Has(SyncLogText(), "Total number"));
  EXPECT_EQ(preference_after_, 0x10);
}

TEST_F(JobTest, DatabaseThatCannotBeOpenedEndsTheJobBeforeAnyFile) {
  WriteHandheld({SimpleMovie("Alien", 1979, "117")});
  InjectFault("SyncOpenDB", 1, 0x4001);
  EXPECT_EQ(RunJob(kExport), 4);
  ASSERT_EQ(entries_.size(), 1u);
  EXPECT_EQ(entries_[0].first.rfind("Unable to Create or Open Ri Verid Database 'Movie-Lists' (error #999/16385 - ", 0),
            0u)
      << entries_[0].first;
  EXPECT_EQ(entries_[0].second, 8);
  EXPECT_FALSE(Env::Default().Files().FileExists(documents_.Sub("MyMoviesExport.tab")));
  EXPECT_EQ(preference_after_, kExport);
}

TEST_F(JobTest, CreateReportingAnExistingDatabaseGivesItsResult) {
  InjectFault("SyncCreateDB", 1, 0x400B);
  EXPECT_EQ(RunJob(kExport), 4);
  ASSERT_EQ(entries_.size(), 1u);
  EXPECT_EQ(entries_[0].first, "Unable to Create or Open Ri Verid Database 'Movie-Lists' (error #5/0 - )");
  EXPECT_EQ(entries_[0].second, 8);
}

TEST_F(JobTest, BlockNotWrittenIsReportedAndTheNextSyncWritesIt) {
  InjectFault("SyncWriteDBAppInfoBlock", 1, 0x4001);
  EXPECT_EQ(RunJob(kExport), 4);
  ASSERT_EQ(entries_.size(), 1u);
  EXPECT_EQ(entries_[0].first.rfind("Unable to write AppInfo block for Ri Verid Database 'Movie-Lists' (error #999/", 0),
            0u)
      << entries_[0].first;
  EXPECT_EQ(entries_[0].second, 11);
  EXPECT_TRUE(Handheld().appInfo.empty());
  // The database exists now without its block: the next run gives it one and serves the request.
  EXPECT_EQ(RunJob(kExport), 0);
  hotsync::PalmDatabase db = Handheld();
  EXPECT_EQ(std::string(db.appInfo.begin(), db.appInfo.end()), reelbox_test::DefaultMovieCategoryBlock());
  EXPECT_TRUE(entries_.empty());
  EXPECT_EQ(preference_after_, 0x10);
}

TEST_F(JobTest, MovieListsWithoutItsBlockGetsTheBlockOfANewDatabaseAndKeepsItsRecords) {
  SampleMovie heat = SimpleMovie("Heat", 1995, "170");
  heat.category = 3;
  WriteHandheld({SimpleMovie("Alien", 1979, "117"), heat}, "");
  EXPECT_EQ(RunJob(kExport), 0);
  hotsync::PalmDatabase db = Handheld();
  EXPECT_EQ(std::string(db.appInfo.begin(), db.appInfo.end()), reelbox_test::DefaultMovieCategoryBlock());
  ASSERT_EQ(db.records.size(), 2u);
  EXPECT_EQ(std::string(db.records[1].data.begin(), db.records[1].data.end()), PackSampleMovie(heat));
  EXPECT_EQ(db.records[1].attributes & 0x0F, 3);
  EXPECT_TRUE(Has(SyncLogText(), "NOTE : the Ro Vedevu Database 'Movie-Lists' had no category block; it now has the "
                                 "categories of a new database.\r\n"));
  EXPECT_EQ(ExportText(), ExportHeader() + SimpleExportLine("Alien", 1979, "117") +
                              SimpleExportLine("Heat", 1995, "170", "Recorded"));
  // Its block cannot be written either: the run stops before the export and keeps the request.
  WriteHandheld({heat}, "");
  InjectFault("SyncWriteDBAppInfoBlock", 1, 0x4001);
  EXPECT_EQ(RunJob(kExport), 4);
  ASSERT_EQ(entries_.size(), 1u);
  EXPECT_EQ(entries_[0].second, 11);
  EXPECT_EQ(preference_after_, kExport | 0x10);
}

// Only the first read gets the block; without the mend a failed second read left the names
// empty and moved every record into the first category.
TEST_F(JobTest, CategoryBlockReadFailureEndsTheRunBeforeAnythingIsWritten) {
  std::vector<SampleMovie> movies;
  std::string import = kImportHeader;
  for (int i = 0; i < 6; ++i) {
    movies.push_back(SimpleMovie("Movie " + std::to_string(i), 1990, "90"));
    movies.back().category = static_cast<uint8_t>(i);
  }
  WriteHandheld(movies);
  WriteDocument("MyMoviesExport.tab", "previous\r\n");
  EXPECT_EQ(RunJob(kExport), 0);
  std::string exported = ExportText();
  WriteImport(exported);
  WriteDocument("MyMoviesExport.tab", "previous\r\n");
  for (int nth : {1, 2}) {
    SCOPED_TRACE(nth);
    faults_.clear();
    InjectFault("SyncReadDBAppInfoBlock", nth, 0x4001);
    int32_t result = RunJob(ImportMode(1));
    hotsync::PalmDatabase db = Handheld();
    ASSERT_EQ(db.records.size(), 6u);
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(db.records[i].attributes & 0x0F, static_cast<int>(i)) << i;
    if (nth == 1) {
      EXPECT_EQ(result, 4);
      ASSERT_EQ(entries_.size(), 1u);
      EXPECT_EQ(entries_[0].second, 8);
      EXPECT_EQ(ExportText(), "previous\r\n");
      EXPECT_EQ(preference_after_, ImportMode(1) | 0x10);
    } else {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(ExportText(), exported);
      EXPECT_TRUE(Has(SyncLogText(), "Total number of import records matched to identical device records : 6\r\n"));
    }
  }
}

TEST_F(JobTest, RecordNotWrittenStopsTheWriteBackAndKeepsTheRequest) {
  WriteHandheld({SimpleMovie("Alien", 1979, "117")});
  WriteImport(std::string(kImportHeader) + Line("Heat", 1995, "170") + Line("Up", 2009, "96"));
  InjectFault("SyncWriteRec", 2, 0x4001);
  EXPECT_EQ(RunJob(ImportMode(0)), 5);
  ASSERT_EQ(entries_.size(), 1u);
  EXPECT_EQ(entries_[0].first.rfind("Unable to write new Ro Vedevu Item record ('Up (DVD-2009, 96m)') (error #999/16385", 0),
            0u)
      << entries_[0].first;
  EXPECT_EQ(entries_[0].second, 9);
  EXPECT_EQ(Handheld().records.size(), 2u);  // Heat came first in key order and stays
  EXPECT_TRUE(Has(SyncLogText(), "\t- added : 1\r\n"));
  EXPECT_EQ(preference_after_, ImportMode(0) | 0x10);
  // The export shows what the handheld holds after the failed write.
  const std::string exported = ExportText();
  EXPECT_EQ(CountOf(exported, "\r\n"), 3u) << exported;
  EXPECT_TRUE(Has(exported, "\r\nHeat\t1995\t")) << exported;
  EXPECT_FALSE(Has(exported, "\r\nUp\t")) << exported;
  EXPECT_TRUE(Has(SyncLogText(), "Total number of records exported : 2\r\n"));
}

TEST_F(JobTest, ExistingMovieListsKeepsItsOwnCategories) {
  std::string block = reelbox_test::DefaultMovieCategoryBlock();
  block.replace(2 + 16, 9, "Westerns\0", 9);
  WriteHandheld({SimpleMovie("Alien", 1979, "117")}, block);
  EXPECT_EQ(RunJob(kExport), 0);
  hotsync::PalmDatabase db = Handheld();
  EXPECT_EQ(std::string(db.appInfo.begin(), db.appInfo.end()), block);
}

TEST_F(JobTest, ExportWritesEveryRecordAndConsumesTheRequest) {
  SampleMovie heat = SimpleMovie("Heat", 1995, "170");
  heat.category = 3;
  WriteHandheld({SimpleMovie("Alien", 1979, "117"), heat});
  std::string before = ReadFileBytes(root_.DatabasePath("Movie-Lists"));
  EXPECT_EQ(RunJob(kExport | 0x0100), 0);
  EXPECT_EQ(ExportText(), ExportHeader() + SimpleExportLine("Alien", 1979, "117") +
                              SimpleExportLine("Heat", 1995, "170", "Recorded"));
  std::string log = SyncLogText();
  EXPECT_TRUE(Has(log, "Ro Vedevu import is DISABLED\r\nRo Vedevu export is ENABLED\r\n"));
  EXPECT_TRUE(Has(log, "Your data will be exported to : " + documents_.Sub("MyMoviesExport.tab") + "\r\n"));
  EXPECT_FALSE(Has(log, "conflict resolution"));
  EXPECT_TRUE(Has(log, "Total number of records exported : 2\r\n"));
  EXPECT_FALSE(Has(log, "Total number of records imported"));
  EXPECT_EQ(preference_after_, 0x0110);  // other bits carried
  EXPECT_EQ(Handheld().records.size(), 2u);
  EXPECT_TRUE(entries_.empty());
}

TEST_F(JobTest, ImportRequestAloneExportsTooAndNamesTheMode) {
  WriteHandheld({SimpleMovie("Alien", 1979, "117")});
  WriteImport("");
  EXPECT_EQ(RunJob(ImportMode(3)), 0);
  std::string log = SyncLogText();
  EXPECT_TRUE(Has(log, "Ro Vedevu import is ENABLED\r\nRo Vedevu export is ENABLED\r\n"));
  EXPECT_TRUE(Has(log, "Import conflict resolution mode : IGNORE DESKTOP RECORD (skip matching records)\r\n"));
  EXPECT_TRUE(Has(log, "Total number of records exported : 1\r\nTotal number of import records matched to identical "
                       "device records : 0\r\nTotal number of records imported : 0\r\nTotal number of import "
                       "records with duplicate keys (but processed anyway) : 0\r\n"));
  EXPECT_EQ(preference_after_, 0x10 | (3 << 2));
}

// Handheld: Alien (same as its line), Heat (its line has other notes, and the import has no
// column for its director), Jaws (no line). Import: those two lines and a new movie, Up.
class ModeTest : public JobTest {
 protected:
  void Run(int mode) {
    SampleMovie heat = SimpleMovie("Heat", 1995, "170");
    heat.director = "Michael Mann";
    WriteHandheld({SimpleMovie("Alien", 1979, "117"), heat, SimpleMovie("Jaws", 1975, "124")});
    WriteImport(std::string(kImportHeader) + Line("Up", 2009, "96", "new") + Line("Alien", 1979, "117") +
                Line("Heat", 1995, "170", "desktop notes"));
    EXPECT_EQ(RunJob(ImportMode(mode), true), 0);
    db_ = Handheld();
    log_ = SyncLogText();
  }
  // Text number `field` of a record: 0 the title, 3 the director, 10 the notes.
  std::string RecordText(size_t index, int field) {
    const auto& data = db_.records.at(index).data;
    std::string text(data.begin(), data.end());
    size_t at = 34;
    for (int skipped = 0; skipped < field; ++skipped) at = text.find('\0', at) + 1;
    return text.substr(at, text.find('\0', at) - at);
  }
  std::string Notes(size_t index) { return RecordText(index, 10); }
  std::string Director(size_t index) { return RecordText(index, 3); }
  std::string Title(size_t index) {
    const auto& data = db_.records.at(index).data;
    return std::string(reinterpret_cast<const char*>(data.data()) + 34);
  }
  hotsync::PalmDatabase db_;
  std::string log_;
};

TEST_F(ModeTest, AddNewModeAddsTheDifferingLineAsANewRecordInKeyOrder) {
  Run(0);
  ASSERT_EQ(db_.records.size(), 5u);
  EXPECT_EQ(Title(3), "Heat");
  EXPECT_EQ(Notes(3), "desktop notes");
  EXPECT_EQ(Title(4), "Up");
  EXPECT_EQ(Notes(1), "");
  EXPECT_EQ(db_.records[3].attributes & 0x40, 0x40);
  EXPECT_TRUE(Has(log_, "Total number of import records matched to identical device records : 1\r\n"
                        "Total number of records imported : 2\r\n\t- added : 2\r\n\t- updated : 0\r\n"));
  EXPECT_TRUE(Has(DebugLogText(), "Read item #2 ('Heat (DVD-1995, 170m)') from DB - [EXISTS ON DESKTOP] [ITEMS DIFFER] "
                                  "[will be added to device] [EXPORTING]\r\n"));
  EXPECT_EQ(preference_after_, 0x10);
}

TEST_F(ModeTest, DesktopOverwritesModeReplacesTheDifferingRecord) {
  Run(1);
  ASSERT_EQ(db_.records.size(), 4u);
  EXPECT_EQ(Title(1), "Heat");
  EXPECT_EQ(Notes(1), "desktop notes");
  EXPECT_EQ(Director(1), "");
  EXPECT_EQ(Title(3), "Up");
  EXPECT_TRUE(Has(log_, "Total number of import records matched to identical device records : 1\r\n"
                        "Total number of records imported : 2\r\n\t- added : 1\r\n\t- updated : 1\r\n"));
  EXPECT_TRUE(Has(DebugLogText(), "Updating record ('Heat (DVD-1995, 170m)') to device\r\n"));
  EXPECT_TRUE(Has(DebugLogText(), "Read item #3 ('Jaws (DVD-1975, 124m)') from DB - [DOES NOT EXIST ON DESKTOP, OR "
                                  "ALL DESKTOP ITEMS MATCHED] [EXPORTING]\r\n"));
}

TEST_F(ModeTest, MergeModeRewritesTheRecordWithTheImportedFields) {
  Run(2);
  ASSERT_EQ(db_.records.size(), 4u);
  EXPECT_EQ(Notes(1), "desktop notes");
  EXPECT_EQ(Director(1), "Michael Mann");
  EXPECT_TRUE(Has(log_, "MERGE IMPORTED FIELDS INTO DEVICE RECORD (replace matching fields)\r\n"));
  EXPECT_TRUE(Has(log_, "\t- added : 1\r\n\t- updated : 1\r\n"));
}

TEST_F(ModeTest, IgnoreModeWritesNothingButTheNewMovie) {
  Run(3);
  ASSERT_EQ(db_.records.size(), 4u);
  EXPECT_EQ(Notes(1), "");
  EXPECT_TRUE(Has(log_, "Total number of import records matched to identical device records : 2\r\n"
                        "Total number of records imported : 1\r\n\t- added : 1\r\n\t- updated : 0\r\n"));
}

TEST_F(JobTest, MergeWithPartialHeaderKeepsEveryOtherFieldOfTheRecord) {
  SampleMovie heat = SimpleMovie("Heat", 1995, "170");
  heat.director = "Michael Mann";
  heat.notes = "handheld notes";
  heat.category = 4;
  WriteHandheld({heat});
  // An empty last field is no field at all: Notes comes before the last column here.
  WriteImport("Title\tNotes\tYear\tRunningTime\tMediaType\r\nHeat\t\t1995\t170\tDVD\r\n");
  EXPECT_EQ(RunJob(ImportMode(2)), 0);
  // The export shows the record as the merge left it.
  EXPECT_EQ(ExportText(), ExportHeader() + SimpleExportLine("Heat", 1995, "170", "To Buy", "")
                                               .replace(std::string("Heat\t1995\t170\tDVD\tTo Buy\t").size(), 0,
                                                        "Michael Mann"));
  SampleMovie merged = heat;
  merged.notes = "";
  hotsync::PalmDatabase db = Handheld();
  ASSERT_EQ(db.records.size(), 1u);
  EXPECT_EQ(std::string(db.records[0].data.begin(), db.records[0].data.end()), PackSampleMovie(merged));
  EXPECT_EQ(db.records[0].attributes & 0x0F, 4);
}

TEST_F(JobTest, OverwriteWithPartialHeaderTakesTheDefaultsOfMissingColumns) {
  SampleMovie heat = SimpleMovie("Heat", 1995, "170");
  heat.director = "Michael Mann";
  heat.category = 4;
  WriteHandheld({heat});
  WriteImport(std::string(kImportHeader) + Line("Heat", 1995, "170", "new notes"));
  EXPECT_EQ(RunJob(ImportMode(1)), 0);
  SampleMovie replaced = SimpleMovie("Heat", 1995, "170");
  replaced.notes = "new notes";
  hotsync::PalmDatabase db = Handheld();
  ASSERT_EQ(db.records.size(), 1u);
  EXPECT_EQ(std::string(db.records[0].data.begin(), db.records[0].data.end()), PackSampleMovie(replaced));
  EXPECT_EQ(db.records[0].attributes & 0x0F, 0);
}

std::string Text(const hotsync::PalmRecord& record, int field) {
  std::string data(record.data.begin(), record.data.end());
  size_t at = 34;
  for (int i = 0; i < field; ++i) at = data.find('\0', at) + 1;
  return data.substr(at, data.find('\0', at) - at);
}
uint32_t Word(const hotsync::PalmRecord& record, size_t offset) {
  const auto& d = record.data;
  return (uint32_t{d[offset]} << 24) | (uint32_t{d[offset + 1]} << 16) | (uint32_t{d[offset + 2]} << 8) | d[offset + 3];
}

// As a spreadsheet saves it: UTF-8 with its byte order mark, rows left empty as TABs, a category
// block whose first word is 0 (no category renamed), dates year first, values that do not read.
TEST_F(JobTest, ImportFileAsSpreadsheetsSaveItReadsAndWarns) {
  std::string block = reelbox_test::DefaultMovieCategoryBlock();
  block[0] = 0;
  WriteHandheld({}, block);
  WriteImport("\xEF\xBB\xBFTitle\tYear\tRunningTime\tMediaType\tCategory\tLoanDate\tOwned\tNotes\r\n"
              "Am\xC3\xA9lie\t2001\t122\tDVD\tRecorded\t2026-12-01\tTrue\tcaf\xC3\xA9 \xE2\x80\x93 \xE2\x98\x83\r\n"
              "\t\t \t\t\r\n"
              "Heat\t1995\t170\tBluRay\tFavorites\tnext week\tmaybe\t\r\n");
  EXPECT_EQ(RunJob(ImportMode(0), true), 0);
  hotsync::PalmDatabase db = Handheld();
  ASSERT_EQ(db.records.size(), 2u);
  EXPECT_EQ(Text(db.records[0], 0), "Am\xE9lie");
  EXPECT_EQ(Text(db.records[0], 10), "caf\xE9 \x96 ?");
  EXPECT_EQ(db.records[0].attributes & 0x0F, 3);
  EXPECT_EQ(Word(db.records[0], 12) / 86400, 44895u);  // 2026-12-01
  EXPECT_EQ(Text(db.records[1], 0), "Heat");
  EXPECT_EQ(db.records[1].attributes & 0x0F, 1);
  EXPECT_EQ(Word(db.records[1], 12), 0u);  // no date: a text that reads as none is no other date
  std::string log = SyncLogText();
  EXPECT_TRUE(Has(log, "<read field header line on line #1>\r\n"));
  EXPECT_TRUE(Has(log, "WARNING : Import line 2 holds characters that the handheld cannot show; each was stored "
                       "as '?'.\r\n"));
  EXPECT_TRUE(Has(log, "WARNING : Import line 4, column 4 (MediaType) : 'BluRay' is not a value of this field; the "
                       "field was left at its blank value ('DVD').\r\n"));
  EXPECT_TRUE(Has(log, "WARNING : Import line 4, column 6 (LoanDate) : 'next week' is not a value of this field; "
                       "the field was left at its blank value ('').\r\n"));
  EXPECT_TRUE(Has(log, "WARNING : Import line 4, column 7 (Owned) : 'maybe' is not a value of this field; the "
                       "field was left at its blank value ('False').\r\n"));
  EXPECT_EQ(CountOf(log, "WARNING : Import line"), 4u);
  EXPECT_TRUE(Has(DebugLogText(), "Import line 3 holds only blanks and TABs: skipped\r\n"));
  // The export stays in the handheld's character set; a file that is no UTF-8 is read byte for byte.
  EXPECT_EQ(RunJob(kExport), 0);
  EXPECT_TRUE(Has(ExportText(), "\r\nAm\xE9lie\t2001\t122\tDVD\tRecorded\t"));
  WriteImport("Ren\xE9\t1990\t90\tDVD\r\n");
  EXPECT_EQ(RunJob(ImportMode(0)), 0);
  EXPECT_EQ(Text(Handheld().records.at(2), 0), "Ren\xE9");
  // A file full of such values lists the first 50 and counts the rest: the lines reach the HotSync
  // log as well.
  std::string many;
  for (int i = 0; i < 200; ++i) many += "Many " + std::to_string(i) + "\t1990\t90\tBluRay\r\n";
  WriteImport(many);
  EXPECT_EQ(RunJob(ImportMode(0)), 0);
  log = SyncLogText();
  EXPECT_EQ(CountOf(log, "is not a value of this field"), 3u + 50u);
  EXPECT_TRUE(Has(log, "WARNING : 200 warnings about the import file in all; the first 50 are listed above.\r\n"));
}

// The handheld whose export the spreadsheet fixtures were made from.
std::vector<SampleMovie> SpreadsheetMovies() {
  std::vector<SampleMovie> movies;
  for (uint32_t n = 0; n < 12; ++n) movies.push_back(GeneratedMovie(n));
  movies[3].title = "Am\xE9lie \x80 5 \x92s \x96 cut";
  movies[5].notes = "Caf\xE9 \x93quoted\x94\nsecond line";
  return movies;
}

std::string Spreadsheet(const std::string& name) {
  return ReadFileBytes(std::string(REELBOX_SOURCE_DIR) + "/tests/data/spreadsheets/" + name);
}

std::string RecordBytes(const hotsync::PalmDatabase& db) {
  std::string bytes;
  for (const hotsync::PalmRecord& record : db.records) {
    bytes += std::to_string(record.attributes & 0x0F) + ":";
    bytes.append(record.data.begin(), record.data.end());
  }
  return bytes;
}

// The export opened in a spreadsheet and saved again, unchanged, in the forms that keep every
// character: a merge of it matches every movie and writes nothing.
TEST_F(JobTest, UnchangedExportSavedByASpreadsheetChangesNothing) {
  WriteHandheld(SpreadsheetMovies());
  ASSERT_EQ(RunJob(kExport), 0);
  ASSERT_EQ(ExportText(), Spreadsheet("movies-export.tab"));  // the fixtures were made from this
  const std::string before = RecordBytes(Handheld());
  std::string little = Spreadsheet("movies-libreoffice-unicode.txt");
  std::string big = little;
  for (size_t i = 0; i + 1 < big.size(); i += 2) std::swap(big[i], big[i + 1]);
  // A Latin-1 reading turned 0x80 to 0x9F into U+0080 to U+009F: they are those bytes again.
  for (const std::string& saved : {little, big, Spreadsheet("movies-libreoffice-latin1-unicode.txt")}) {
    WriteImport(saved);
    ASSERT_EQ(RunJob(ImportMode(2)), 0);
    EXPECT_EQ(RecordBytes(Handheld()), before);
    std::string log = SyncLogText();
    EXPECT_TRUE(Has(log, "Total number of import records matched to identical device records : 12\r\n")) << log;
    EXPECT_TRUE(Has(log, "Total number of records imported : 0\r\n"));
    EXPECT_FALSE(Has(log, "WARNING"));
    EXPECT_EQ(ExportText(), Spreadsheet("movies-export.tab"));
  }
  // Read as UTF-8 though it was none: the lines that held other characters are skipped, named.
  WriteImport(Spreadsheet("movies-libreoffice-utf8-misread.txt"));
  ASSERT_EQ(RunJob(ImportMode(0)), 0);
  EXPECT_EQ(RecordBytes(Handheld()), before);
  std::string log = SyncLogText();
  EXPECT_TRUE(Has(log, "WARNING : Import line 5 holds the character U+FFFD, which a file saved with the wrong "
                       "character set holds in place of the characters it lost; the line was skipped.\r\n"));
  EXPECT_TRUE(Has(log, "WARNING : Import line 7 holds the character U+FFFD"));
  EXPECT_EQ(CountOf(log, "WARNING"), 2u);
  EXPECT_TRUE(Has(log, "Total number of import records matched to identical device records : 10\r\n"));
}

// Saved comma-separated, or not text at all: refused before anything changes, the request kept.
TEST_F(JobTest, ImportFileThatIsNoTabDelimitedTextIsRefused) {
  WriteHandheld(SpreadsheetMovies());
  ASSERT_EQ(RunJob(kExport), 0);
  const std::string before = RecordBytes(Handheld());
  std::string random;
  uint32_t seed = 12345;
  for (int i = 0; i < 1 << 20; ++i) {
    seed = seed * 1103515245u + 12345u;
    random += static_cast<char>(seed >> 24);
  }
  const std::string path = documents_.Sub("MyMoviesImport.tab");
  struct Case {
    std::string bytes;
    std::string reason;
  };
  for (const Case& c : {Case{Spreadsheet("movies-libreoffice-comma.csv"), "is not TAB-separated"},
                        Case{"Title;Year\r\nAlien;1979\r\n", "is not TAB-separated"},
                        Case{random, "is not a text file"},
                        Case{std::string("Alien\t1979\t117\tDVD\r\nHeat\t1995\tnul\0\r\n", 36), "is not a text file"}}) {
    WriteImport(c.bytes);
    EXPECT_EQ(RunJob(ImportMode(2)), 11);
    ASSERT_EQ(entries_.size(), 1u);
    EXPECT_EQ(entries_[0].first, "The import file " + path + " " + c.reason + ": save it as tab-delimited text");
    EXPECT_EQ(entries_[0].second, 15);
    EXPECT_EQ(RecordBytes(Handheld()), before);
    EXPECT_EQ(ExportText(), Spreadsheet("movies-export.tab"));
    EXPECT_EQ(preference_after_, ImportMode(2) | 0x10);
  }
}

// A cell holding line breaks, as both spreadsheets save it: one movie, the breaks kept.
TEST_F(JobTest, QuotedFieldsHoldTheirLineBreaks) {
  for (const char* name : {"linebreak-libreoffice.txt", "linebreak-gnumeric-unicode.txt"}) {
    SCOPED_TRACE(name);
    WriteHandheld({});
    WriteImport(Spreadsheet(name));
    ASSERT_EQ(RunJob(ImportMode(0)), 0);
    hotsync::PalmDatabase db = Handheld();
    ASSERT_EQ(db.records.size(), 2u);
    EXPECT_EQ(Text(db.records[0], 0), "Alien");
    EXPECT_EQ(Text(db.records[0], 10), "First line\nSecond line\n\nFourth line");
    EXPECT_EQ(Text(db.records[0], 2), "C1");
    EXPECT_EQ(Text(db.records[1], 0), "Heat");
    EXPECT_FALSE(Has(SyncLogText(), "WARNING"));
  }
  // CR LF and CR break a cell as well; a quote left open at the end names its line, adds nothing.
  WriteHandheld({});
  WriteImport("Title\tNotes\r\nUp\t\"one\r\ntwo\rthree\"\r\n\r\nLeft open\t\"never\r\nclosed\r\n");
  ASSERT_EQ(RunJob(ImportMode(0)), 0);
  hotsync::PalmDatabase db = Handheld();
  ASSERT_EQ(db.records.size(), 1u);
  EXPECT_EQ(Text(db.records[0], 10), "one\ntwo\nthree");
  EXPECT_TRUE(Has(SyncLogText(), "WARNING : Import line 6 opens a quoted field that the file never closes; the line "
                                 "was skipped.\r\n"));
}

// A value that does not read is never stored as some other value: the merge keeps the handheld's,
// the other modes leave the field blank.
TEST_F(JobTest, ValuesThatDoNotReadAreNeverStoredAsOthers) {
  SampleMovie alien = SimpleMovie("Alien", 1979, "117");
  alien.loanDate = 2082844800u + 20000u * 86400u + 43200u;
  alien.dueDate = alien.loanDate + 7u * 86400u;
  alien.status = 0x02 | (1 << 2);
  const std::string import = "Title\tYear\tRunningTime\tMediaType\tDueDate\tLoanDate\tNotes\r\n"
                             "Alien\t1979\t117\tDVD\t24/12/2026\t13/1/2026\tday first\r\n";
  WriteHandheld({alien});
  WriteImport(import);
  ASSERT_EQ(RunJob(ImportMode(2)), 0);
  hotsync::PalmDatabase db = Handheld();
  ASSERT_EQ(db.records.size(), 1u);
  EXPECT_EQ(Word(db.records[0], 12), alien.loanDate);
  EXPECT_EQ(Word(db.records[0], 16), alien.dueDate);
  EXPECT_EQ(Text(db.records[0], 10), "day first");
  EXPECT_TRUE(Has(SyncLogText(), "WARNING : Import line 2, column 5 (DueDate) : '24/12/2026' is not a value of this "
                                 "field; the handheld's value was kept (a new movie gets the blank value, '').\r\n"));
  for (int mode : {0, 1}) {
    WriteHandheld({alien});
    WriteImport(import);
    ASSERT_EQ(RunJob(ImportMode(mode)), 0);
    db = Handheld();
    ASSERT_EQ(db.records.size(), mode == 0 ? 2u : 1u);
    const hotsync::PalmRecord& imported = db.records.back();
    EXPECT_EQ(Text(imported, 10), "day first");
    EXPECT_EQ(Word(imported, 12), 0u);
    EXPECT_EQ(Word(imported, 16), 0u);
    EXPECT_TRUE(Has(SyncLogText(), "WARNING : Import line 2, column 6 (LoanDate) : '13/1/2026' is not a value of "
                                   "this field; the field was left at its blank value ('').\r\n"));
  }
}

TEST_F(JobTest, FiftyOneImportLinesWithOneKeyAddFiftyRecords) {
  WriteHandheld({});
  std::string text = kImportHeader;
  for (int i = 0; i < 51; ++i) text += Line("Alien", 1979, "117", "copy " + std::to_string(i));
  WriteImport(text);
  EXPECT_EQ(RunJob(ImportMode(0)), 0);
  EXPECT_EQ(Handheld().records.size(), 50u);
  std::string log = SyncLogText();
  EXPECT_EQ(CountOf(log, "as an item already imported."), 49u);
  EXPECT_TRUE(Has(log, "WARNING : Import line 52 (Alien (DVD-1979, 117m)) has the same key (Alien1979117DVD) as many "
                       "items already imported.  This record has been skipped and WILL NOT IMPORT.\r\n"));
  EXPECT_TRUE(Has(log, "(but processed anyway) : 49\r\n"));
  EXPECT_TRUE(Has(log, "(NOT PROCESSED) : 1\r\n"));
}

TEST_F(JobTest, FiftyTwoRecordsWithOneKeyAreAllExported) {
  WriteHandheld(std::vector<SampleMovie>(52, SimpleMovie("Alien", 1979, "117")));
  EXPECT_EQ(RunJob(kExport), 0);
  EXPECT_EQ(CountOf(ExportText(), "\r\n"), 53u);
  std::string log = SyncLogText();
  EXPECT_TRUE(Has(log, "WARNING : Export line 52 (Alien (DVD-1979, 117m)) has the same key (Alien1979117DVD) as too "
                       "many items already exported."));
  EXPECT_FALSE(Has(log, "on the device will export, but will not match"));
  EXPECT_TRUE(Has(log, "Total number of records exported : 52\r\n"));
}

TEST_F(JobTest, MissingImportFileEndsTheRunAndKeepsTheRequests) {
  WriteHandheld({SimpleMovie("Alien", 1979, "117")});
  EXPECT_EQ(RunJob(ImportMode(1)), 11);
  ASSERT_EQ(entries_.size(), 1u);
  EXPECT_EQ(entries_[0].first, "unable to open local import file (" + documents_.Sub("MyMoviesImport.tab") +
                                   ") due to an unexpected error (5) - "
                               "Error preparing to open file/File not found");
  EXPECT_EQ(entries_[0].second, 13);
  EXPECT_EQ(ExportText(), "");
  EXPECT_FALSE(Env::Default().Files().FileExists(documents_.Sub("MyMoviesExport.tmp")));
  EXPECT_EQ(preference_after_, ImportMode(1));
  EXPECT_FALSE(Has(SyncLogText(), "Total number"));
}

TEST_F(JobTest, DocumentsFolderNotFoundFailsTheExport) {
  UseDocumentsFolder("<unexpected error trying to locate documents folder>", 3);
  WriteHandheld({SimpleMovie("Alien", 1979, "117")});
  EXPECT_EQ(RunJob(kExport), 11);
  EXPECT_TRUE(Has(SyncLogText(), "Your data will be exported to : <unexpected error trying to locate documents folder>" +
                                     sep_ + "MyMoviesExport.tab\r\n"));
  ASSERT_EQ(entries_.size(), 1u);
  EXPECT_EQ(entries_[0].first.rfind("unable to open local export file (<unexpected error trying to locate documents "
                                    "folder>" + sep_ + "MyMoviesExport.tab) due to an unexpected error (", 0),
            0u);
  EXPECT_EQ(preference_after_, kExport);
}

TEST_F(JobTest, ExportThatCannotBeWrittenOutIsReportedAndKeepsThePreviousExport) {
  for (size_t limit : {size_t(100), size_t(200000)}) {
    SCOPED_TRACE(limit);
    std::vector<SampleMovie> movies;
    for (uint32_t n = 0; n < 600; ++n) movies.push_back(GeneratedMovie(n));
    WriteHandheld(movies);
    WriteDocument("MyMoviesExport.tab", "previous\r\n");
    documents_env_->Documents().SetWriteLimit(limit);
    EXPECT_EQ(RunJob(kExport), 11);
    documents_env_->Documents().SetWriteLimit(static_cast<size_t>(-1));
    ASSERT_EQ(entries_.size(), 1u);
    EXPECT_EQ(entries_[0].second, 17);
    EXPECT_TRUE(Has(entries_[0].first, "export")) << entries_[0].first;
    EXPECT_NE(entries_[0].first.substr(entries_[0].first.size() - 3), " - ") << "the reason is named";
    EXPECT_EQ(preference_after_, kExport | 0x10);
    EXPECT_EQ(Handheld().records.size(), 600u);
    EXPECT_EQ(ExportText(), "previous\r\n");
    EXPECT_FALSE(Env::Default().Files().FileExists(documents_.Sub("MyMoviesExport.tmp")));
    // (The smaller limit cuts the sync log short as well.)
    if (limit > 100) {
      EXPECT_TRUE(Has(SyncLogText(), "Total number of records exported : 0\r\n"));
    }
  }
}

TEST_F(JobTest, FlagsFileLinesAreEchoedInTheDebugLog) {
  WriteHandheld({});
  WriteDocument("MyMovieFlags.txt", "first flag\r\n\r\nsecond flag");
  EXPECT_EQ(RunJob(kExport, true), 0);
  std::string debug = DebugLogText();
  EXPECT_TRUE(Has(debug, "Parsing special flags file\r\n***FLAG : first flag\r\n***FLAG : second flag\r\n"));
  EXPECT_FALSE(Has(SyncLogText(), "FLAG"));
}

// 100 records and 100 new lines: status checks fall at passes 0 and 75 (import), 150 (handheld)
// and 225, 300, 375 (write-back).
class CancelTest : public JobTest {
 protected:
  void SetUp() override {
    std::vector<SampleMovie> movies;
    std::string text = kImportHeader;
    for (int i = 0; i < 100; ++i) {
      movies.push_back(SimpleMovie("Record " + std::to_string(100 + i), 1990, "90"));
      text += Line("Line " + std::to_string(100 + i), 1990, "90");
    }
    WriteHandheld(movies);
    WriteImport(text);
    WriteDocument("MyMoviesExport.tab", "previous\r\n");
  }
};

// A cancelled export leaves the previous one as it was and no file of its own.
TEST_F(CancelTest, CancelDuringTheImportKeepsTheRequestsAndThePreviousExport) {
  EXPECT_EQ(RunJob(ImportMode(1), false, "Parsing Desktop Ro Vedevu items", 3), 0);
  EXPECT_EQ(Handheld().records.size(), 100u);
  EXPECT_EQ(ExportText(), "previous\r\n");
  EXPECT_EQ(preference_after_, ImportMode(1) | 0x10);
  EXPECT_TRUE(Has(SyncLogText(), "Total number of records exported : 0\r\n"));
  EXPECT_TRUE(cancelled_after_);
}

TEST_F(CancelTest, CancelDuringTheHandheldPassKeepsTheRequestsAndThePreviousExport) {
  for (int occurrence : {1, 2}) {
    EXPECT_EQ(RunJob(ImportMode(1), false, "Performing Ro Vedevu import/export", occurrence), 0);
    EXPECT_EQ(Handheld().records.size(), 100u);
    EXPECT_EQ(ExportText(), "previous\r\n");
    EXPECT_FALSE(Env::Default().Files().FileExists(documents_.Sub("MyMoviesExport.tmp")));
    EXPECT_TRUE(Has(SyncLogText(), "NOTE : the export was not completed; " + documents_.Sub("MyMoviesExport.tab") +
                                       " keeps its previous "
                                   "content.\r\nTotal number of records exported : 0\r\n"));
    EXPECT_EQ(preference_after_, ImportMode(1) | 0x10);
  }
}

// The export of an import shows the handheld after the write-back: cut short, it is not written.
TEST_F(CancelTest, CancelDuringTheWriteBackKeepsWhatWasWrittenAndThePreviousExport) {
  EXPECT_EQ(RunJob(ImportMode(1), false, "Importing Ro Vedevu items"), 0);
  EXPECT_EQ(Handheld().records.size(), 123u);
  EXPECT_EQ(ExportText(), "previous\r\n");
  EXPECT_FALSE(Env::Default().Files().FileExists(documents_.Sub("MyMoviesExport.tmp")));
  EXPECT_TRUE(Has(SyncLogText(), "Total number of records exported : 0\r\n"));
  EXPECT_TRUE(Has(SyncLogText(), "\t- added : 23\r\n"));
  EXPECT_EQ(preference_after_, ImportMode(1) | 0x10);
}

TEST_F(JobTest, ExportedFileImportedUnchangedWritesNothing) {
  std::vector<SampleMovie> movies;
  for (uint32_t n = 0; n < 299; ++n) movies.push_back(GeneratedMovie(n));
  // The export trims outer blanks: the key of the record must be built from the trimmed texts.
  movies.push_back(SimpleMovie(" Padded\t", 1990, " 90"));
  WriteHandheld(movies);
  EXPECT_EQ(RunJob(kExport), 0);
  hotsync::PalmDatabase before = Handheld();
  WriteImport(ExportText());
  EXPECT_EQ(RunJob(ImportMode(1)), 0);
  hotsync::PalmDatabase after = Handheld();
  ASSERT_EQ(after.records.size(), before.records.size());
  for (size_t i = 0; i < before.records.size(); ++i) {
    EXPECT_EQ(after.records[i].data, before.records[i].data) << i;
    EXPECT_EQ(after.records[i].attributes, before.records[i].attributes) << i;
  }
  std::string log = SyncLogText();
  EXPECT_TRUE(Has(log, "Total number of import records matched to identical device records : 300\r\n"
                       "Total number of records imported : 0\r\n"))
      << log.substr(log.size() > 2000 ? log.size() - 2000 : 0);
}

// Without the count, the unseen records' lines were added again as new movies.
TEST_F(JobTest, RecordWalkEndingBeforeTheCountIsAReadError) {
  std::vector<SampleMovie> movies;
  std::string import = kImportHeader;
  for (int i = 0; i < 5; ++i) {
    movies.push_back(SimpleMovie("Movie " + std::to_string(i), 1990, "90"));
    import += Line("Movie " + std::to_string(i), 1990, "90");
  }
  WriteHandheld(movies);
  WriteImport(import);
  WriteDocument("MyMoviesExport.tab", "previous\r\n");
  InjectFault("SyncReadRecordByIndex", 3, 0x4003);
  EXPECT_EQ(RunJob(ImportMode(0)), 4);
  ASSERT_EQ(entries_.size(), 1u);
  EXPECT_EQ(entries_[0].first.rfind("Unable to read record (#2) from Database (error #7/", 0), 0u) << entries_[0].first;
  EXPECT_EQ(entries_[0].second, 8);
  EXPECT_EQ(Handheld().records.size(), 5u);
  EXPECT_EQ(ExportText(), "previous\r\n");
  EXPECT_EQ(preference_after_, ImportMode(0) | 0x10);
}

TEST_F(JobTest, OverlongRecordStopsTheRunAndTheHandheldKeepsEveryRecord) {
  WriteRawRecords({{PackSampleMovie(SimpleMovie("Alien", 1979, "117")), 0}, {std::string(4000, 'x'), 0},
                   {PackSampleMovie(SimpleMovie("Heat", 1995, "170")), 0}},
                  reelbox_test::DefaultMovieCategoryBlock());
  WriteImport(std::string(kImportHeader) + Line("Up", 2009, "96"));
  EXPECT_EQ(RunJob(ImportMode(0)), 4);
  ASSERT_EQ(entries_.size(), 1u);
  EXPECT_EQ(entries_[0].first.rfind("Unable to read data for record (#1) from  Database  (error #8/", 0), 0u)
      << entries_[0].first;
  EXPECT_EQ(entries_[0].second, 8);
  EXPECT_EQ(Handheld().records.size(), 3u);
  EXPECT_EQ(preference_after_, ImportMode(0) | 0x10);
}

TEST_F(JobTest, TruncatedRecordAndShortCategoryBlockStillExport) {
  WriteRawRecords({{PackSampleMovie(SimpleMovie("Alien", 1979, "117")).substr(0, 40), 2}}, std::string(10, '\0'));
  EXPECT_EQ(RunJob(kExport), 0);
  EXPECT_EQ(CountOf(ExportText(), "\r\n"), 2u);
  EXPECT_EQ(Handheld().records.size(), 1u);
}

TEST_F(JobTest, ImportLineOfTenThousandColumnsReadsTheColumnsOfTheMap) {
  WriteHandheld({});
  std::string wide = "Wide\t1999\t120\tDVD";
  wide += std::string(10000, '\t');  // empty columns: the line still fits the read window
  WriteImport(wide + "\r\n");
  EXPECT_EQ(RunJob(ImportMode(0)), 0);
  hotsync::PalmDatabase db = Handheld();
  ASSERT_EQ(db.records.size(), 1u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(db.records[0].data.data()) + 34), "Wide");
}

TEST_F(JobTest, ImportLineLongerThanTheReadWindowStopsTheImport) {
  WriteHandheld({SimpleMovie("Alien", 1979, "117")});
  WriteImport(std::string(kImportHeader) + Line("Up", 2009, "96") + std::string(1 << 20, 'y') + "\r\n" +
              Line("Heat", 1995, "170"));
  EXPECT_EQ(RunJob(ImportMode(0)), 11);
  ASSERT_EQ(entries_.size(), 1u);
  EXPECT_EQ(entries_[0].first, "An error occurred parsing line 3 ('Up (DVD-2009, 96m)') of the the import file (4) - "
                               "Line 3 is too long/DataParser error 0x4");
  EXPECT_EQ(entries_[0].second, 15);
  hotsync::PalmDatabase db = Handheld();
  ASSERT_EQ(db.records.size(), 1u);
  EXPECT_EQ(std::string(db.records[0].data.begin(), db.records[0].data.end()),
            PackSampleMovie(SimpleMovie("Alien", 1979, "117")));
  EXPECT_EQ(ExportText(), "");
  EXPECT_EQ(preference_after_, ImportMode(0) | 0x10);
}

// A handheld holds 65,535 movies: a file with more data lines is refused whole before anything is
// written (its lines are counted to the end; blank lines and the header are no data lines).
TEST_F(JobTest, ImportFileWithMoreLinesThanAHandheldHoldsIsRefused) {
  WriteHandheld({SimpleMovie("Alien", 1979, "117")});
  std::string lines = std::string(kImportHeader) + "\r\n";
  for (int i = 0; i < 65535; ++i) lines += "M" + std::to_string(i) + "\r\n";
  WriteImport(lines + "Last\r\n");
  EXPECT_EQ(RunJob(ImportMode(1)), 11);
  ASSERT_EQ(entries_.size(), 1u);
  EXPECT_EQ(entries_[0].first, "Unable to import " + documents_.Sub("MyMoviesImport.tab") +
                                   " because it has 65536 data lines and a handheld holds at most 65535 movies");
  EXPECT_EQ(entries_[0].second, 15);
  hotsync::PalmDatabase db = Handheld();
  ASSERT_EQ(db.records.size(), 1u);
  EXPECT_EQ(std::string(db.records[0].data.begin(), db.records[0].data.end()),
            PackSampleMovie(SimpleMovie("Alien", 1979, "117")));
  EXPECT_EQ(ExportText(), "");
  EXPECT_EQ(preference_after_, ImportMode(1) | 0x10);
}

// 19,999 bytes fit the read window: such lines are read whole, also the last one without a line end.
TEST_F(JobTest, ImportLinesThatFillTheReadWindowAreReadWhole) {
  WriteHandheld({});
  auto filled = [](const std::string& start) { return start + std::string(19999 - start.size(), 'n'); };
  WriteImport(std::string(kImportHeader) + filled("Long\t1999\t120\tDVD\t") + "\r\n" + Line("Up", 2009, "96") +
              filled("Last\t2001\t99\tDVD\t"));
  EXPECT_EQ(RunJob(ImportMode(0)), 0);
  hotsync::PalmDatabase db = Handheld();
  ASSERT_EQ(db.records.size(), 3u);
  EXPECT_EQ(Text(db.records[0], 0), "Last");
  EXPECT_EQ(Text(db.records[1], 0), "Long");
  EXPECT_EQ(Text(db.records[1], 10), std::string(500, 'n'));
}

// Whichever allocation fails, the job ends with the memory entry and result 9 (or, past its last
// allocation, succeeds); nothing escapes to the manager, and a failed run keeps the requests.
TEST_F(JobTest, AnyFailedAllocationEndsTheJobWithTheMemoryEntry) {
  std::vector<SampleMovie> movies;
  std::string import = kImportHeader;
  for (int i = 0; i < 30; ++i) {
    movies.push_back(SimpleMovie("Record " + std::to_string(i), 1990, "90"));
    import += Line(i % 2 ? "Record " + std::to_string(i) : "Line " + std::to_string(i), 1990, "90", "n");
  }
  WriteHandheld(movies);
  WriteImport(import);
  EXPECT_EQ(RunJob(ImportMode(1)), 0);
  long total = allocations_;
  ASSERT_GT(total, 50);
  for (long nth = 1; nth <= total + 1; nth += 1 + total / 100) {
    SCOPED_TRACE(nth);
    WriteHandheld(movies);
    fail_allocation_ = nth;
    int32_t result = RunJob(ImportMode(1));
    fail_allocation_ = 0;
    if (result == 0) continue;
    EXPECT_EQ(result, 9);
    ASSERT_FALSE(entries_.empty());
    EXPECT_TRUE(Has(entries_.back().first, "because there was not enough memory")) << entries_.back().first;
    EXPECT_EQ(entries_.back().second, 17);
    // The requests go only when all was done (memory can still run out while the database closes).
    size_t records = Handheld().records.size();
    EXPECT_GE(records, 30u);
    if ((preference_after_ & 3) == 0) {
      EXPECT_EQ(records, 45u);
    }
  }
}

TEST_F(JobTest, NonTextImportFileLeavesEveryRecord) {
  WriteHandheld({SimpleMovie("Alien", 1979, "117"), SimpleMovie("Heat", 1995, "170")});
  std::string bytes;
  for (int i = 0; i < 4096; ++i) bytes += static_cast<char>((i * 7919) & 0xFF);
  WriteImport(bytes);
  int32_t result = RunJob(ImportMode(1));
  EXPECT_TRUE(result == 0 || result == 11) << result;
  hotsync::PalmDatabase db = Handheld();
  ASSERT_GE(db.records.size(), 2u);
  EXPECT_EQ(std::string(db.records[0].data.begin(), db.records[0].data.end()),
            PackSampleMovie(SimpleMovie("Alien", 1979, "117")));
  EXPECT_EQ(std::string(db.records[1].data.begin(), db.records[1].data.end()),
            PackSampleMovie(SimpleMovie("Heat", 1995, "170")));
}

}  // namespace

namespace {

// FNV-1a, 64 bits.
uint64_t Fingerprint(const std::string& bytes, uint64_t hash = 14695981039346656037ull) {
  for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
  return hash;
}

}  // namespace

// The export file and the handheld a merge leaves, on a generated set with changed, new and
// duplicate lines, stay byte for byte what they were before the data path was made lean
// (fingerprints taken then). Dates are left out: their texts depend on the zone and the day.
TEST_F(JobTest, GeneratedSetRoundTripKeepsItsBytes) {
  std::vector<SampleMovie> movies;
  for (uint32_t n = 0; n < 1500; ++n) {
    SampleMovie movie = GeneratedMovie(n);
    movie.loanDate = 0;
    movie.dueDate = 0;
    movies.push_back(movie);
  }
  movies.push_back(movies[7]);  // a key twice on the handheld
  WriteHandheld(movies);
  ASSERT_EQ(RunJob(kExport), 0);
  std::string exported = ExportText();
  EXPECT_EQ(Fingerprint(exported), 6513780194964708509u);
  // Columns 11 and 12 (loan and due date) out; lines reversed; every tenth changed, every
  // seventh retitled (a new movie), one line twice.
  auto withoutDates = [](const std::string& line) {
    std::vector<std::string> fields;
    size_t begin = 0;
    for (size_t tab; (tab = line.find('\t', begin)) != std::string::npos; begin = tab + 1) {
      fields.push_back(line.substr(begin, tab - begin));
    }
    fields.push_back(line.substr(begin));
    std::string out;
    for (size_t i = 0; i < fields.size(); ++i) {
      if (i == 10 || i == 11) continue;
      out += (out.empty() ? "" : "\t") + fields[i];
    }
    return out;
  };
  std::vector<std::string> lines;
  for (size_t begin = 0, end; (end = exported.find("\r\n", begin)) != std::string::npos; begin = end + 2) {
    lines.push_back(exported.substr(begin, end - begin));
  }
  ASSERT_GT(lines.size(), 1000u);
  std::string import = withoutDates(lines[0]) + "\r\n";
  for (size_t i = lines.size() - 1; i >= 1; --i) {
    std::string line = withoutDates(lines[i]);
    if (i % 10 == 0) line += " (changed)";
    if (i % 7 == 0) line = "New " + line;
    import += line + "\r\n";
    if (i == 500) import += line + "\r\n";
  }
  WriteImport(import);
  ASSERT_EQ(RunJob(ImportMode(2)), 0);
  hotsync::PalmDatabase db = Handheld();
  std::string records;
  for (const hotsync::PalmRecord& record : db.records) {
    records += std::to_string(record.attributes) + "/" + std::to_string(record.id) + ":";
    records.append(record.data.begin(), record.data.end());
  }
  EXPECT_EQ(db.records.size(), 1716u);
  EXPECT_EQ(Fingerprint(records, Fingerprint(std::string(db.appInfo.begin(), db.appInfo.end()))), 14293837547591046788u);
  // The export of the merge shows the handheld after it, as an export on its own does.
  const std::string merged = ExportText();
  EXPECT_EQ(Fingerprint(merged), 18386555932652292273u);
  ASSERT_EQ(RunJob(kExport), 0);
  EXPECT_EQ(ExportText(), merged);
}

