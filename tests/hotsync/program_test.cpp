// The hotsync program end to end: real processes, real folders and Palm database files, the test
// conduit loaded as the manager loads a conduit.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/registrations.h"
#include "hotsync_session.h"
#include "pdb/palm_database.h"
#include "platform/host.h"
#include "support/handheld.h"
#include "support/process.h"

using reelbox_test::ProcessOptions;
using reelbox_test::ProcessResult;
using reelbox_test::TempFolder;

namespace {

class HotSyncProgram : public ::testing::Test {
 protected:
  ProcessResult Run(std::vector<std::string> args, std::vector<std::string> env = {}) {
    args.insert(args.begin(), {"--conduit", reelbox_test::BuiltLibrary("testconduit.dll")});
    return RunRegistered(args, env);
  }
  // Runs the conduits registered in the root, as users do.
  ProcessResult RunRegistered(std::vector<std::string> args, std::vector<std::string> env = {}) {
    std::vector<std::string> full = {"--root", root_.path()};
    full.insert(full.end(), args.begin(), args.end());
    ProcessOptions options;
    options.environment = env;
    ProcessResult result = reelbox_test::RunProcess(reelbox_test::BuiltProgram("hotsync"), full, options);
    EXPECT_TRUE(result.started);
    EXPECT_FALSE(result.timedOut);
    EXPECT_TRUE(reelbox_test::ToPlainLineEnds(&result.output)) << result.output;
    return result;
  }

  void AddUser(const std::string& name = "Alice") {
    ProcessResult result = Run({"user", "add", name});
    ASSERT_EQ(result.exitStatus, 0) << result.output;
  }

  std::string UserPath(const std::string& user, const std::string& name) const {
    return hotsync::JoinPath(hotsync::JoinPath(root_.path(), user), name);
  }
  std::string RecordsPath() const { return hotsync::JoinPath(UserPath("Alice", "Handheld"), "Test-Records.pdb"); }

  size_t RecordCount() {
    hotsync::PalmDatabase db;
    std::string error;
    EXPECT_TRUE(reelbox_test::ReadPalmFile(RecordsPath(), &db, &error)) << error;
    return db.records.size();
  }

  TempFolder root_;
};

bool Has(const ProcessResult& result, const std::string& text) {
  return result.output.find(text) != std::string::npos;
}

// A path as a hint writes it for the shell of the target: quoted when it holds a blank, and on
// Windows when it holds a backslash (so that it pastes into a POSIX shell under Wine as well).
std::string Pasteable(const std::string& path) {
  if (hotsync::PathSeparator() == '\\') return "\"" + path + "\"";
  return path.find(' ') == std::string::npos ? path : "'" + path + "'";
}

}  // namespace

TEST_F(HotSyncProgram, UserAddRegistersUsersWithTheirFolders) {
  AddUser("Alice");
  AddUser("O'Brien/2");
  EXPECT_TRUE(hotsync::FolderExists(UserPath("Alice", "Handheld")));
  EXPECT_TRUE(hotsync::FolderExists(UserPath("O=27Brien=2F2", "Handheld")));
  ProcessResult list = Run({"user", "list"});
  EXPECT_EQ(list.exitStatus, 0);
  EXPECT_TRUE(Has(list, "Alice")) << list.output;
  EXPECT_TRUE(Has(list, "O'Brien/2")) << list.output;
  ProcessResult again = Run({"user", "add", "alice"});
  EXPECT_EQ(again.exitStatus, 1);
  EXPECT_TRUE(Has(again, "already registered")) << again.output;
}

TEST_F(HotSyncProgram, BadArgumentsGiveTheUsageAndStatus2) {
  const std::vector<std::vector<std::string>> bad = {
      {}, {"frobnicate"}, {"user"}, {"user", "add"}, {"sync", "--now"}, {"handheld"},
      {"handheld", "dump"}, {"handheld", "clock", "offset", "soon"}, {"info", "extra"},
      {"--user"}, {"--fail", "SyncWriteRec", "sync"}};
  for (const auto& args : bad) {
    ProcessResult result = Run(args);
    EXPECT_EQ(result.exitStatus, 2) << result.output;
    EXPECT_TRUE(Has(result, "Usage: hotsync")) << result.output;
  }
}

