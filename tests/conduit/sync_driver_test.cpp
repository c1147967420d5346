// Whole synchronizations through RunConduit (what OpenConduit runs) against the stand-in manager.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "conduit/conduit_prefs.h"
#include "conduit/entry_codes.h"
#include "conduit/open_conduit.h"
#include "conduit/sync_driver.h"
#include "diag/handheld_link.h"
#include "diag/sync_log.h"
#include "events/event_app_info.h"
#include "hotsync_session.h"
#include "platform/env.h"
#include "mymovies_job/failing_new.h"
#include "support/handheld.h"
#include "support/temp_dir.h"

namespace {

using Entries = reelbox_test::LogEntries;
using reelbox_test::ManagerLog;

int32_t g_answer = 0;
std::vector<std::string> g_statuses;

int32_t Progress(const char* text) {
  g_statuses.push_back(text ? text : "(null)");
  return g_answer;
}

class SyncDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_answer = 0;
    g_statuses.clear();
    std::filesystem::create_directories(root_.conduitFolder());
    NoEventLists();
    ASSERT_EQ(root_.BeginSession(), 0) << HsGetLastErrorText();
  }
  void TearDown() override {
    if (HsSessionActive()) HsEndSession();
  }

  SyncProperties Properties(int32_t action = 0) {
    SyncProperties p;
    std::memset(&p, 0, sizeof p);
    std::memcpy(p.bytes, &action, sizeof action);
    std::string folder = root_.conduitFolder();
    std::memcpy(p.bytes + kFolderOffset, folder.c_str(), folder.size() + 1);
    return p;
  }

  int32_t Sync(int32_t action = 0) {
    SyncProperties p = Properties(action);
    return RunConduit(Env::Default(), Progress, p);
  }


  // Entries with a code other than plain text, in order.
  Entries CodedEntries() {
    Entries out;
    for (auto& e : ManagerLog()) {
      if (e.first != -1) out.push_back(e);
    }
    return out;
  }

  std::string File(const char* name) { return ReadFileBytes(JoinIn(name)); }
  std::string JoinIn(const char* name) { return (std::filesystem::path(root_.conduitFolder()) / name).string(); }
  bool Exists(const char* name) { return std::filesystem::exists(JoinIn(name)); }

  ConduitPrefs Prefs() {
    ConduitPrefs p;
    ReadConduitPrefs(Env::Default().Files(), &p, root_.conduitFolder().c_str());
    return p;
  }
  void StorePrefs(uint32_t flags, uint32_t interval, uint32_t last) {
    ConduitPrefs p = Prefs();
    p.flags = flags;
    p.eventsInterval = interval;
    p.lastEventsRun = last;
    WriteConduitPrefs(Env::Default().Files(), p, root_.conduitFolder().c_str());
  }

  uint32_t LocalNow() {
    HandheldLink link(Env::Default().Time());
    uint32_t now = 0;
    link.LocalTimeNow(&now);
    return now;
  }

  int32_t WriteDevicePref(uint16_t version, const std::string& bytes) {
    AppPreferenceRequest r;
    std::memset(&r, 0, sizeof r);
    r.version = version;
    r.creator = hotsync::FourCharCode("KVRT");
    r.prefId = 4;
    r.requestedSize = static_cast<uint16_t>(bytes.size());
    r.backedUp = 1;
    r.bufferSize = static_cast<uint32_t>(bytes.size());
    r.buffer = reinterpret_cast<uint8_t*>(const_cast<char*>(bytes.data()));
    return SyncWriteAppPreference(&r);
  }

  std::pair<uint16_t, std::string> ReadDevicePref() {
    uint8_t buffer[64] = {};
    AppPreferenceRequest r;
    std::memset(&r, 0, sizeof r);
    r.creator = hotsync::FourCharCode("KVRT");
    r.prefId = 4;
    r.requestedSize = sizeof buffer;
    r.backedUp = 1;
    r.bufferSize = sizeof buffer;
    r.buffer = buffer;
    EXPECT_EQ(SyncReadAppPreference(&r), 0);
    return {r.version, std::string(reinterpret_cast<char*>(buffer), r.returnedSize)};
  }

  // A handheld whose event lists all have no feed address: the events job runs without the
  // network, so these tests see only the driver's own entries.
  void NoEventLists() {
    hotsync::PalmDatabase db = reelbox_test::NewRecordDatabase("Movie-Events", "QV05", "QVX5");
    db.version = 1;
    EventAppInfo block;
    InitEventAppInfo(0, &block);
    for (int i = 0; i < kEventListCount; ++i) block.SetAddress(i, "");
    db.hasAppInfo = true;
    db.appInfo.assign(block.bytes, block.bytes + kEventAppInfoSize);
    ASSERT_TRUE(reelbox_test::WritePalmFile(root_.DatabasePath("Movie-Events"), db));
  }

  reelbox_test::TempUserRoot root_;
};

