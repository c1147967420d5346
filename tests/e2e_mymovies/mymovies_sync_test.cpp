#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e_fixture.h"
#include "platform/env.h"
#include "platform/files.h"
#include "platform/host.h"
#include "support/temp_dir.h"

namespace {

using reelbox_test::GeneratedMovie;
using reelbox_test::PackSampleMovie;
using reelbox_test::SampleMovie;
using reelbox_test::SimpleMovie;

constexpr uint16_t kExport = 1;
uint16_t ImportMode(int mode) { return static_cast<uint16_t>(2 | (mode << 2)); }

const char kHeader[] = "Title\tYear\tRunningTime\tMediaType\tNotes\r\n";
std::string Line(const std::string& title, int year, const std::string& runTime, const std::string& notes = "") {
  return title + "\t" + std::to_string(year) + "\t" + runTime + "\tDVD\t" + notes + "\r\n";
}
std::string Data(const hotsync::PalmRecord& record) { return std::string(record.data.begin(), record.data.end()); }

TEST_F(MoviesEndToEnd, ExportOnlyWritesEveryRecordAndLeavesTheHandheldAlone) {
  std::vector<SampleMovie> movies;
  for (uint32_t n = 0; n < 20; ++n) movies.push_back(GeneratedMovie(n));
  WriteHandheld(movies);
  EXPECT_EQ(Sync(kExport), 0) << output_;
  std::string exported = ReadDocument("MyMoviesExport.tab");
  EXPECT_EQ(CountOf(exported, "\r\n"), 21u);
  EXPECT_EQ(exported.rfind("Title\tYear\tRunningTime\tMediaType\tCategory\t", 0), 0u);
  hotsync::PalmDatabase db = Handheld();
  ASSERT_EQ(db.records.size(), 20u);
  for (size_t i = 0; i < 20; ++i) EXPECT_EQ(Data(db.records[i]), PackSampleMovie(movies[i]));
  EXPECT_TRUE(Has(SyncLogText(), "Total number of records exported : 20\r\n"));
  EXPECT_EQ(Preference(), 0x0010);
  ExpectPerlAgrees();

  // The readable views of the program: tsv is the export file byte for byte, json the same texts.
  std::string tsv;
  EXPECT_EQ(Run({"handheld", "movies", "--format", "tsv"}, &tsv), 0);
  EXPECT_EQ(tsv, exported);
  std::string json;
  EXPECT_EQ(Run({"handheld", "movies", "--format", "json"}, &json), 0);
  EXPECT_EQ(CountOf(json, "{\"Title\": "), 20u) << json;
  EXPECT_TRUE(Has(json, "{\"Title\": \"Movie 00001 - \\\"Quoted\\\" Cut\", \"Year\": ")) << json;
  EXPECT_TRUE(Has(json, "\"Title\": \"Movie 00002\\tTabbed\"")) << json;
  std::string table;
  EXPECT_EQ(Run({"handheld", "movies"}, &table), 0);
  EXPECT_EQ(CountOf(table, "Movie 000"), 20u) << table;
  EXPECT_TRUE(Has(table, "Favorites")) << table;
}

// Views show the handheld's Windows-1252 texts in the terminal's character set, and tables fit
// its width; json is UTF-8 and tsv the export file's bytes whatever the terminal.
TEST_F(MoviesEndToEnd, ViewsShowHandheldTextsInTheTerminalsCharsetAndWidth) {
  WriteHandheld({SimpleMovie("Am\xE9lie", 2001, "122"),
                 SimpleMovie("Le fabuleux destin d'Am\xE9lie Poulain, version longue", 2001, "129")});
  const std::string utf8 = "Am\xC3\xA9lie";
  std::string table;
  ASSERT_EQ(Run({"handheld", "movies"}, &table, {"LC_ALL=C.UTF-8", "COLUMNS=200"}), 0) << table;
  EXPECT_TRUE(Has(table, "  " + utf8 + "  ")) << table;
  EXPECT_FALSE(Has(table, "\xE9lie")) << table;
  // A locale of another character set gets that set (on Windows: the ANSI code page, Windows-1252).
  ASSERT_EQ(Run({"handheld", "movies"}, &table, {"LC_ALL=fr_FR.ISO-8859-1", "COLUMNS=200"}), 0) << table;
  EXPECT_TRUE(Has(table, "  Am\xE9lie  ")) << table;
#ifndef _WIN32
  ASSERT_EQ(Run({"handheld", "movies"}, &table, {"LC_ALL=C", "COLUMNS=200"}), 0) << table;
  EXPECT_TRUE(Has(table, "  Am?lie  ")) << table;
#endif
  std::string json;
  ASSERT_EQ(Run({"handheld", "movies", "--format", "json"}, &json, {"LC_ALL=C"}), 0) << json;
  EXPECT_TRUE(Has(json, "{\"Title\": \"" + utf8 + "\", ")) << json;
  std::string tsv;
  ASSERT_EQ(Run({"handheld", "movies", "--format", "tsv"}, &tsv, {"LC_ALL=C.UTF-8"}), 0) << tsv;
  EXPECT_TRUE(Has(tsv, "\r\nAm\xE9lie\t2001\t122\t")) << tsv;
  // Narrow: every line fits, long texts end in "…".
  ASSERT_EQ(Run({"handheld", "movies"}, &table, {"LC_ALL=C.UTF-8", "COLUMNS=40"}), 0) << table;
  EXPECT_TRUE(Has(table, "\n4097  Le")) << table;
  EXPECT_TRUE(Has(table, "\xE2\x80\xA6  2001")) << table;
  EXPECT_FALSE(Has(table, "version longue")) << table;
  size_t lines = 0;
  for (size_t start = 0, end; (end = table.find('\n', start)) != std::string::npos; start = end + 1, ++lines) {
    std::string line = table.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t characters = static_cast<size_t>(
        std::count_if(line.begin(), line.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
    EXPECT_LE(characters, 40u) << line;
  }
  EXPECT_EQ(lines, 3u) << table;
}

#ifndef _WIN32
// On a terminal the status line shows how far the record walk has come ("script" gives a terminal).
TEST_F(MoviesEndToEnd, SyncOnATerminalShowsTheRecordCount) {
  if (!Env::Default().Files().FileExists("/usr/bin/script")) GTEST_SKIP() << "no script(1) here";
  std::vector<SampleMovie> movies;
  for (uint32_t n = 0; n < 1200; ++n) movies.push_back(SimpleMovie("Movie " + std::to_string(n), 1990, "90"));
  WriteHandheld(movies);
  std::string output;
  ASSERT_EQ(Run({"handheld", "request", "--export"}, &output), 0) << output;
  SetAudit(false);
  const std::string command = "'" + reelbox_test::BuiltProgram("hotsync") + "' --root '" + root_.root() +
                              "' --user '" + root_.userName() + "' --conduit '" +
                              reelbox_test::BuiltLibrary("KVRTConduit.dll") + "' sync";
  reelbox_test::ProcessOptions options;
  options.environment.push_back("XDG_DOCUMENTS_DIR=" + documents_.path());
  reelbox_test::ProcessResult result =
      reelbox_test::RunProcess("/usr/bin/script", {"-qec", command, "/dev/null"}, options);
  EXPECT_EQ(result.exitStatus, 0) << result.output;
  EXPECT_TRUE(Has(result.output, "\r\x1b[KPerforming Ro Vedevu import/export: 1 of 1,200")) << result.output;
  EXPECT_FALSE(Has(result.output, "status: ")) << result.output;
}
#endif

TEST_F(MoviesEndToEnd, HandheldWithoutMovieListsGetsTheDatabase) {
  EXPECT_EQ(Sync(kExport), 0) << output_;
  hotsync::PalmDatabase db = Handheld();
  EXPECT_EQ(hotsync::FourCharText(db.type), "QV03");
  EXPECT_EQ(hotsync::FourCharText(db.creator), "QVX3");
  EXPECT_EQ(std::string(db.appInfo.begin(), db.appInfo.end()), reelbox_test::DefaultMovieCategoryBlock());
  EXPECT_EQ(ReadDocument("MyMoviesExport.tab").find("\r\n") + 2, ReadDocument("MyMoviesExport.tab").size());
  ExpectPerlAgrees();
}

// Handheld: Alien (same as its line), Heat (other notes on its line, and a director the import
// has no column for), Jaws (no line); the import adds Up. Records after the sync, by mode.
TEST_F(MoviesEndToEnd, EachConflictModeResolvesDifferingIdenticalAndNewLines) {
  SampleMovie heat = SimpleMovie("Heat", 1995, "170");
  heat.director = "Michael Mann";
  const std::vector<SampleMovie> movies = {SimpleMovie("Alien", 1979, "117"), heat, SimpleMovie("Jaws", 1975, "124")};
  SampleMovie heatDesktop = SimpleMovie("Heat", 1995, "170");
  heatDesktop.notes = "desktop";
  SampleMovie heatMerged = heat;
  heatMerged.notes = "desktop";
  SampleMovie up = SimpleMovie("Up", 2009, "96");
  const std::string import =
      std::string(kHeader) + Line("Up", 2009, "96") + Line("Alien", 1979, "117") + Line("Heat", 1995, "170", "desktop");
  struct Expected {
    std::vector<SampleMovie> records;
    std::string totals;
  };
  const Expected expected[4] = {
      {{movies[0], movies[1], movies[2], heatDesktop, up},
       "matched to identical device records : 1\r\nTotal number of records imported : 2\r\n\t- added : 2\r\n"
       "\t- updated : 0\r\n"},
      {{movies[0], heatDesktop, movies[2], up},
       "matched to identical device records : 1\r\nTotal number of records imported : 2\r\n\t- added : 1\r\n"
       "\t- updated : 1\r\n"},
      {{movies[0], heatMerged, movies[2], up},
       "matched to identical device records : 1\r\nTotal number of records imported : 2\r\n\t- added : 1\r\n"
       "\t- updated : 1\r\n"},
      {{movies[0], movies[1], movies[2], up},
       "matched to identical device records : 2\r\nTotal number of records imported : 1\r\n\t- added : 1\r\n"
       "\t- updated : 0\r\n"},
  };
  for (int mode = 0; mode < 4; ++mode) {
    SCOPED_TRACE("mode " + std::to_string(mode));
    WriteHandheld(movies);
    WriteDocument("MyMoviesImport.tab", import);
    EXPECT_EQ(Sync(ImportMode(mode)), 0) << output_;
    hotsync::PalmDatabase db = Handheld();
    ASSERT_EQ(db.records.size(), expected[mode].records.size());
    for (size_t i = 0; i < db.records.size(); ++i) {
      EXPECT_EQ(Data(db.records[i]), PackSampleMovie(expected[mode].records[i])) << i;
    }
    std::string log = SyncLogText();
    EXPECT_TRUE(Has(log.substr(log.rfind("Ro Vedevu import is")), expected[mode].totals)) << log;
    EXPECT_EQ(Preference(), 0x10 | (mode << 2));
    ExpectPerlAgrees();
  }
}

TEST_F(MoviesEndToEnd, DryRunShowsTheChangesAndKeepsEveryFile) {
  WriteHandheld({SimpleMovie("Alien", 1979, "117"), SimpleMovie("Heat", 1995, "170")});
  WriteDocument("MyMoviesImport.tab",
                std::string(kHeader) + Line("Up", 2009, "96") + Line("Heat", 1995, "170", "desktop") +
                    Line("Am\xE9lie", 2001, "122"));
  std::string output;
  ASSERT_EQ(Run({"handheld", "request", "--import", "merge"}, &output), 0) << output;
  const std::string handheld = ReadFileBytes(root_.DatabasePath("Movie-Lists"));
  const std::string prefs = ReadFileBytes(root_.DatabasePath("Saved Preferences", true));
  const std::string syncLog = SyncLogText();
  const std::string settings = ReadFileBytes(root_.conduitFolder() + "/KVRTPrefs.txt");
  const std::string hotsyncLog = ReadFileBytes(root_.userFolder() + "/HotSync Log.txt");
  const int status = Run({"sync", "--dry-run"}, &output, {"LC_ALL=C.UTF-8"});
  output.erase(std::remove(output.begin(), output.end(), '\r'), output.end());
  EXPECT_EQ(status, 0) << output;
  // The handheld's titles in the terminal's character set.
  EXPECT_TRUE(Has(output, "Movie-Lists: 2 added, 1 changed, 0 deleted\n    ~ \"Heat\"\n    + \"Am\xC3\xA9lie\"\n"
                          "    + \"Up\"\n")) << output;
  EXPECT_TRUE(Has(output, "Saved Preferences: 1 resource added or changed")) << output;
  // The export shows the handheld as the import leaves it.
  EXPECT_TRUE(Has(output, "MyMoviesExport.tab: would be written with 4 movie lines")) << output;
  EXPECT_EQ(ReadFileBytes(root_.DatabasePath("Movie-Lists")), handheld);
  EXPECT_EQ(ReadFileBytes(root_.DatabasePath("Saved Preferences", true)), prefs);
  EXPECT_EQ(SyncLogText(), syncLog);
  EXPECT_EQ(ReadFileBytes(root_.conduitFolder() + "/KVRTPrefs.txt"), settings);
  EXPECT_EQ(ReadFileBytes(root_.userFolder() + "/HotSync Log.txt"), hotsyncLog);
  EXPECT_FALSE(hotsync::FolderExists(root_.handheld() + " Backups"));
  EXPECT_FALSE(Env::Default().Files().FileExists(documents_.Join("MyMoviesExport.tab")));
  EXPECT_FALSE(hotsync::FolderExists(root_.root() + "/=dry-run"));
}

TEST_F(MoviesEndToEnd, DuplicateKeysOnBothSidesPairInOrderAndAreCounted) {
  WriteHandheld(std::vector<SampleMovie>(52, SimpleMovie("Alien", 1979, "117")));
  std::string import = kHeader;
  for (int i = 0; i < 51; ++i) import += Line("Alien", 1979, "117");
  WriteDocument("MyMoviesImport.tab", import);
  SetAudit(false);  // 52 records with 50 audit tags each, every one flushed: too slow for a test
  EXPECT_EQ(Sync(ImportMode(0)), 0) << output_;
  EXPECT_EQ(Handheld().records.size(), 52u);
  std::string log = SyncLogText();
  EXPECT_EQ(CountOf(log, "as an item already imported.  This record will import"), 49u);
  EXPECT_TRUE(Has(log, "WARNING : Import line 52 (Alien (DVD-1979, 117m)) has the same key (Alien1979117DVD) as many "
                       "items already imported.  This record has been skipped and WILL NOT IMPORT.\r\n"));
  EXPECT_TRUE(Has(log, "WARNING : Export line 52 (Alien (DVD-1979, 117m)) has the same key (Alien1979117DVD) as too "
                       "many items already exported."));
  EXPECT_TRUE(Has(log, "WARNING : Ro Vedevu record #52 (Alien (DVD-1979, 117m)) on the device will export, but will "
                       "not match because it's key ('Alien1979117DVD') was the same as too many previously read "
                       "records.\r\n"));
  EXPECT_TRUE(Has(log, "Total number of records exported : 52\r\nTotal number of import records matched to identical "
                       "device records : 50\r\nTotal number of records imported : 0\r\n"));
  EXPECT_TRUE(Has(log, "(but processed anyway) : 49\r\n"));
  EXPECT_TRUE(Has(log, "(NOT PROCESSED) : 1\r\n"));
  ExpectPerlAgrees();
}

TEST_F(MoviesEndToEnd, MergeWithPartialHeaderKeepsTheOtherFields) {
  SampleMovie heat = GeneratedMovie(5);
  heat.title = "Heat";
  heat.prodAttr = static_cast<uint16_t>((heat.prodAttr & ~0x7F) | (1995 - 1904));
  heat.runTime = "170";
  heat.mediaAttr = static_cast<uint16_t>(heat.mediaAttr & ~(0xF << 7));
  WriteHandheld({heat});
  WriteDocument("MyMoviesImport.tab",
                "Title\tNotes\tYear\tRunningTime\tMediaType\r\nHeat\t\t1995\t170\tDVD\r\n");
  EXPECT_EQ(Sync(ImportMode(2)), 0) << output_;
  SampleMovie merged = heat;
  merged.notes = "";
  hotsync::PalmDatabase db = Handheld();
  ASSERT_EQ(db.records.size(), 1u);
  EXPECT_EQ(Data(db.records[0]), PackSampleMovie(merged));
  EXPECT_EQ(db.records[0].attributes & 0x0F, heat.category);
  EXPECT_TRUE(Has(SyncLogText(), "<read field header line on line #1>\r\n"));
  ExpectPerlAgrees();
}

TEST_F(MoviesEndToEnd, MissingImportFileKeepsTheRequest) {
  WriteHandheld({SimpleMovie("Alien", 1979, "117")});
  EXPECT_EQ(Sync(ImportMode(1)), 4) << output_;  // finished, with the error in the HotSync log
  // The message names the file by its full path.
  EXPECT_TRUE(Has(output_, "MyMoviesImport.tab) due to an unexpected error (5)")) << output_;
  EXPECT_TRUE(Has(output_, "unable to open local import file (")) << output_;
  EXPECT_FALSE(Has(output_, "(MyMoviesImport.tab)")) << output_;
  EXPECT_EQ(ReadDocument("MyMoviesExport.tab"), "");  // no export replaces the previous one
  EXPECT_EQ(Preference(), ImportMode(1));
  EXPECT_EQ(Handheld().records.size(), 1u);
}

TEST_F(MoviesEndToEnd, UnusableDocumentsFolderFailsTheExportAndKeepsTheRequest) {
  WriteHandheld({SimpleMovie("Alien", 1979, "117")});
  const std::string unusable = documents_.Join("missing") + Env::Default().Files().PathSeparator() + "deeper";
  UseDocumentsFolder(unusable);
  EXPECT_EQ(Sync(kExport), 4) << output_;
  EXPECT_TRUE(Has(output_, "unable to open local export file (")) << output_;
  EXPECT_TRUE(Has(output_, "MyMoviesExport.tab) due to an unexpected error (")) << output_;
  EXPECT_TRUE(Has(SyncLogText(), "Your data will be exported to : ")) << SyncLogText();
  EXPECT_EQ(Preference(), kExport);
  EXPECT_EQ(Handheld().records.size(), 1u);
}

// A fresh Linux account has no documents folder: it is made, for the user alone, and said so.
TEST_F(MoviesEndToEnd, MissingDocumentsFolderIsMadeOnLinux) {
  if (Env::Default().Files().PathSeparator() == '\\') GTEST_SKIP() << "the shell keeps the Windows folder";
  WriteHandheld({SimpleMovie("Alien", 1979, "117")});
  const std::string fresh = documents_.Join("Documents");
  UseDocumentsFolder(fresh);
  EXPECT_EQ(Sync(kExport), 0) << output_;
  struct stat st;
  ASSERT_EQ(stat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_TRUE(Has(SyncLogText(), "NOTE : the documents folder " + fresh + " did not exist; it was made for the Ro "
                                  "Vedevu files.\r\n"))
      << SyncLogText();
  EXPECT_TRUE(Has(ReadFileBytes(fresh + "/MyMoviesExport.tab"), "Alien\t1979\t117\t"));
}

// 100 records, 100 new lines: the cancel answers the first status report of the pass. A cancel
// is no finished synchronization, and leaves the previous export (an import's export is written
// after its write-back).
TEST_F(MoviesEndToEnd, CancelInEachPassKeepsTheRequestEveryRecordAndThePreviousExport) {
  struct Case {
    const char* text;
    size_t records;
  } cases[] = {{"Parsing Desktop Ro Vedevu items", 100},
               {"Performing Ro Vedevu import/export", 100},
               {"Importing Ro Vedevu items", 123}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::vector<SampleMovie> movies;
    std::string import = kHeader;
    for (int i = 0; i < 100; ++i) {
      movies.push_back(SimpleMovie("Record " + std::to_string(100 + i), 1990, "90"));
      import += Line("Line " + std::to_string(100 + i), 1990, "90");
    }
    WriteHandheld(movies);
    WriteDocument("MyMoviesImport.tab", import);
    WriteDocument("MyMoviesExport.tab", "previous\r\n");
    SetAudit(false);
    EXPECT_NE(Sync(ImportMode(1), {"--cancel-at", c.text}), 0) << output_;
    EXPECT_TRUE(Has(output_, "Sync Aborted")) << output_;
    EXPECT_FALSE(Has(output_, "Sync Finished")) << output_;
    EXPECT_EQ(Handheld().records.size(), c.records);
    std::string exported = ReadDocument("MyMoviesExport.tab");
    EXPECT_EQ(exported, "previous\r\n");
    EXPECT_EQ(Preference(), ImportMode(1) | 0x10);
    ExpectPerlAgrees();
  }
}

TEST_F(MoviesEndToEnd, ExportedFileImportedUnchangedMatchesEveryRecordAndWritesNothing) {
  std::vector<SampleMovie> movies;
  for (uint32_t n = 0; n < 400; ++n) movies.push_back(GeneratedMovie(n));
  WriteHandheld(movies);
  SetAudit(false);
  EXPECT_EQ(Sync(kExport), 0) << output_;
  WriteDocument("MyMoviesImport.tab", ReadDocument("MyMoviesExport.tab"));
  EXPECT_EQ(Sync(ImportMode(1)), 0) << output_;
  hotsync::PalmDatabase db = Handheld();
  ASSERT_EQ(db.records.size(), movies.size());
  for (size_t i = 0; i < movies.size(); ++i) {
    EXPECT_EQ(Data(db.records[i]), PackSampleMovie(movies[i])) << i;
    EXPECT_EQ(db.records[i].attributes, movies[i].category) << i;  // not even marked dirty
  }
  std::string log = SyncLogText();
  EXPECT_TRUE(Has(log.substr(log.rfind("Ro Vedevu import is")),
                  "Total number of records exported : 400\r\nTotal number of import records matched to identical "
                  "device records : 400\r\nTotal number of records imported : 0\r\n"));
  EXPECT_EQ(ReadDocument("MyMoviesExport.tab"), ReadDocument("MyMoviesImport.tab"));
  ExpectPerlAgrees();
}

TEST_F(MoviesEndToEnd, FlagsFileIsEchoedInTheAudit) {
  WriteHandheld({});
  WriteDocument("MyMovieFlags.txt", "alpha\r\nbeta\r\n");
  EXPECT_EQ(Sync(kExport), 0) << output_;
  EXPECT_TRUE(Has(DebugLogText(), "Parsing special flags file\r\n***FLAG : alpha\r\n***FLAG : beta\r\n"));
}

}  // namespace
