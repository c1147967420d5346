// An in-process run of the movie list job on a simulated handheld: a HotSync root with one user,
// Movie-Lists written as a Palm database file, a documents folder of the test's own, the job run
// through a real SyncDriver inside a stand-in session, and the results read back from the files.
#ifndef REELBOX_TESTS_MYMOVIES_JOB_JOB_FIXTURE_H
#define REELBOX_TESTS_MYMOVIES_JOB_JOB_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fixed_documents.h"
#include "pdb/palm_database.h"
#include "support/handheld.h"
#include "support/movie_samples.h"
#include "support/temp_dir.h"
#include "diag/sync_log.h"

class JobTest : public ::testing::Test {
 protected:
  JobTest();
  ~JobTest() override;

  // Writes Movie-Lists with the movies (each in its category) and the given category block.
  void WriteHandheld(const std::vector<reelbox_test::SampleMovie>& movies,
                     const std::string& block = reelbox_test::DefaultMovieCategoryBlock());
  void WriteRawRecords(const std::vector<std::pair<std::string, uint8_t>>& records, const std::string& block);
  void WriteImport(const std::string& text) { WriteFileBytes(documents_.Sub("MyMoviesImport.tab"), text); }
  void WriteDocument(const std::string& name, const std::string& text) {
    WriteFileBytes(documents_.Sub(name), text);
  }

  // Runs the job with the preference value (host order). A cancel is asked for at the
  // occurrence-th status report whose text is cancel_text, and at every report after it.
  // With audit, the debug log gets the full activity audit (each line flushed to the disk: slow).
  int32_t RunJob(uint16_t preference, bool audit = false, const char* cancel_text = nullptr, int occurrence = 1);

  // A fault the next RunJob injects into its session: the nth call of operation fails with code.
  void InjectFault(const std::string& operation, int32_t nth, int32_t code) {
    faults_.push_back({operation, nth, code});
  }
  struct Fault {
    std::string operation;
    int32_t nth;
    int32_t code;
  };
  std::vector<Fault> faults_;
  // The nth allocation the next jobs make fails (0: none).
  long fail_allocation_ = 0;
  // The allocations the last job made.
  long allocations_ = 0;

  // After RunJob.
  hotsync::PalmDatabase Handheld();
  std::string ExportText() { return ReadFileBytes(documents_.Sub("MyMoviesExport.tab")); }
  std::string SyncLogText() { return ReadFileBytes(conduit_ + sep_ + "kvrtsynclog.txt"); }
  std::string DebugLogText() {
    FlushLogFiles();
    return ReadFileBytes(conduit_ + sep_ + "kvrtdebuglog.txt");
  }
  // The entries the run added with a code (text, code), without the mirrored log lines.
  std::vector<std::pair<std::string, int32_t>> entries_;
  uint16_t preference_after_ = 0;
  bool cancelled_after_ = false;

  // Replaces the documents folder the platform reports (text and result).
  void UseDocumentsFolder(const std::string& folder, uint32_t result);

  TempDir documents_;
  std::unique_ptr<FixedDocumentsEnv> documents_env_;
  reelbox_test::TempUserRoot root_;
  std::string conduit_;
  std::string sep_;
};

// The header line and the line of a movie as the export file holds them.
std::string ExportHeader();
// The export line of a movie made by SimpleMovie (every other field at its default).
std::string SimpleExportLine(const std::string& title, int year, const std::string& run_time,
                             const std::string& category = "Unfiled Movies", const std::string& notes = "");
// Count of occurrences of needle in text.
size_t CountOf(const std::string& text, const std::string& needle);

#endif  // REELBOX_TESTS_MYMOVIES_JOB_JOB_FIXTURE_H