TEST_F(HotSyncProgram, HelpAndVersionAnswerWithStatus0) {
  const std::vector<std::vector<std::string>> asks = {
      {"-h"}, {"--help"}, {"help"}, {"help", "sync"}, {"sync", "--help"}, {"handheld", "--help"},
      {"handheld", "request", "-h"}, {"user", "--help"}};
  for (const auto& args : asks) {
    ProcessResult result = Run(args);
    EXPECT_EQ(result.exitStatus, 0) << result.output;
    EXPECT_TRUE(Has(result, "Usage: hotsync")) << result.output;
  }
  EXPECT_TRUE(Has(Run({"help", "sync"}), "3 cancelled"));
  EXPECT_TRUE(Has(Run({"handheld", "--help"}), "  restore     the handheld as it was")) << Run({"handheld", "--help"}).output;
  // Every command and subcommand has its own help with an example, asked either way.
  const std::vector<std::vector<std::string>> commands = {
      {"user"}, {"user", "add"}, {"user", "list"}, {"setup"}, {"conduits"}, {"conduits", "list"},
      {"conduits", "install"}, {"conduits", "remove"}, {"install"}, {"info"}, {"sync"}, {"configure"},
      {"handheld"}, {"handheld", "list"}, {"handheld", "dump"}, {"handheld", "movies"},
      {"handheld", "events"}, {"handheld", "feeds"}, {"handheld", "request"}, {"handheld", "backups"},
      {"handheld", "restore"}, {"handheld", "prefs"}, {"handheld", "clock"}, {"help"}};
  for (const auto& words : commands) {
    std::vector<std::string> help = {"help"};
    help.insert(help.end(), words.begin(), words.end());
    ProcessResult asked = Run(help);
    EXPECT_EQ(asked.exitStatus, 0) << asked.output;
    EXPECT_TRUE(Has(asked, "\nExample:\n  hotsync ")) << asked.output;
  }
  for (const auto& words : std::vector<std::vector<std::string>>{{"user", "add"}, {"sync"}, {"help"}}) {
    std::vector<std::string> help = {"help"};
    help.insert(help.end(), words.begin(), words.end());
    std::vector<std::string> flagged = words;
    flagged.push_back("--help");
    EXPECT_EQ(Run(flagged).output, Run(help).output);
  }
  // Words after the command's own are its arguments: the help is still the subcommand's.
  EXPECT_EQ(Run({"handheld", "feeds", "set", "4", "--help"}).output, Run({"help", "handheld", "feeds"}).output);
  EXPECT_TRUE(Has(Run({"help", "help"}), "Usage: hotsync help [COMMAND [SUBCOMMAND]]"));
  ProcessResult version = Run({"--version"});
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_TRUE(Has(version, "hotsync 1.0")) << version.output;
  EXPECT_EQ(Run({"help", "frobnicate"}).exitStatus, 2);
  ProcessResult unknown = Run({"help", "handheld", "frobnicate"});
  EXPECT_EQ(unknown.exitStatus, 2);
  EXPECT_TRUE(Has(unknown, "there is no command \"handheld frobnicate\"")) << unknown.output;
  // A usage error shows the usage of the subcommand at hand.
  ProcessResult bad = Run({"handheld", "feeds", "set", "99", "x", "y"});
  EXPECT_EQ(bad.exitStatus, 2);
  EXPECT_TRUE(Has(bad, "Usage: hotsync [--user NAME] [--handheld DIR] handheld feeds [set N NAME ADDRESS]")) << bad.output;
  EXPECT_TRUE(Has(bad, "hotsync help handheld feeds")) << bad.output;
  EXPECT_TRUE(Has(Run({"handheld"}), "Subcommands: list, dump, movies, events, feeds, request, backups, restore"));
}

