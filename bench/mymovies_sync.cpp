// The movie list job on a full handheld, driven by scripts/bench.py, which times and measures each
// step in a process of its own.
//
// bench_mymovies_sync prepare DIR RECORDS KIND
//   DIR becomes a HotSync root with user "Bench": a handheld of RECORDS generated movies and, in
//   DIR/docs, an import file made from their export: KIND "merge" has the lines in reverse order
//   with every tenth movie's notes changed, "new" gives every line a title the handheld lacks,
//   "million" repeats the export with new titles up to 1,000,000 lines. The request (export,
//   import) is left to "hotsync handheld request".
// bench_mymovies_sync run DIR [audit]
//   one synchronization of DIR through the conduit (documents in DIR/docs), with the standard
//   debug log or the full activity audit; prints its seconds and result.
// bench_mymovies_sync parse DIR
//   reads DIR/docs/MyMoviesImport.tab through the job's parser and lists every line as the
//   import pass does; prints its seconds.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "conduit/conduit_prefs.h"
#include "conduit/open_conduit.h"
#include "conduit/sync_driver.h"
#include "diag/sync_log.h"
#include "hotsync_session.h"
#include "movies/movie_categories.h"
#include "movies/movie_item.h"
#include "mymovies/desktop_item_list.h"
#include "mymovies/item_matching.h"
#include "mymovies/my_movies_job.h"
#include "support/handheld.h"
#include "support/movie_samples.h"
#include "textfiles/data_parser.h"
#include "textfiles/desktop_file.h"
#include "textfiles/field_map.h"
#include "platform/env.h"

