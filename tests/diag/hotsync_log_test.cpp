#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "diag/handheld_link.h"
#include "diag/sync_log.h"
#include "hotsync_session.h"
#include "platform/env.h"
#include "support/handheld.h"
#include "support/temp_dir.h"

namespace {

using Entries = reelbox_test::LogEntries;
using reelbox_test::ManagerLog;

// The link as the driver uses it: the sync log's lines come back to it with code -10.
struct Driver : HotSyncLogTarget {
  void AddHotSyncLogEntry(const char* text, LogCode code, uint8_t flag) override {
    link.AddHotSyncLogEntry(text, code, flag);
  }
  HandheldLink link{Env::Default().Time()};
};

class HotSyncLogTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(root_.BeginSession(), 0) << HsGetLastErrorText(); }
  void TearDown() override { HsEndSession(); }
  std::string Debug() {
    FlushLogFiles();
    return ReadFileBytes(dir_.Sub("kvrtdebuglog.txt"));
  }
  std::string Sync() { return ReadFileBytes(dir_.Sub("kvrtsynclog.txt")); }

  reelbox_test::TempUserRoot root_;
  TempDir dir_;
  Driver driver_;
};

TEST_F(HotSyncLogTest, AnEntryIsMirroredIntoBothFilesAndEchoedAsPlainText) {
  {
    SyncLog log(Env::Default(), &driver_, dir_.path(), "kvrtdebuglog.txt", dir_.path(), "kvrtsynclog.txt");
    driver_.AddHotSyncLogEntry("Reelbox", LogCode::kSyncAborted, 0);
  }
  EXPECT_EQ(Sync(), "Sync Aborted : Reelbox\r\n");
  EXPECT_EQ(Debug(), "LOG (21-'Sync Aborted') - Reelbox\r\nSync Aborted : Reelbox\r\n");
  Entries expected = {{21, "Reelbox"}, {-1, "Sync Aborted : Reelbox\r\n"}};
  EXPECT_EQ(ManagerLog(), expected);
}

TEST_F(HotSyncLogTest, KindTextsFollowTheConduitCodeNotTheTranslatedOne) {
  {
    SyncLog log(Env::Default(), &driver_, dir_.path(), "kvrtdebuglog.txt", dir_.path(), "kvrtsynclog.txt");
    driver_.AddHotSyncLogEntry("many", LogCode::kTooManyCategories, 0);
    driver_.AddHotSyncLogEntry("", LogCode::kWarning, 0);
    driver_.AddHotSyncLogEntry("T", LogCode::kPlainText, 0);
  }
  EXPECT_EQ(Sync(), "Too many categories : many\r\nWARNING  \r\n  T\r\n");
  EXPECT_NE(Debug().find("LOG (4294967295-'') - T\r\n"), std::string::npos);
  Entries log = ManagerLog();
  ASSERT_EQ(log.size(), 6u);
  EXPECT_EQ(log[0], std::make_pair(4, std::string("many")));
  EXPECT_EQ(log[2], std::make_pair(22, std::string("")));
  EXPECT_EQ(log[4], std::make_pair(-1, std::string("T")));
}

TEST_F(HotSyncLogTest, CodeMinusTenGivesOneEntryAndNoFileLine) {
  {
    SyncLog log(Env::Default(), &driver_, dir_.path(), "kvrtdebuglog.txt", dir_.path(), "kvrtsynclog.txt");
    driver_.link.AddHotSyncLogEntry("plain", LogCode::kFromSyncLog, 0);
  }
  EXPECT_EQ(Sync(), "");
  EXPECT_EQ(Debug(), "");
  Entries expected = {{-1, "plain"}};
  EXPECT_EQ(ManagerLog(), expected);
}

}  // namespace