TEST_F(HotSyncProgram, UserMayBeLeftOutOnlyWithOneUser) {
  AddUser("Alice");
  EXPECT_EQ(Run({"sync"}).exitStatus, 0);
  AddUser("Bob");
  ProcessResult result = Run({"sync", "--quiet"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_TRUE(Has(result, "several users are registered in " + root_.path() + " (\"Alice\", \"Bob\")")) << result.output;
  // The hint is the command as given, with the --root given and a user named.
  EXPECT_TRUE(Has(result, "  hotsync --root " + Pasteable(root_.path()) + " --user Alice sync --quiet\n")) << result.output;
  EXPECT_EQ(Run({"--user", "bob", "sync"}).exitStatus, 0);
  ProcessResult nobody = Run({"--user", "Carol Ann", "handheld", "list"});
  EXPECT_EQ(nobody.exitStatus, 1);
  EXPECT_TRUE(Has(nobody, "no user \"Carol Ann\" is registered in " + root_.path())) << nobody.output;
  const std::string quoted = hotsync::PathSeparator() == '\\' ? "\"Carol Ann\"" : "'Carol Ann'";
  EXPECT_TRUE(Has(nobody, "hotsync --root " + Pasteable(root_.path()) + " user add " + quoted)) << nobody.output;
}

TEST_F(HotSyncProgram, InstallInfoAndConfigureCallTheConduit) {
  AddUser();
  ProcessResult install = Run({"install"});
  EXPECT_EQ(install.exitStatus, 0) << install.output;
  EXPECT_TRUE(hotsync::FolderExists(UserPath("Alice", "Cinevane")));
  ProcessResult info = Run({"info"});
  EXPECT_EQ(info.exitStatus, 0);
  EXPECT_TRUE(Has(info, "Name:            Test Conduit")) << info.output;
  EXPECT_TRUE(Has(info, "Version:         1.01 (0x101)")) << info.output;
  EXPECT_TRUE(Has(info, "MFC version:     0x10000000")) << info.output;
  ProcessResult configure = Run({"configure"}, {"TESTCONDUIT_ACTION=6"});
  EXPECT_EQ(configure.exitStatus, 0) << configure.output;
  EXPECT_TRUE(Has(configure, "Next syncs: do nothing")) << configure.output;
  EXPECT_TRUE(Has(configure, "Applies to: every sync from now on")) << configure.output;
}

TEST_F(HotSyncProgram, SyncRunsTheConduitAndPrintsThisSyncsLog) {
  AddUser();
  ProcessResult result = Run({"sync"});
  EXPECT_EQ(result.exitStatus, 0) << result.output;
  EXPECT_TRUE(Has(result, "status: Adding record 1")) << result.output;
  EXPECT_TRUE(Has(result, "[19 Sync Started]")) << result.output;
  EXPECT_TRUE(Has(result, "Folder " + UserPath("Alice", "Cinevane"))) << result.output;
  EXPECT_TRUE(Has(result, "[20 Sync Finished] Test Conduit")) << result.output;
  EXPECT_TRUE(Has(result, "Result: 0")) << result.output;
  EXPECT_EQ(RecordCount(), 3u);
  EXPECT_TRUE(hotsync::FileExists(UserPath("Alice", "HotSync Log.txt")));
  ProcessResult second = Run({"sync"});
  EXPECT_EQ(RecordCount(), 6u);
  EXPECT_EQ(second.output.find("Folder"), result.output.find("Folder"));  // only this sync's log
  ProcessResult prefs = Run({"handheld", "prefs", "TEST", "1"});
  EXPECT_TRUE(Has(prefs, "version 1, 2 bytes: 00 02")) << prefs.output;
  // Commands that only look at the handheld add nothing to the HotSync log file, and the file
  // keeps the target's own line end.
  Run({"handheld", "request"});
  const hotsync::Bytes bytes = reelbox_test::ReadBytes(UserPath("Alice", "HotSync Log.txt"));
  const std::string log(bytes.begin(), bytes.end());
  size_t headers = 0;
  for (size_t at = log.find("---- HotSync"); at != std::string::npos; at = log.find("---- HotSync", at + 1)) ++headers;
  EXPECT_EQ(headers, 2u) << log;
  const std::string end = hotsync::PathSeparator() == '\\' ? "\r\n" : "\n";
  size_t lines = 0;
  for (size_t at = log.find(end); at != std::string::npos; at = log.find(end, at + end.size())) ++lines;
  EXPECT_EQ(lines, static_cast<size_t>(std::count(log.begin(), log.end(), '\n'))) << log;
  EXPECT_EQ(lines * end.size(), static_cast<size_t>(std::count(log.begin(), log.end(), '\n') +
                                                    std::count(log.begin(), log.end(), '\r'))) << log;
}

TEST_F(HotSyncProgram, SyncRunsTheConduitsRegisteredThroughTheConduitManager) {
  AddUser();
  ProcessResult none = RunRegistered({"sync"});
  EXPECT_EQ(none.exitStatus, 1) << none.output;
  EXPECT_TRUE(Has(none, "no conduit is registered")) << none.output;
  EXPECT_TRUE(Has(none, "conduits install FILE")) << none.output;
  EXPECT_FALSE(hotsync::FileExists(RecordsPath()));

  const std::string conduit = reelbox_test::BuiltLibrary("testconduit.dll");
  ProcessResult installed = RunRegistered({"conduits", "install", conduit, "--creator", "TEST", "--directory", "Tests"});
  ASSERT_EQ(installed.exitStatus, 0) << installed.output;
  ProcessResult list = RunRegistered({"conduits"});
  EXPECT_TRUE(Has(list, "TEST     2        Test Conduit         Tests        " + conduit)) << list.output;
  ProcessResult sync = RunRegistered({"sync"});
  EXPECT_EQ(sync.exitStatus, 0) << sync.output;
  EXPECT_EQ(RecordCount(), 3u);

  // Installing the same file again updates its one registration; another file may not take it.
  EXPECT_EQ(RunRegistered({"conduits", "install", conduit, "--creator", "TEST", "--priority", "1"}).exitStatus, 0);
  ProcessResult taken = RunRegistered({"conduits", "install", reelbox_test::BuiltLibrary("KVRTConduit.dll"), "--creator", "TEST"});
  EXPECT_EQ(taken.exitStatus, 1) << taken.output;
  EXPECT_TRUE(Has(taken, "registered to another conduit")) << taken.output;
  std::vector<hotsync::ConduitRegistration> stored;
  std::string error;
  ASSERT_TRUE(hotsync::LoadRegistrations(root_.path(), &stored, &error)) << error;
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].priority, 1u);
  EXPECT_EQ(stored[0].directory, "Tests");

  EXPECT_EQ(RunRegistered({"conduits", "remove", "TEST"}).exitStatus, 0);
  ProcessResult again = RunRegistered({"conduits", "remove", "TEST"});
  EXPECT_EQ(again.exitStatus, 1) << again.output;
  EXPECT_TRUE(Has(RunRegistered({"conduits"}), "No conduit is registered"));
}

