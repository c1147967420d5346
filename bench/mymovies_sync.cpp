// How long the movie list job takes on a full handheld: 65,535 records exported, an import file
// of the same size read, paired and written back (mode 1: every tenth line differs), through the
// stand-in manager's files, as one synchronization would.
//
// bench_mymovies_sync [records]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "conduit/sync_driver.h"
#include "diag/sync_log.h"
#include "hotsync_session.h"
#include "mymovies/my_movies_job.h"
#include "platform/env.h"
#include "platform/files.h"
#include "support/handheld.h"
#include "support/movie_samples.h"

namespace {

using Stopwatch = std::chrono::steady_clock;

int32_t NoCancel(const char*) { return 0; }

double Seconds(Stopwatch::time_point since) { return std::chrono::duration<double>(Stopwatch::now() - since).count(); }

// One job run in a session of root; documents via XDG_DOCUMENTS_DIR.
int32_t RunJob(const reelbox_test::TempUserRoot& root, uint16_t preference) {
  if (root.BeginSession() != 0) return -100;
  SyncInput input;
  std::memset(&input, 0, sizeof input);
  input.progress = &NoCancel;
  std::strncpy(reinterpret_cast<char*>(input.properties.bytes + kFolderOffset), root.conduitFolder().c_str(),
               kSyncPropertiesSize - kFolderOffset - 1);
  int32_t result;
  {
    SyncDriver driver;
    driver.LoadSettings(input);
    SyncLog log(&driver, root.conduitFolder(), "kvrtdebuglog.txt", root.conduitFolder(), "kvrtsynclog.txt");
    driver.DevicePreference() = static_cast<uint16_t>((preference >> 8) | (preference << 8));
    result = RunMyMoviesJob(driver);
  }
  int32_t ended = HsEndSession();
  return result != 0 ? result : ended;
}

}  // namespace

int main(int argc, char** argv) {
  uint32_t count = argc > 1 ? static_cast<uint32_t>(std::atoi(argv[1])) : 65535;
  reelbox_test::TempUserRoot root;
  reelbox_test::TempFolder documents;
  setenv("XDG_DOCUMENTS_DIR", documents.path().c_str(), 1);
  Env::Default().Files().MakeDirectory(root.conduitFolder());

  auto start = Stopwatch::now();
  hotsync::PalmDatabase db = reelbox_test::NewRecordDatabase("Movie-Lists", "QV03", "QVX3");
  std::string block = reelbox_test::DefaultMovieCategoryBlock();
  db.hasAppInfo = true;
  db.appInfo.assign(block.begin(), block.end());
  for (uint32_t n = 0; n < count; ++n) {
    reelbox_test::SampleMovie movie = reelbox_test::GeneratedMovie(n);
    reelbox_test::AddTestRecord(&db, reelbox_test::PackSampleMovie(movie), movie.category);
  }
  reelbox_test::WritePalmFile(root.DatabasePath("Movie-Lists"), db);
  std::printf("handheld of %u records written in %.2f s\n", count, Seconds(start));

  start = Stopwatch::now();
  int32_t result = RunJob(root, 1);
  double exportTime = Seconds(start);
  std::printf("export only: result %d, %.2f s\n", result, exportTime);

  // The import file: the export with every tenth movie's notes changed, lines in reverse order.
  hotsync::Bytes exported = reelbox_test::ReadBytes(documents.Join("MyMoviesExport.tab"));
  std::string text(exported.begin(), exported.end());
  std::string header = text.substr(0, text.find("\r\n") + 2);
  std::string import = header;
  size_t end = text.size();
  uint32_t line = 0;
  while (end > header.size()) {
    size_t begin = text.rfind("\r\n", end - 3) + 2;
    std::string row = text.substr(begin, end - begin);
    if (line++ % 10 == 0) row.insert(row.size() - 2, " (changed)");
    import += row;
    end = begin;
  }
  hotsync::Bytes bytes(import.begin(), import.end());
  reelbox_test::WriteBytes(documents.Join("MyMoviesImport.tab"), bytes);

  start = Stopwatch::now();
  result = RunJob(root, 2 | (1 << 2));
  double importTime = Seconds(start);
  std::printf("export, import of %u lines and write-back (mode 1): result %d, %.2f s\n", line, result, importTime);
  std::string log;
  {
    hotsync::Bytes logBytes = reelbox_test::ReadBytes(root.conduitFolder() + "/kvrtsynclog.txt");
    log.assign(logBytes.begin(), logBytes.end());
  }
  size_t totals = log.rfind("Total number of records exported");
  if (totals != std::string::npos) std::printf("%s", log.substr(totals).c_str());
  return result == 0 ? 0 : 1;
}