TEST_F(SyncDriverTest, WithoutACallbackNothingHappens) {
  SyncProperties p = Properties();
  EXPECT_EQ(RunConduit(Env::Default(), nullptr, p), -1);
  EXPECT_TRUE(ManagerLog().empty());
}

TEST_F(SyncDriverTest, DoNothingGivesExactlyTwoEntriesAndNoFiles) {
  EXPECT_EQ(Sync(ToInt(SyncAction::kDoNothing)), 0);
  Entries expected = {{-1, "Movie doing nothing"}, {20, "Reelbox"}};
  EXPECT_EQ(ManagerLog(), expected);
  EXPECT_FALSE(Exists("kvrtsynclog.txt"));
  EXPECT_FALSE(Exists("kvrtdebuglog.txt"));
  EXPECT_FALSE(Exists(kPrefsFileName));
}

TEST_F(SyncDriverTest, FirstRunRunsTheEventsJobAndStoresEverything) {
  uint32_t before = LocalNow();
  EXPECT_EQ(Sync(), 0);
  uint32_t after = LocalNow();
  Entries log = ManagerLog();
  ASSERT_GE(log.size(), 4u);
  EXPECT_EQ(log[0], std::make_pair(19, std::string("")));
  EXPECT_EQ(log[1], std::make_pair(-1, std::string("Beginning Movie Sync")));
  EXPECT_EQ(log[2].first, -1);  // the version text
  EXPECT_EQ(log.back(), std::make_pair(20, std::string("Reelbox")));
  Entries coded = {{19, ""}, {20, "Reelbox"}};
  EXPECT_EQ(CodedEntries(), coded);

  std::string sync = File("kvrtsynclog.txt");
  EXPECT_EQ(sync.rfind("\r\n\r\n\r\n\r\n\r\n*************************** \r\nCinevane Connect\r\n", 0), 0u) << sync;
  EXPECT_NE(sync.find("\r\n\r\nSync starting at "), std::string::npos);
  EXPECT_NE(sync.find("\r\n\r\nReelbox synchronization ended at "), std::string::npos);
  EXPECT_EQ(sync.find("skipped"), std::string::npos);
  EXPECT_EQ(sync.find('\n'), sync.find("\r\n") + 1);
  EXPECT_NE(File("kvrtdebuglog.txt").find("Sync status : <none>\r\n"), std::string::npos);
  EXPECT_EQ(g_statuses, (std::vector<std::string>{"working.", "Opening Events database"}));

  ConduitPrefs p = Prefs();
  EXPECT_EQ(p.eventsInterval, 604800u);
  EXPECT_GE(p.lastEventsRun, before);
  EXPECT_LE(p.lastEventsRun, after);
  auto pref = ReadDevicePref();
  EXPECT_EQ(pref.first, 1);
  // Nothing requested: the movie list job only marks that it ran (bit 4).
  EXPECT_EQ(pref.second, std::string("\0\x10", 2));
}

TEST_F(SyncDriverTest, SkippedJobsSayWhenTheyRunNext) {
  uint32_t now = LocalNow();
  StorePrefs(1, 86400, now);
  EXPECT_EQ(Sync(), 0);
  std::string sync = File("kvrtsynclog.txt");
  EXPECT_NE(sync.find("\r\nRi Verid Synchronization skipped.\r\n"), std::string::npos);
  EXPECT_NE(sync.find("\r\nMovie Event Synchronization skipped.  Next synchronization scheduled tomorrow.\r\n"),
            std::string::npos) << sync;
  EXPECT_EQ(Prefs().lastEventsRun, now);

  StorePrefs(9, 604800, now);
  EXPECT_EQ(Sync(), 0);
  EXPECT_NE(File("kvrtsynclog.txt").find("Next synchronization scheduled in 7 days.\r\n"), std::string::npos);

  StorePrefs(9, kNoSchedule, 0);
  EXPECT_EQ(Sync(), 0);
  EXPECT_NE(File("kvrtsynclog.txt").find("Movie Event Synchronization skipped because there is no schedule set.\r\n"),
            std::string::npos);
  EXPECT_EQ(Prefs().lastEventsRun, 0u);
}

