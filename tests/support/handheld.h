// Test helpers for the simulated handheld: temporary HotSync roots with a registered user, Palm
// database files read and written through the stand-in's library, and the independent Perl
// reader (Palm::PDB) for cross-checks.
#ifndef REELBOX_TESTS_SUPPORT_HANDHELD_H
#define REELBOX_TESTS_SUPPORT_HANDHELD_H

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "pdb/palm_database.h"

namespace reelbox_test {

// A fresh folder under the system's temporary folder, deleted with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string Join(const std::string& name) const;

 private:
  std::string path_;
};

// A HotSync root with one registered user (folder ROOT/USER, handheld ROOT/USER/Handheld).
class TempUserRoot {
 public:
  explicit TempUserRoot(const std::string& user_name = "Test User");
  const std::string& root() const { return folder_.path(); }
  const std::string& userName() const { return userName_; }
  std::string userFolder() const;
  std::string handheld() const;
  std::string conduitFolder() const;  // user folder + "Cinevane"
  // Path of a database file in the handheld folder ("Movie-Lists" -> .../Movie-Lists.pdb).
  std::string DatabasePath(const std::string& name, bool resource = false) const;
  // Begins a session of the stand-in on this root (ends it in the destructor if still active).
  int32_t BeginSession(uint32_t flags = 0) const;
  ~TempUserRoot();

 private:
  TempFolder folder_;
  std::string userName_;
};

// A record database with the given name, type and creator, no records.
hotsync::PalmDatabase NewRecordDatabase(const std::string& name, const char* type,
                                        const char* creator);
// Adds a record; returns its id (ids counted up from the database's seed).
uint32_t AddTestRecord(hotsync::PalmDatabase* db, const std::string& data, uint8_t attributes);

bool WritePalmFile(const std::string& path, const hotsync::PalmDatabase& db);
// Reads a file; on failure returns false with *error.
bool ReadPalmFile(const std::string& path, hotsync::PalmDatabase* db, std::string* error);
hotsync::Bytes ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const hotsync::Bytes& data);

// True where the Perl reader can run (native builds with perl and Palm::PDB).
bool PerlAvailable();
// Runs perl with the script and arguments; returns its standard output, *status its exit status.
std::string RunPerl(const std::string& script, const std::string& args, int* status);

// The HotSync log entries (activity code, text) of the stand-in's current or last session.
using LogEntries = std::vector<std::pair<int32_t, std::string>>;
LogEntries ManagerLog();

}  // namespace reelbox_test

#endif  // REELBOX_TESTS_SUPPORT_HANDHELD_H
