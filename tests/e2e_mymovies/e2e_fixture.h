// End-to-end runs of the movie list job through the stand-in manager's program: a HotSync root
// with one user and a handheld of Palm database files, a documents folder of the test's own
// (XDG_DOCUMENTS_DIR on POSIX, the shell's personal folder in the registry under Wine), the
// request bits set with "hotsync handheld prefs", then "hotsync sync". The handheld is read back
// with the stand-in's reader and, where Perl is at hand, with Palm::PDB.
#ifndef REELBOX_TESTS_E2E_MYMOVIES_E2E_FIXTURE_H
#define REELBOX_TESTS_E2E_MYMOVIES_E2E_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "pdb/palm_database.h"
#include "support/handheld.h"
#include "support/movie_samples.h"
#include "support/process.h"

class MoviesEndToEnd : public ::testing::Test {
 protected:
  MoviesEndToEnd();
  ~MoviesEndToEnd() override;

  void WriteHandheld(const std::vector<reelbox_test::SampleMovie>& movies);
  void WriteDocument(const std::string& name, const std::string& text);
  std::string ReadDocument(const std::string& name);
  // The full activity audit in the debug log (on at first): every line is flushed to the disk.
  void SetAudit(bool audit);
  // Points the conduit's documents folder elsewhere (a folder that may not exist).
  void UseDocumentsFolder(const std::string& folder);

  // Sets the request bits (host order) as the handheld would, then synchronizes. Extra words go
  // to "sync". Returns the program's exit status; output_ holds what it printed.
  int Sync(uint16_t preference, const std::vector<std::string>& sync_words = {});
  // The preference value the handheld holds now (host order).
  uint16_t Preference();
  hotsync::PalmDatabase Handheld();
  // The records as "category hex-data" lines, read by the stand-in's reader and by Palm::PDB; the
  // two must agree.
  void ExpectPerlAgrees();
  std::string SyncLogText();
  std::string DebugLogText();

  // environment: "NAME=VALUE" settings for the program besides the documents folder.
  int Run(const std::vector<std::string>& words, std::string* output = nullptr,
          const std::vector<std::string>& environment = {});

  reelbox_test::TempUserRoot root_;
  reelbox_test::TempFolder documents_;
  std::string documents_folder_;
  std::string output_;
  bool registry_changed_ = false;
};

bool Has(const std::string& text, const std::string& needle);
size_t CountOf(const std::string& text, const std::string& needle);

#endif  // REELBOX_TESTS_E2E_MYMOVIES_E2E_FIXTURE_H