TEST_F(SyncDriverTest, ALastRunInTheFutureOrIntervalZeroRunsTheJob) {
  StorePrefs(9, 86400, LocalNow() + 10 * 86400);
  EXPECT_EQ(Sync(), 0);
  EXPECT_LE(Prefs().lastEventsRun, LocalNow());
  StorePrefs(9, 0, LocalNow());
  EXPECT_EQ(Sync(), 0);
  EXPECT_EQ(File("kvrtsynclog.txt").find("Movie Event Synchronization skipped"), std::string::npos);
}

TEST_F(SyncDriverTest, TheDeviceValueIsKeptInHandheldOrderAndWrittenBackAsVersionOne) {
  ASSERT_EQ(WriteDevicePref(0, std::string("\x12\x34\x56", 3)), 0);
  EXPECT_EQ(Sync(), 0);
  auto pref = ReadDevicePref();
  EXPECT_EQ(pref.first, 1);
  EXPECT_EQ(pref.second, std::string("\x12\x34", 2));
}

TEST_F(SyncDriverTest, AnEmptyDevicePreferenceRecordCountsAsZero) {
  ASSERT_EQ(WriteDevicePref(1, std::string()), 0);
  EXPECT_EQ(Sync(), 0);
  // Read as 0 (nothing requested): the movie list job only adds bit 4.
  EXPECT_EQ(ReadDevicePref().second, std::string("\0\x10", 2));
}

TEST_F(SyncDriverTest, AWrongVersionOfTheDeviceApplicationEndsTheSyncBeforeTheJobs) {
  ASSERT_EQ(WriteDevicePref(2, std::string("\x01\x02", 2)), 0);
  EXPECT_EQ(Sync(), -1);
  Entries coded = {{19, ""},
                   {8,
                    "Unable to synchronize because the device application is the wrong version.  Please verify that "
                    "you have the correct version(s) installed."},
                   {21, "Reelbox"},
                   {21, "Reelbox"}};
  EXPECT_EQ(CodedEntries(), coded);
  EXPECT_FALSE(Exists(kPrefsFileName));  // settings are not saved
  EXPECT_EQ(ReadDevicePref().first, 2);
  EXPECT_NE(File("kvrtsynclog.txt").find("Remote read failed : Unable to synchronize"), std::string::npos);
}

TEST_F(SyncDriverTest, AReadErrorOfTheDevicePreferenceIsReportedWithItsCode) {
  HsInjectFault("SyncReadAppPreference", 1, 0x4001);
  EXPECT_EQ(Sync(), -1);
  Entries coded = CodedEntries();
  ASSERT_GE(coded.size(), 2u);
  EXPECT_EQ(coded[1], std::make_pair(8, std::string("Unable to synchronize because an error occurred (16385) reading "
                                                    "the application preferences.")));
}

TEST_F(SyncDriverTest, AWriteErrorOfTheDevicePreferenceKeepsTheResultAndStillSavesThePrefs) {
  HsInjectFault("SyncWriteAppPreference", 1, 0x4008);
  EXPECT_EQ(Sync(), 0);
  Entries coded = CodedEntries();
  ASSERT_EQ(coded.size(), 3u);
  EXPECT_EQ(coded[1], std::make_pair(11, std::string("Unable to complete synchronization because an error occurred "
                                                     "(16392) writing the application preferences.")));
  EXPECT_EQ(coded[2], std::make_pair(20, std::string("Reelbox")));
  EXPECT_TRUE(Exists(kPrefsFileName));
}

TEST_F(SyncDriverTest, ACancelBeforeTheJobsGivesTenAndUserCancelled) {
  g_answer = 5;
  StorePrefs(9, 0, 1234);
  EXPECT_EQ(Sync(), 10);
  std::string sync = File("kvrtsynclog.txt");
  EXPECT_NE(sync.find("User CancelledSync Aborted : Reelbox\r\n"), std::string::npos) << sync;
  EXPECT_NE(File("kvrtdebuglog.txt").find("\r\n----------IDLE (generic) - retval 5\r\n"), std::string::npos);
  EXPECT_EQ(Prefs().lastEventsRun, 1234u);  // saved, not moved
  Entries coded = CodedEntries();
  ASSERT_EQ(coded.size(), 3u);
  EXPECT_EQ(coded[1], std::make_pair(21, std::string("Reelbox")));
  EXPECT_EQ(coded[2], std::make_pair(21, std::string("Reelbox")));
}

