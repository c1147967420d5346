#include "e2e_fixture.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/env.h"
#include "platform/files.h"

namespace {

bool IsWindowsTarget() { return Env::Default().Files().PathSeparator() == '\\'; }

const char kShellFolders[] = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char kRegProgram[] = "C:\\windows\\system32\\reg.exe";

std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The conduit's settings: the movie list job on, the movie events never due, the log level.
std::string PrefsRecord(bool audit) {
  const uint8_t bytes[20] = {3, 0, 0, 0, 9, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0,
                             static_cast<uint8_t>(audit ? 8 : 4), 0, 0, 0};
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

}  // namespace

MoviesEndToEnd::MoviesEndToEnd() {
  documents_folder_ = documents_.path();
  Env::Default().Files().MakeDirectory(root_.conduitFolder());
  SetAudit(true);
  UseDocumentsFolder(documents_folder_);
}

void MoviesEndToEnd::SetAudit(bool audit) {
  std::ofstream(root_.conduitFolder() + Env::Default().Files().PathSeparator() + "KVRTPrefs.txt", std::ios::binary)
      << PrefsRecord(audit);
}

MoviesEndToEnd::~MoviesEndToEnd() {
  if (registry_changed_) {
    reelbox_test::RunProcess(kRegProgram, {"add", kShellFolders, "/v", "Personal", "/t", "REG_EXPAND_SZ", "/d",
                                           "%USERPROFILE%\\Documents", "/f"});
  }
}

void MoviesEndToEnd::UseDocumentsFolder(const std::string& folder) {
  documents_folder_ = folder;
  if (!IsWindowsTarget()) return;
  // Wine's shell takes the personal folder from the registry on every call.
  reelbox_test::ProcessResult result = reelbox_test::RunProcess(
      kRegProgram, {"add", kShellFolders, "/v", "Personal", "/t", "REG_EXPAND_SZ", "/d", folder, "/f"});
  ASSERT_EQ(result.exitStatus, 0) << result.output;
  registry_changed_ = true;
}

void MoviesEndToEnd::WriteHandheld(const std::vector<reelbox_test::SampleMovie>& movies) {
  hotsync::PalmDatabase db = reelbox_test::NewRecordDatabase("Movie-Lists", "QV03", "QVX3");
  std::string block = reelbox_test::DefaultMovieCategoryBlock();
  db.hasAppInfo = true;
  db.appInfo.assign(block.begin(), block.end());
  for (const auto& movie : movies) reelbox_test::AddTestRecord(&db, reelbox_test::PackSampleMovie(movie), movie.category);
  ASSERT_TRUE(reelbox_test::WritePalmFile(root_.DatabasePath("Movie-Lists"), db));
}

void MoviesEndToEnd::WriteDocument(const std::string& name, const std::string& text) {
  std::ofstream(documents_.Join(name), std::ios::binary) << text;
}

std::string MoviesEndToEnd::ReadDocument(const std::string& name) { return FileText(documents_.Join(name)); }

int MoviesEndToEnd::Run(const std::vector<std::string>& words, std::string* output,
                         const std::vector<std::string>& environment) {
  std::vector<std::string> args = {"--root", root_.root(), "--user", root_.userName(), "--conduit",
                                   reelbox_test::BuiltLibrary("KVRTConduit.dll")};
  args.insert(args.end(), words.begin(), words.end());
  reelbox_test::ProcessOptions options;
  options.environment = environment;
  if (!IsWindowsTarget()) options.environment.push_back("XDG_DOCUMENTS_DIR=" + documents_folder_);
  reelbox_test::ProcessResult result = reelbox_test::RunProcess(reelbox_test::BuiltProgram("hotsync"), args, options);
  EXPECT_TRUE(result.started);
  EXPECT_FALSE(result.timedOut);
  if (output) *output = result.output;
  return result.exitStatus;
}

int MoviesEndToEnd::Sync(uint16_t preference, const std::vector<std::string>& sync_words) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "%04x", static_cast<unsigned>(preference));
  std::string output;
  EXPECT_EQ(Run({"handheld", "prefs", "KVRT", "4", "1", hex}, &output), 0) << output;
  std::vector<std::string> words = {"sync"};
  words.insert(words.end(), sync_words.begin(), sync_words.end());
  return Run(words, &output_);
}

uint16_t MoviesEndToEnd::Preference() {
  hotsync::PalmDatabase prefs;
  std::string error;
  EXPECT_TRUE(reelbox_test::ReadPalmFile(root_.DatabasePath("Saved Preferences", true), &prefs, &error)) << error;
  for (const auto& resource : prefs.resources) {
    if (resource.type == hotsync::FourCharCode("KVRT") && resource.id == 4 && resource.data.size() >= 4) {
      return static_cast<uint16_t>((resource.data[2] << 8) | resource.data[3]);
    }
  }
  ADD_FAILURE() << "no KVRT preference";
  return 0;
}

hotsync::PalmDatabase MoviesEndToEnd::Handheld() {
  hotsync::PalmDatabase db;
  std::string error;
  EXPECT_TRUE(reelbox_test::ReadPalmFile(root_.DatabasePath("Movie-Lists"), &db, &error)) << error;
  return db;
}

void MoviesEndToEnd::ExpectPerlAgrees() {
  if (!reelbox_test::PerlAvailable()) return;
  hotsync::PalmDatabase db = Handheld();
  std::string ours = db.name + " " + hotsync::FourCharText(db.type) + " " + hotsync::FourCharText(db.creator) + " " +
                     std::to_string(db.records.size()) + "\n";
  for (const auto& record : db.records) {
    ours += std::to_string(record.attributes & 0x0F) + " " + Hex(std::string(record.data.begin(), record.data.end())) +
            "\n";
  }
  const char script[] =
      "use Palm::PDB; use Palm::Raw;\n"
      "my $p = Palm::PDB->new; $p->Load($ARGV[0]);\n"
      "my @records = @{$p->{records} || []};\n"
      "print \"$p->{name} $p->{type} $p->{creator} \", scalar(@records), \"\\n\";\n"
      "for my $r (@records) { print $r->{category}, ' ', unpack('H*', $r->{data}), \"\\n\"; }\n";
  int status = -1;
  std::string theirs = reelbox_test::RunPerl(script, "'" + root_.DatabasePath("Movie-Lists") + "'", &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(theirs, ours);
}

std::string MoviesEndToEnd::SyncLogText() {
  return FileText(root_.conduitFolder() + Env::Default().Files().PathSeparator() + "kvrtsynclog.txt");
}

std::string MoviesEndToEnd::DebugLogText() {
  return FileText(root_.conduitFolder() + Env::Default().Files().PathSeparator() + "kvrtdebuglog.txt");
}

bool Has(const std::string& text, const std::string& needle) { return text.find(needle) != std::string::npos; }

size_t CountOf(const std::string& text, const std::string& needle) {
  size_t count = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) ++count;
  return count;
}
