// The conduit as the manager runs it: the hotsync program loads the built conduit library (and
// through it the language library) on a temporary HotSync root.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/handheld.h"
#include "support/process.h"
#include "support/temp_dir.h"

using reelbox_test::ProcessResult;

namespace {

namespace fs = std::filesystem;

class FrameEndToEnd : public ::testing::Test {
 protected:
  ProcessResult Run(std::vector<std::string> args) {
    std::vector<std::string> full = {"--root", root_.path(), "--conduit",
                                     reelbox_test::BuiltLibrary("KVRTConduit.dll")};
    full.insert(full.end(), args.begin(), args.end());
    ProcessResult result = reelbox_test::RunProcess(reelbox_test::BuiltProgram("hotsync"), full);
    EXPECT_TRUE(result.started);
    EXPECT_FALSE(result.timedOut);
    // The win32 program writes its console text in text mode; a conduit text's own CR LF must
    // not add a carriage return to that.
    EXPECT_TRUE(reelbox_test::ToPlainLineEnds(&result.output)) << result.output;
    return result;
  }

  void AddUserAndInstall() {
    ProcessResult added = Run({"user", "add", "Alice"});
    ASSERT_EQ(added.exitStatus, 0) << added.output;
    ProcessResult installed = Run({"install"});
    ASSERT_EQ(installed.exitStatus, 0) << installed.output;
  }

  std::string Conduit(const std::string& name) { return (fs::path(root_.path()) / "Alice" / "Cinevane" / name).string(); }

  TempDir root_;
};

bool Has(const ProcessResult& r, const std::string& text) { return r.output.find(text) != std::string::npos; }

TEST_F(FrameEndToEnd, InfoAnswersNameVersionAndQueries) {
  ProcessResult info = Run({"info"});
  ASSERT_EQ(info.exitStatus, 0) << info.output;
  EXPECT_TRUE(Has(info, "Name:            Reelbox\n")) << info.output;
  EXPECT_TRUE(Has(info, "Version:         1.01 (0x101)")) << info.output;
  EXPECT_TRUE(Has(info, "Display name:    Reelbox\n")) << info.output;
  EXPECT_TRUE(Has(info, "Default action:  synchronize")) << info.output;
  EXPECT_TRUE(Has(info, "0x10000000")) << info.output;
}

#ifndef _WIN32
TEST_F(FrameEndToEnd, ConfigureWithoutATerminalSaysWhatItNeeds) {
  AddUserAndInstall();
  ProcessResult configure = Run({"configure"});
  EXPECT_EQ(configure.exitStatus, 1) << configure.output;
  EXPECT_TRUE(Has(configure, "run it in a terminal window, without redirecting its input:\n  hotsync --root " +
                                root_.path() + " configure\n")) << configure.output;
}
#endif

TEST_F(FrameEndToEnd, InstallCreatesTheDataFolderAndAgainSucceeds) {
  AddUserAndInstall();
  EXPECT_TRUE(fs::is_directory(fs::path(root_.path()) / "Alice" / "Cinevane"));
  ProcessResult again = Run({"install"});
  EXPECT_EQ(again.exitStatus, 0) << again.output;
  EXPECT_TRUE(Has(again, "installed for \"Alice\"")) << again.output;
}

TEST_F(FrameEndToEnd, SyncWritesTheLogsThePrefsAndTheVersionFromTheLanguageLibrary) {
  AddUserAndInstall();
  ProcessResult sync = Run({"sync"});
  // 4: the default event feeds (an .example host) cannot be fetched, which the log reports.
  ASSERT_EQ(sync.exitStatus, 4) << sync.output;
  EXPECT_TRUE(Has(sync, "Beginning Movie Sync")) << sync.output;
  EXPECT_TRUE(Has(sync, "] v2.0 (0044)\n")) << sync.output;
  EXPECT_TRUE(Has(sync, "[20")) << sync.output;
  EXPECT_TRUE(Has(sync, "Result: 0")) << sync.output;

  std::string log = ReadFileBytes(Conduit("kvrtsynclog.txt"));
  EXPECT_NE(log.find("Cinevane Connect\r\nv2.0 (0044)\r\n\r\nSync starting at "), std::string::npos) << log;
  EXPECT_NE(log.find("Reelbox synchronization ended at "), std::string::npos);
  EXPECT_FALSE(ReadFileBytes(Conduit("kvrtdebuglog.txt")).empty());
  EXPECT_EQ(ReadFileBytes(Conduit("KVRTPrefs.txt")).size() >= 20, true);

  // No feed could be fetched at the first sync: that run does not count, the next sync tries again.
  EXPECT_NE(log.find("Movie Event Synchronization will be tried again at the next sync: no event list could be "
                     "fetched."),
            std::string::npos);
  ProcessResult second = Run({"sync"});
  ASSERT_EQ(second.exitStatus, 4) << second.output;
  EXPECT_TRUE(Has(second, "Synchronizing 'DVD Releases' event records")) << second.output;
  std::string both = ReadFileBytes(Conduit("kvrtsynclog.txt"));
  EXPECT_NE(both.find("Cinevane Connect", both.find("Cinevane Connect") + 1), std::string::npos);
}

TEST_F(FrameEndToEnd, DoNothingGivesTwoEntriesAndOpensNoLog) {
  AddUserAndInstall();
  ProcessResult sync = Run({"sync", "--do-nothing"});
  ASSERT_EQ(sync.exitStatus, 0) << sync.output;
  EXPECT_TRUE(Has(sync, "HotSync log:\n  [-1] Movie doing nothing\n  [20 Sync Finished] Reelbox\nResult: 0"))
      << sync.output;
  EXPECT_FALSE(fs::exists(Conduit("kvrtsynclog.txt")));
  EXPECT_FALSE(fs::exists(Conduit("kvrtdebuglog.txt")));
}

TEST_F(FrameEndToEnd, AnUnreadableDevicePreferenceEndsTheSyncWithMinusOne) {
  AddUserAndInstall();
  ProcessResult sync = Run({"--fail", "SyncReadAppPreference:1:16385", "sync"});
  EXPECT_NE(sync.exitStatus, 0) << sync.output;
  EXPECT_TRUE(Has(sync, "Unable to synchronize because an error occurred (16385) reading the application preferences."))
      << sync.output;
  EXPECT_TRUE(Has(sync, "[21 Sync Aborted] Reelbox")) << sync.output;
  EXPECT_TRUE(Has(sync, "Result: -1")) << sync.output;
  EXPECT_FALSE(fs::exists(Conduit("KVRTPrefs.txt")));
}

}  // namespace
