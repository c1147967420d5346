#include "support/handheld.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "hotsync_session.h"

namespace fs = std::filesystem;

namespace reelbox_test {

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  for (int attempt = 0;; ++attempt) {
    fs::path candidate = fs::temp_directory_path() /
                         ("reelbox-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::error_code error;
    if (fs::create_directory(candidate, error) || attempt > 100) {
      path_ = candidate.string();
      break;
    }
  }
}

TempFolder::~TempFolder() {
  std::error_code error;
  fs::remove_all(path_, error);
}

std::string TempFolder::Join(const std::string& name) const {
  return (fs::path(path_) / name).string();
}

TempUserRoot::TempUserRoot(const std::string& user_name) : userName_(user_name) {
  // The registry and folders as "hotsync user add" makes them (names of letters, digits and
  // blanks are used as they stand).
  fs::create_directories(fs::path(userFolder()) / "Handheld");
  std::ofstream users(folder_.Join("Users.txt"), std::ios::binary);
  users << "1\t" << user_name << "\t" << user_name << "\n";
}

TempUserRoot::~TempUserRoot() {
  if (HsSessionActive()) HsEndSession();
}

std::string TempUserRoot::userFolder() const { return folder_.Join(userName_); }
std::string TempUserRoot::handheld() const { return (fs::path(userFolder()) / "Handheld").string(); }
std::string TempUserRoot::conduitFolder() const {
  return (fs::path(userFolder()) / "Cinevane").string();
}

std::string TempUserRoot::DatabasePath(const std::string& name, bool resource) const {
  return (fs::path(handheld()) / (name + (resource ? ".prc" : ".pdb"))).string();
}

int32_t TempUserRoot::BeginSession(uint32_t flags) const {
  return HsBeginSession(root().c_str(), userName_.c_str(), nullptr, flags);
}

hotsync::PalmDatabase NewRecordDatabase(const std::string& name, const char* type,
                                        const char* creator) {
  hotsync::PalmDatabase db;
  db.name = name;
  db.attributes = hotsync::kDbAttrBackup;
  db.version = 1;
  db.creationDate = 0xB0000000u;
  db.modificationDate = 0xB0000100u;
  db.type = hotsync::FourCharCode(type);
  db.creator = hotsync::FourCharCode(creator);
  db.uniqueIdSeed = 0x1000;
  return db;
}

uint32_t AddTestRecord(hotsync::PalmDatabase* db, const std::string& data, uint8_t attributes) {
  hotsync::PalmRecord record;
  record.id = db->uniqueIdSeed++;
  record.attributes = attributes;
  record.data.assign(reinterpret_cast<const uint8_t*>(data.data()), data.size());
  db->records.push_back(record);
  return record.id;
}

bool WritePalmFile(const std::string& path, const hotsync::PalmDatabase& db) {
  WriteBytes(path, hotsync::SerializePalmDatabase(db));
  return true;
}

bool ReadPalmFile(const std::string& path, hotsync::PalmDatabase* db, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot open " + path;
    return false;
  }
  return hotsync::ParsePalmDatabase(ReadBytes(path), path, db, error);
}

hotsync::Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return hotsync::Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const hotsync::Bytes& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

#ifdef _WIN32
bool PerlAvailable() { return false; }
std::string RunPerl(const std::string&, const std::string&, int* status) {
  *status = -1;
  return std::string();
}
#else
bool PerlAvailable() {
  return std::system("perl -MPalm::PDB -e 1 >/dev/null 2>&1") == 0;
}

std::string RunPerl(const std::string& script, const std::string& args, int* status) {
  TempFolder folder;
  const std::string script_path = folder.Join("script.pl");
  {
    std::ofstream out(script_path, std::ios::binary);
    out << script;
  }
  const std::string command = "perl '" + script_path + "' " + args;
  FILE* pipe = popen(command.c_str(), "r");
  std::string output;
  if (pipe == nullptr) {
    *status = -1;
    return output;
  }
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  *status = pclose(pipe);
  return output;
}
#endif

LogEntries ManagerLog() {
  LogEntries out;
  for (int32_t i = 0; i < HsGetLogEntryCount(); ++i) {
    char text[4096];
    int32_t code = 0;
    HsGetLogEntry(i, text, sizeof text, &code);
    out.emplace_back(code, text);
  }
  return out;
}

}  // namespace reelbox_test