TEST_F(HotSyncProgram, DoNothingPassesActionSix) {
  AddUser();
  ProcessResult result = Run({"sync", "--do-nothing"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_TRUE(Has(result, "Test conduit doing nothing")) << result.output;
  EXPECT_FALSE(hotsync::FileExists(RecordsPath()));
}

TEST_F(HotSyncProgram, NonZeroResultGivesExitStatus1) {
  AddUser();
  ProcessResult result = Run({"sync"}, {"TESTCONDUIT_FAIL=5"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_TRUE(Has(result, "[21 Sync Aborted] Test Conduit")) << result.output;
  EXPECT_TRUE(Has(result, "Result: 5")) << result.output;
}

TEST_F(HotSyncProgram, CancelAndLoggedErrorsHaveTheirOwnExitStatus) {
  AddUser();
  ProcessResult cancelled = Run({"sync", "--cancel-at", "Adding record 1"});
  EXPECT_EQ(cancelled.exitStatus, 3) << cancelled.output;
  EXPECT_TRUE(Has(cancelled, "(cancelled)")) << cancelled.output;
  // The conduit logs a failed preference write (code 11) and still returns 0.
  ProcessResult logged = Run({"--fail", "SyncWriteAppPreference:1:0x4009", "sync", "--quiet"});
  EXPECT_EQ(logged.exitStatus, 4) << logged.output;
  EXPECT_TRUE(Has(logged, "Result: 0 (finished, but the conduit reported errors")) << logged.output;
  EXPECT_FALSE(Has(logged, "status:")) << logged.output;
  EXPECT_FALSE(Has(logged, "Sync Started")) << logged.output;
  // Quiet, the log is not shown: the result says where it is.
  EXPECT_TRUE(Has(logged, "see the HotSync log " + UserPath("Alice", "HotSync Log.txt") + ")")) << logged.output;
  // A status that never comes cancels nothing, and the user is told.
  ProcessResult unmatched = Run({"sync", "--quiet", "--cancel-at", "Adding record 99"});
  EXPECT_EQ(unmatched.exitStatus, 0) << unmatched.output;
  EXPECT_TRUE(Has(unmatched, "warning: --cancel-at \"Adding record 99\" never matched")) << unmatched.output;
  EXPECT_FALSE(Has(cancelled, "never matched")) << cancelled.output;
}

TEST_F(HotSyncProgram, InjectedFaultReachesTheConduit) {
  AddUser();
  ProcessResult result = Run({"--fail", "SyncWriteRec:2:0x4009", "sync"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_TRUE(Has(result, "adding a record failed")) << result.output;
  EXPECT_EQ(RecordCount(), 1u);
}

TEST_F(HotSyncProgram, CrashInTheMiddleOfAWriteBackLeavesTheOldFile) {
  AddUser();
  ASSERT_EQ(Run({"sync"}).exitStatus, 0);
  const hotsync::Bytes before = reelbox_test::ReadBytes(RecordsPath());
  ProcessResult crashed = Run({"--fail", "WriteBack:1:crash", "sync"});
  EXPECT_EQ(crashed.exitStatus, 86);
  EXPECT_EQ(reelbox_test::ReadBytes(RecordsPath()), before);
  EXPECT_TRUE(hotsync::FileExists(RecordsPath() + ".tmp"));
  ASSERT_EQ(Run({"sync"}).exitStatus, 0);
  EXPECT_FALSE(hotsync::FileExists(RecordsPath() + ".tmp"));
  EXPECT_EQ(RecordCount(), 6u);
}

TEST_F(HotSyncProgram, KilledSyncLeavesEveryFileOldOrComplete) {
  AddUser();
  ASSERT_EQ(Run({"sync"}).exitStatus, 0);
  size_t expected = 3;
  for (int delay : {20, 80, 200, 400, 800}) {
    reelbox_test::ChildProcess child;
    ProcessOptions options;
    options.environment = {"TESTCONDUIT_RECORDS=2000", "TESTCONDUIT_SIZE=400"};
    ASSERT_TRUE(child.Start(reelbox_test::BuiltProgram("hotsync"),
                            {"--root", root_.path(), "--conduit",
                             reelbox_test::BuiltLibrary("testconduit.dll"), "sync"},
                            options));
    int status = 0;
    if (!child.Wait(delay, &status)) child.Kill();
    const size_t count = RecordCount();
    EXPECT_TRUE(count == expected || count == expected + 2000) << count << " after " << delay;
    expected = count;
  }
}

TEST_F(HotSyncProgram, SecondSyncOfTheSameHandheldIsRefused) {
  AddUser();
  hotsync::FileLock lock;
  std::string error;
  ASSERT_TRUE(lock.Acquire(hotsync::JoinPath(UserPath("Alice", "Handheld"), "HotSync.lock"), &error));
  ProcessResult result = Run({"sync"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_TRUE(Has(result, "another synchronization")) << result.output;
}

TEST_F(HotSyncProgram, CtrlCMakesTheCallbackAskTheConduitToStop) {
  AddUser();
  reelbox_test::ChildProcess child;
  ProcessOptions options;
  options.environment = {"TESTCONDUIT_RECORDS=100000", "TESTCONDUIT_DELAY_MS=20"};
  ASSERT_TRUE(child.Start(reelbox_test::BuiltProgram("hotsync"),
                          {"--root", root_.path(), "--conduit",
                           reelbox_test::BuiltLibrary("testconduit.dll"), "sync"},
                          options));
  int status = 0;
  for (int i = 0; i < 500 && child.Output().find("status:") == std::string::npos; ++i) {
    child.Wait(10, &status);
  }
  if (!child.Interrupt()) GTEST_SKIP() << "no Ctrl-C for child processes here";
  ASSERT_TRUE(child.Wait(60000, &status));
  EXPECT_EQ(status, 3);
  EXPECT_NE(child.Output().find("User Cancelled"), std::string::npos) << child.Output();
  EXPECT_NE(child.Output().find("Result: 10 (cancelled)"), std::string::npos) << child.Output();
}

TEST_F(HotSyncProgram, DamagedHandheldFileIsReportedAndKept) {
  AddUser();
  const hotsync::Bytes junk(50, 0x41);
  reelbox_test::WriteBytes(RecordsPath(), junk);
  ProcessResult result = Run({"sync"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_TRUE(Has(result, "is damaged: short header (50 bytes, 78 needed)")) << result.output;
  EXPECT_EQ(reelbox_test::ReadBytes(RecordsPath()), junk);
  ProcessResult list = Run({"handheld", "list"});
  EXPECT_TRUE(Has(list, "DAMAGED")) << list.output;
}

TEST_F(HotSyncProgram, HandheldCommandsShowAndSetWhatTheHandheldHolds) {
  AddUser();
  ASSERT_EQ(Run({"sync"}).exitStatus, 0);
  ProcessResult list = Run({"handheld", "list"});
  EXPECT_TRUE(Has(list, "Test-Records")) << list.output;
  EXPECT_TRUE(Has(list, "Saved Preferences")) << list.output;
  ProcessResult dump = Run({"handheld", "dump", "Test-Records"});
  EXPECT_TRUE(Has(dump, "record 2: id 3 attributes 0x42 dirty category 2 size 16")) << dump.output;
  EXPECT_TRUE(Has(dump, "  created 20")) << dump.output;  // a date, not a count of seconds
  EXPECT_TRUE(Has(dump, "backed up never")) << dump.output;
  ASSERT_EQ(Run({"handheld", "prefs", "KVRT", "4", "1", "0012"}).exitStatus, 0);
  ProcessResult pref = Run({"handheld", "prefs", "KVRT", "4"});
  EXPECT_TRUE(Has(pref, "version 1, 2 bytes: 00 12")) << pref.output;
  ProcessResult none = Run({"handheld", "prefs", "KVRT", "4", "--unsaved"});
  EXPECT_TRUE(Has(none, "none stored")) << none.output;
  ProcessResult clock = Run({"handheld", "clock", "offset", "-3600"});
  EXPECT_TRUE(Has(clock, "offset -3600 seconds")) << clock.output;
  clock = Run({"handheld", "clock", "set", "2006-03-29", "15:05:40"});
  EXPECT_TRUE(Has(clock, "Handheld clock: 2006-03-29 15:05:4")) << clock.output;
  EXPECT_TRUE(Has(Run({"handheld", "clock", "reset"}), "offset 0 seconds"));
}

TEST_F(HotSyncProgram, RequestIsShownAndSetByNameKeepingTheOtherBits) {
  AddUser();
  ProcessResult none = Run({"handheld", "request"});
  EXPECT_EQ(none.exitStatus, 0) << none.output;
  EXPECT_TRUE(Has(none, "none stored yet")) << none.output;
  ASSERT_EQ(Run({"handheld", "prefs", "KVRT", "4", "1", "8110"}).exitStatus, 0);
  ProcessResult merge = Run({"handheld", "request", "--import", "merge"});
  EXPECT_EQ(merge.exitStatus, 0) << merge.output;
  EXPECT_TRUE(Has(merge, "Request: 0x811b")) << merge.output;
  EXPECT_TRUE(Has(merge, "conflicts: merge")) << merge.output;
  EXPECT_TRUE(Has(Run({"handheld", "request", "--import", "overwrite"}), "Request: 0x8117"));
  EXPECT_TRUE(Has(Run({"handheld", "request", "--clear"}), "Request: 0x8114"));
  EXPECT_TRUE(Has(Run({"handheld", "request", "--export"}), "Request: 0x8115"));
  EXPECT_TRUE(Has(Run({"handheld", "prefs", "KVRT", "4"}), "version 1, 2 bytes: 81 15"));
  EXPECT_EQ(Run({"handheld", "request", "--import", "sometimes"}).exitStatus, 2);
}

TEST_F(HotSyncProgram, EachSyncKeepsABackupAndRestoreTakesTheHandheldBack) {
  AddUser();
  ProcessResult empty = Run({"handheld", "backups"});
  EXPECT_TRUE(Has(empty, "none yet")) << empty.output;
  for (int i = 0; i < 7; ++i) ASSERT_EQ(Run({"sync"}).exitStatus, 0);
  EXPECT_EQ(RecordCount(), 21u);
  ProcessResult list = Run({"handheld", "backups"});
  EXPECT_TRUE(Has(list, "  5  before the sync of ")) << list.output;
  EXPECT_FALSE(Has(list, "  6  ")) << list.output;
  ProcessResult restore = Run({"handheld", "restore"});
  EXPECT_EQ(restore.exitStatus, 0) << restore.output;
  EXPECT_EQ(RecordCount(), 18u);
  // The handheld as it was before the restore is the newest backup: a restore can be undone.
  EXPECT_TRUE(Has(Run({"handheld", "backups"}), "  1  before the restore of ")) << list.output;
  ASSERT_EQ(Run({"handheld", "restore", "5"}).exitStatus, 0);
  EXPECT_EQ(RecordCount(), 9u);
  ASSERT_EQ(Run({"handheld", "restore", "1"}).exitStatus, 0);
  EXPECT_EQ(RecordCount(), 18u);
  ProcessResult too_far = Run({"handheld", "restore", "6"});
  EXPECT_EQ(too_far.exitStatus, 1);
  EXPECT_TRUE(Has(too_far, "only 5 backups")) << too_far.output;
  EXPECT_EQ(Run({"handheld", "restore", "0"}).exitStatus, 2);
}

// Backups copy through a buffer much smaller than a full handheld database.
TEST(HostFiles, CopyKeepsEveryByteOfALargeFileAndNamesAMissingOne) {
  TempFolder folder;
  hotsync::Bytes data(700 * 1024 + 7);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 131 + (i >> 12));
  const std::string from = hotsync::JoinPath(folder.path(), "from.pdb");
  const std::string to = hotsync::JoinPath(folder.path(), "to.pdb");
  reelbox_test::WriteBytes(from, data);
  reelbox_test::WriteBytes(to, hotsync::Bytes{1, 2, 3});
  std::string error;
  ASSERT_TRUE(hotsync::CopyFileAtomically(from, to, &error)) << error;
  EXPECT_EQ(reelbox_test::ReadBytes(to), data);
  EXPECT_FALSE(hotsync::FileExists(to + ".tmp"));
  EXPECT_FALSE(hotsync::CopyFileAtomically(hotsync::JoinPath(folder.path(), "gone.pdb"), to, &error));
  EXPECT_NE(error.find("gone.pdb"), std::string::npos) << error;
  EXPECT_EQ(reelbox_test::ReadBytes(to), data);
}

TEST_F(HotSyncProgram, MistakesAUserMakesAreExplained) {
  AddUser();
  ProcessResult missing = Run({"--handheld", hotsync::JoinPath(root_.path(), "nowhere"), "handheld", "list"});
  EXPECT_EQ(missing.exitStatus, 1);
  EXPECT_TRUE(Has(missing, "there is no handheld folder")) << missing.output;
  if (hotsync::PathSeparator() == '\\') {
    // A root given with "/" prints with "\\" throughout.
    std::string root = root_.path();
    std::replace(root.begin(), root.end(), '\\', '/');
    ProcessResult list = reelbox_test::RunProcess(reelbox_test::BuiltProgram("hotsync"), {"--root", root, "user", "list"});
    EXPECT_TRUE(Has(list, "HotSync root: " + root_.path())) << list.output;
    EXPECT_FALSE(Has(list, "/")) << list.output;
  }
  ProcessResult not_installed = Run({"--user", "alice", "sync"});
  EXPECT_TRUE(Has(not_installed, "never installed")) << not_installed.output;
  EXPECT_TRUE(Has(not_installed, "  hotsync --root " + Pasteable(root_.path()) + " --user alice install\n"))
      << not_installed.output;
  // What is not found is named with where it was looked for.
  ProcessResult dump = Run({"handheld", "dump", "Nothing"});
  EXPECT_EQ(dump.exitStatus, 1);
  EXPECT_TRUE(Has(dump, "no database \"Nothing\" on the handheld " + UserPath("Alice", "Handheld"))) << dump.output;
  EXPECT_TRUE(Has(dump, "hotsync --root " + Pasteable(root_.path()) + " handheld list")) << dump.output;
  ProcessResult movies = Run({"handheld", "movies"});
  EXPECT_EQ(movies.exitStatus, 1);
  EXPECT_TRUE(Has(movies, "the handheld " + UserPath("Alice", "Handheld") + " has no Movie-Lists database")) << movies.output;
  TempFolder empty;
  ProcessResult no_users = reelbox_test::RunProcess(reelbox_test::BuiltProgram("hotsync"), {"--root", empty.path(), "sync"});
  EXPECT_TRUE(reelbox_test::ToPlainLineEnds(&no_users.output)) << no_users.output;
  EXPECT_EQ(no_users.exitStatus, 1);
  EXPECT_TRUE(Has(no_users, "no user is registered in the HotSync root " + empty.path())) << no_users.output;
  EXPECT_TRUE(Has(no_users, "  hotsync --root " + Pasteable(empty.path()) + " user add NAME\n")) << no_users.output;
}

TEST_F(HotSyncProgram, InstallExplainsEachFailureInWords) {
  ProcessResult no_users = Run({"install"});
  EXPECT_EQ(no_users.exitStatus, 1);
  EXPECT_TRUE(Has(no_users, "no user is registered in the HotSync root " + root_.path())) << no_users.output;
  AddUser();
  ProcessResult no_root = Run({"--fail", "UmGetRootDirectory:1:-1", "install"});
  EXPECT_EQ(no_root.exitStatus, 1);
  EXPECT_TRUE(Has(no_root, "did not give it the HotSync data folder")) << no_root.output;
  // A file where the conduit's folder goes: in the way whether or not the conduit notices.
  reelbox_test::WriteBytes(UserPath("Alice", "Cinevane"), hotsync::Bytes(3, 'x'));
  ProcessResult in_the_way = Run({"install"});
  EXPECT_EQ(in_the_way.exitStatus, 1);
  EXPECT_TRUE(Has(in_the_way, "could not be installed for \"Alice\"")) << in_the_way.output;
  EXPECT_TRUE(Has(in_the_way, UserPath("Alice", "Cinevane"))) << in_the_way.output;
  EXPECT_TRUE(Has(in_the_way, "a file of that name is in the way")) << in_the_way.output;
  hotsync::RemoveFile(UserPath("Alice", "Cinevane"));
  // The user's folder itself a file: the conduit cannot make its folder in it.
  const std::string user_folder = hotsync::JoinPath(root_.path(), "Alice");
  std::filesystem::rename(user_folder, user_folder + ".moved");
  reelbox_test::WriteBytes(user_folder, hotsync::Bytes(3, 'x'));
  ProcessResult blocked = Run({"install"});
  EXPECT_EQ(blocked.exitStatus, 1);
  EXPECT_TRUE(Has(blocked, "could not create its folder " + UserPath("Alice", "Cinevane"))) << blocked.output;
  EXPECT_TRUE(Has(blocked, "the user's folder " + user_folder + " is a file")) << blocked.output;
  EXPECT_TRUE(Has(blocked, "(FinishInstall gave -5)")) << blocked.output;
  hotsync::RemoveFile(user_folder);
  std::filesystem::rename(user_folder + ".moved", user_folder);
  ProcessResult installed = Run({"install"});
  EXPECT_EQ(installed.exitStatus, 0) << installed.output;
  EXPECT_TRUE(Has(installed, "installed for \"Alice\": its folder is " + UserPath("Alice", "Cinevane"))) << installed.output;
}