namespace {

namespace fs = std::filesystem;
using Stopwatch = std::chrono::steady_clock;

const char kUser[] = "Bench";

double Seconds(Stopwatch::time_point since) { return std::chrono::duration<double>(Stopwatch::now() - since).count(); }

int32_t NoCancel(const char*) { return 0; }

std::string ConduitFolder(const std::string& dir) { return dir + "/" + kUser + "/Cinevane"; }

SyncProperties PropertiesOf(const std::string& dir) {
  SyncProperties p;
  std::memset(&p, 0, sizeof p);
  std::strncpy(reinterpret_cast<char*>(p.bytes + kFolderOffset), ConduitFolder(dir).c_str(),
               kSyncPropertiesSize - kFolderOffset - 1);
  return p;
}

void SetLogLevel(const std::string& dir, uint32_t level) {
  ConduitPrefs prefs;
  ReadConduitPrefs(Env::Default().Files(), &prefs, ConduitFolder(dir).c_str());
  prefs.flags |= kPrefsFlagMyMoviesOn;
  prefs.eventsInterval = kNoSchedule;
  prefs.logLevel = level;
  WriteConduitPrefs(Env::Default().Files(), prefs, ConduitFolder(dir).c_str());
}

// The export alone, to have the lines the import file is made of.
bool ExportOnce(const std::string& dir) {
  if (HsBeginSession(dir.c_str(), kUser, nullptr, 0) != 0) return false;
  SyncInput input;
  std::memset(&input, 0, sizeof input);
  input.progress = &NoCancel;
  input.properties = PropertiesOf(dir);
  JobResult result = JobResult::kDone;
  {
    SyncDriver driver(Env::Default());
    driver.LoadSettings(input);
    SyncLog log(Env::Default(), &driver, ConduitFolder(dir), "kvrtdebuglog.txt", ConduitFolder(dir), "kvrtsynclog.txt");
    driver.DevicePreference() = static_cast<uint16_t>(1 << 8);
    result = RunMyMoviesJob(driver);
  }
  return HsEndSession() == 0 && result == JobResult::kDone;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Field `column` of a CRLF-ended tab-separated row, prefixed.
std::string Retitled(const std::string& row, size_t column, const std::string& prefix) {
  size_t begin = 0;
  for (size_t c = 0; c < column; ++c) begin = row.find('\t', begin) + 1;
  return row.substr(0, begin) + prefix + row.substr(begin);
}

int Prepare(const std::string& dir, uint32_t count, const std::string& kind) {
  fs::create_directories(dir + "/" + kUser + "/Handheld");
  fs::create_directories(ConduitFolder(dir));
  fs::create_directories(dir + "/docs");
  std::ofstream(dir + "/Users.txt", std::ios::binary) << "1\t" << kUser << "\t" << kUser << "\n";
  setenv("XDG_DOCUMENTS_DIR", (dir + "/docs").c_str(), 1);
  SetLogLevel(dir, kLogLevelStandard);

  hotsync::PalmDatabase db = reelbox_test::NewRecordDatabase("Movie-Lists", "QV03", "QVX3");
  std::string block = reelbox_test::DefaultMovieCategoryBlock();
  db.hasAppInfo = true;
  db.appInfo.assign(block.begin(), block.end());
  for (uint32_t n = 0; n < count; ++n) {
    reelbox_test::SampleMovie movie = reelbox_test::GeneratedMovie(n);
    reelbox_test::AddTestRecord(&db, reelbox_test::PackSampleMovie(movie), movie.category);
  }
  reelbox_test::WritePalmFile(dir + "/" + kUser + "/Handheld/Movie-Lists.pdb", db);
  if (!ExportOnce(dir)) {
    std::fprintf(stderr, "prepare: the export failed\n");
    return 1;
  }
  std::string text = ReadText(dir + "/docs/MyMoviesExport.tab");
  std::string header = text.substr(0, text.find("\r\n") + 2);
  size_t title_column = 0;
  for (size_t at = 0; at < header.size() && header.compare(at, 5, "Title") != 0; ++at) {
    if (header[at] == '\t') ++title_column;
  }
  std::string import = header;
  uint32_t lines = 0;
  if (kind == "million") {
    for (uint32_t round = 0; lines < 1000000; ++round) {
      for (size_t begin = header.size(); begin < text.size() && lines < 1000000; ++lines) {
        size_t end = text.find("\r\n", begin) + 2;
        import += Retitled(text.substr(begin, end - begin), title_column, "R" + std::to_string(round) + " ");
        begin = end;
      }
    }
  } else {
    size_t end = text.size();
    while (end > header.size()) {
      size_t begin = text.rfind("\r\n", end - 3) + 2;
      std::string row = text.substr(begin, end - begin);
      if (kind == "new") {
        row = Retitled(row, title_column, "New ");
      } else if (lines % 10 == 0) {
        row.insert(row.size() - 2, " (changed)");
      }
      import += row;
      ++lines;
      end = begin;
    }
  }
  std::ofstream(dir + "/docs/MyMoviesImport.tab", std::ios::binary) << import;
  fs::remove(dir + "/docs/MyMoviesExport.tab");
  std::printf("prepared %u records, %u import lines (%zu bytes)\n", count, lines, import.size());
  return 0;
}

int Run(const std::string& dir, bool audit) {
  setenv("XDG_DOCUMENTS_DIR", (dir + "/docs").c_str(), 1);
  SetLogLevel(dir, audit ? kLogLevelAudit : kLogLevelStandard);
  auto start = Stopwatch::now();
  if (HsBeginSession(dir.c_str(), kUser, nullptr, 0) != 0) return 1;
  int32_t result = RunConduit(Env::Default(), &NoCancel, PropertiesOf(dir));
  int32_t ended = HsEndSession();
  double seconds = Seconds(start);
  std::printf("seconds %.4f result %d saved %d\n", seconds, result, ended);
  return result == 0 && ended == 0 ? 0 : 1;
}

int Parse(const std::string& dir) {
  std::string path = dir + "/docs/MyMoviesImport.tab";
  // The categories the prepared handheld holds, as the sync has them while it parses: without
  // them no line's category would read, and every line would take the path of an unread field.
  const std::string block = reelbox_test::DefaultMovieCategoryBlock();
  MovieCategories categories(nullptr);
  categories.LoadFromBlock(reinterpret_cast<const uint8_t*>(block.data()), block.size());
  SetCurrentMovieCategories(&categories);
  auto start = Stopwatch::now();
  DesktopFile in(Env::Default().Files(), path.c_str());
  if (in.OpenRead() != FileResult::kOk) return 1;
  MovieFieldMap map;
  DataParser parser(Env::Default().Time());
  parser.Attach(&in, &map);
  if (parser.Start() != ParseResult::kOk) return 1;
  DesktopItemList list;
  ImportTotals totals;
  ItemRef last = kNoItem;
  MovieItem work;
  uint32_t parsed = 0;
  for (;;) {
    work.Reset();
    if (parser.ParseItem(&work, true, nullptr) != ParseResult::kOk) break;
    ListImportItem(work, parser.GetLineNumber(), list, totals, &last);
    ++parsed;
  }
  parser.Stop();
  double seconds = Seconds(start);
  list.Clear();
  SetCurrentMovieCategories(nullptr);
  std::printf("seconds %.4f lines %u\n", seconds, parsed);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string command = argc > 2 ? argv[1] : "";
  if (command == "prepare" && argc == 5) return Prepare(argv[2], static_cast<uint32_t>(std::atoi(argv[3])), argv[4]);
  if (command == "run" && (argc == 3 || argc == 4)) return Run(argv[2], argc == 4 && std::strcmp(argv[3], "audit") == 0);
  if (command == "parse" && argc == 3) return Parse(argv[2]);
  std::fprintf(stderr, "usage: bench_mymovies_sync prepare DIR RECORDS merge|new|million | run DIR [audit] | parse DIR\n");
  return 2;
}