TEST_F(SyncDriverTest, AnUnterminatedFolderTextIsNeverReadPastTheBlock) {
  SyncProperties p;
  std::memset(&p, 'a', sizeof p);
  int32_t action = 0;
  std::memcpy(p.bytes, &action, sizeof action);
  EXPECT_EQ(FolderOfProperties(p).size(), kSyncPropertiesSize - kFolderOffset);
  EXPECT_EQ(RunConduit(Env::Default(), Progress, p), 0);
  EXPECT_EQ(ManagerLog().back(), std::make_pair(20, std::string("Reelbox")));
}

TEST_F(SyncDriverTest, TwoSynchronizationsAccumulateTheSyncLogAndRewriteTheDebugLog) {
  EXPECT_EQ(Sync(), 0);
  EXPECT_EQ(Sync(), 0);
  std::string sync = File("kvrtsynclog.txt");
  size_t first = sync.find("Cinevane Connect");
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(sync.find("Cinevane Connect", first + 1), std::string::npos);
  std::string debug = File("kvrtdebuglog.txt");
  size_t once = debug.find("Cinevane Connect");
  ASSERT_NE(once, std::string::npos);
  EXPECT_EQ(debug.find("Cinevane Connect", once + 1), std::string::npos);
}

TEST_F(SyncDriverTest, ReportStatusRaisesTheCancelledFlagForGood) {
  TempDir logs;
  SyncDriver driver(Env::Default());
  SyncLog log(Env::Default(), &driver, logs.path(), "kvrtdebuglog.txt", logs.path(), "kvrtsynclog.txt");
  std::unique_ptr<SyncInput> input(new SyncInput());
  input->progress = Progress;
  input->properties = Properties();
  ASSERT_EQ(driver.LoadSettings(*input), 0);
  EXPECT_TRUE(driver.ReportStatus(nullptr));
  g_answer = 5;
  EXPECT_FALSE(driver.ReportStatus("Fetching"));
  EXPECT_TRUE(driver.Cancelled());
  g_answer = 0;
  EXPECT_TRUE(driver.ReportStatus("Later"));
  EXPECT_TRUE(driver.Cancelled());
  EXPECT_EQ(g_statuses, (std::vector<std::string>{"working.", "Fetching", "Later"}));
  FlushLogFiles();
  std::string debug = ReadFileBytes((std::filesystem::path(logs.path()) / "kvrtdebuglog.txt").string());
  EXPECT_NE(debug.find("Sync status : <none>\r\nSync status : Fetching\r\n\r\n----------IDLE Fetching - retval 5\r\n"
                       "Sync status : Later\r\n"),
            std::string::npos)
      << debug;
}

// From the first status report on, whichever allocation fails (the events job runs, with no lists),
// the conduit returns, and a failed synchronization says that memory ran out. (Allocations of the
// stand-in's calls before and after the synchronization are the manager's, not the conduit's.)
long g_arm_at_status = 0;
long g_allocations_at_status = 0;

int32_t ArmingProgress(const char*) {
  if (g_arm_at_status > 0) {
    reelbox_test::FailAllocation(g_arm_at_status);
    g_arm_at_status = 0;
  }
  g_allocations_at_status = reelbox_test::AllocationsSince();
  return 0;
}

TEST_F(SyncDriverTest, AnyFailedAllocationEndsTheSynchronizationWithAMemoryEntry) {
  SyncProperties p = Properties();
  g_arm_at_status = LONG_MAX;  // never reached: counts only
  ASSERT_EQ(RunConduit(Env::Default(), ArmingProgress, p), 0);
  reelbox_test::FailAllocation(0);
  long total = g_allocations_at_status;
  ASSERT_GT(total, 10);
  ASSERT_EQ(HsEndSession(), 0);
  for (long nth = 1; nth <= total; nth += 1 + total / 100) {
    SCOPED_TRACE(nth);
    ASSERT_EQ(root_.BeginSession(), 0) << HsGetLastErrorText();
    g_arm_at_status = nth;
    int32_t result = RunConduit(Env::Default(), ArmingProgress, p);
    reelbox_test::FailAllocation(0);
    bool memory = false;
    for (auto& e : ManagerLog()) memory = memory || e.second.find("not enough memory") != std::string::npos;
    EXPECT_TRUE(result == 0 || memory) << result;
    EXPECT_EQ(HsEndSession(), 0) << HsGetLastErrorText();
  }
  ASSERT_EQ(root_.BeginSession(), 0);
}

}  // namespace
