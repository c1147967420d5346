// Whole synchronizations through RunConduit (what OpenConduit runs) against the stand-in manager.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <memory>
#include <ostream>
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
#include "../events/events_env.h"
#include "mymovies_job/failing_new.h"
#include "mymovies_job/fixed_documents.h"
#include "support/feed_builder.h"
#include "support/handheld.h"
#include "support/http_server.h"
#include "support/movie_samples.h"
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

// The file system of a whole synchronization: the test's documents folder, and a temporary folder
// of its own for the download.
class WholeSyncEnv final : public EnvWrapper {
 public:
  WholeSyncEnv(const TempDir& dir, const std::string& documents)
      : EnvWrapper(Env::Default()),
        temp_(Env::Default().Files(), dir.Sub("temp") + Env::Default().Files().PathSeparator()),
        files_(temp_, documents, 0) {
    Env::Default().Files().MakeDirectory(dir.Sub("temp"));
    Env::Default().Files().MakeDirectory(documents);
  }
  FileSystem& Files() override { return files_; }

 private:
  TempFolderFileSystem temp_;
  FixedDocumentsFileSystem files_;
};

// What a user would look at after a synchronization.
struct Outcome {
  std::vector<std::string> movies;  // category and bytes of each record, sorted
  std::vector<std::string> events;
  std::string event_lists;          // the Movie-Events block
  uint16_t preference = 0;          // host order
  uint32_t last_events_run = 0;
  bool operator==(const Outcome& o) const {
    return movies == o.movies && events == o.events && event_lists == o.event_lists && preference == o.preference &&
           (last_events_run != 0) == (o.last_events_run != 0);
  }
  friend void PrintTo(const Outcome& o, std::ostream* out) {
    *out << o.movies.size() << " movies, " << o.events.size() << " events, preference " << o.preference
         << ", events last run " << o.last_events_run;
  }
};

// Both jobs on a handheld whose saves fail: an import of a changed and a new movie, and one event
// list with five events.
class UnsavedChangesTest : public ::testing::Test {
 protected:
  // The import request with its conflict mode (host order).
  uint16_t request_ = 0;

  void SetUp() override {
    g_answer = 0;
    g_statuses.clear();
    ASSERT_TRUE(server_.ok());
    std::filesystem::create_directories(root_.conduitFolder());
    ASSERT_EQ(root_.BeginSession(), 0) << HsGetLastErrorText();
    HandheldLink link(Env::Default().Time());
    uint32_t now = 0;
    ASSERT_EQ(link.ReadHandheldClock(&now), 0);
    today_ = now / 86400 * 86400;
    HsEndSession();
    server_.Serve("/dvd", GenerateFeed(5, today_ + 3600));
    WriteFileBytes(documents_.Sub("MyMoviesImport.tab"),
                   "Title\tNotes\tYear\tRunningTime\tMediaType\r\nHeat\tdesktop notes\t1995\t170\tDVD\r\n"
                   "Alien\t\t1979\t117\tDVD\r\n");
  }

  void Reset() {
    hotsync::PalmDatabase movies = reelbox_test::NewRecordDatabase("Movie-Lists", "QV03", "QVX3");
    std::string block = reelbox_test::DefaultMovieCategoryBlock();
    movies.hasAppInfo = true;
    movies.appInfo.assign(block.begin(), block.end());
    reelbox_test::SampleMovie heat = reelbox_test::SimpleMovie("Heat", 1995, "170");
    heat.notes = "handheld notes";
    reelbox_test::AddTestRecord(&movies, reelbox_test::PackSampleMovie(heat), 0);
    reelbox_test::AddTestRecord(&movies, reelbox_test::PackSampleMovie(reelbox_test::SimpleMovie("Brazil", 1985, "132")), 3);
    ASSERT_TRUE(reelbox_test::WritePalmFile(root_.DatabasePath("Movie-Lists"), movies));

    hotsync::PalmDatabase events = reelbox_test::NewRecordDatabase("Movie-Events", "QV05", "QVX5");
    events.version = 1;
    EventAppInfo lists;
    InitEventAppInfo(today_, &lists);
    for (int i = 0; i < kEventListCount; ++i) {
      lists.SetListName(i, i == 0 ? "DVD Releases" : "");
      lists.SetAddress(i, i == 0 ? server_.Address("/dvd") : "");
      lists.SetLastUpdate(i, 0);
    }
    events.hasAppInfo = true;
    events.appInfo.assign(lists.bytes, lists.bytes + kEventAppInfoSize);
    ASSERT_TRUE(reelbox_test::WritePalmFile(root_.DatabasePath("Movie-Events"), events));

    ConduitPrefs p;
    ReadConduitPrefs(Env::Default().Files(), &p, root_.conduitFolder().c_str());
    p.flags |= kPrefsFlagMyMoviesOn;
    p.eventsInterval = 604800;
    p.lastEventsRun = 0;
    WriteConduitPrefs(Env::Default().Files(), p, root_.conduitFolder().c_str());

    ASSERT_EQ(root_.BeginSession(), 0) << HsGetLastErrorText();
    const char value[2] = {0, static_cast<char>(request_)};
    AppPreferenceRequest r;
    std::memset(&r, 0, sizeof r);
    r.version = 1;
    r.creator = hotsync::FourCharCode("KVRT");
    r.prefId = 4;
    r.requestedSize = 2;
    r.backedUp = 1;
    r.bufferSize = 2;
    r.buffer = reinterpret_cast<uint8_t*>(const_cast<char*>(value));
    ASSERT_EQ(SyncWriteAppPreference(&r), 0);
    ASSERT_EQ(HsEndSession(), 0);
  }

  // One synchronization in which the given write-backs (counted from 1) fail.
  int32_t Sync(const std::vector<int32_t>& failing = {}) {
    EXPECT_EQ(root_.BeginSession(), 0) << HsGetLastErrorText();
    for (int32_t nth : failing) HsInjectFault("WriteBack", nth, 0x4008);
    SyncProperties p;
    std::memset(&p, 0, sizeof p);
    std::string folder = root_.conduitFolder();
    std::memcpy(p.bytes + kFolderOffset, folder.c_str(), folder.size() + 1);
    int32_t result = RunConduit(env_, Progress, p);
    // A database the conduit could not close is saved here, or not.
    HsEndSession();
    return result;
  }

  static std::vector<std::string> Records(const std::string& path) {
    hotsync::PalmDatabase db;
    std::string error;
    EXPECT_TRUE(reelbox_test::ReadPalmFile(path, &db, &error)) << error;
    std::vector<std::string> out;
    for (const hotsync::PalmRecord& r : db.records) {
      out.push_back(std::to_string(r.attributes & 0x0F) + ":" + std::string(r.data.begin(), r.data.end()));
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  Outcome Now() {
    Outcome o;
    o.movies = Records(root_.DatabasePath("Movie-Lists"));
    o.events = Records(root_.DatabasePath("Movie-Events"));
    hotsync::PalmDatabase events;
    std::string error;
    EXPECT_TRUE(reelbox_test::ReadPalmFile(root_.DatabasePath("Movie-Events"), &events, &error)) << error;
    o.event_lists.assign(events.appInfo.begin(), events.appInfo.end());
    hotsync::PalmDatabase prefs;
    EXPECT_TRUE(reelbox_test::ReadPalmFile(root_.DatabasePath("Saved Preferences", true), &prefs, &error)) << error;
    for (const auto& resource : prefs.resources) {
      if (resource.type == hotsync::FourCharCode("KVRT") && resource.id == 4 && resource.data.size() >= 4) {
        o.preference = static_cast<uint16_t>((resource.data[2] << 8) | resource.data[3]);
      }
    }
    ConduitPrefs p;
    ReadConduitPrefs(Env::Default().Files(), &p, root_.conduitFolder().c_str());
    o.last_events_run = p.lastEventsRun;
    return o;
  }

  static bool Logged(int32_t code, const std::string& beginning) {
    for (auto& e : ManagerLog()) {
      if (e.first == code && e.second.compare(0, beginning.size(), beginning) == 0) return true;
    }
    return false;
  }

  // One sync in which the saves of mask (bit 0: the first) fail, then a normal one.
  void ExpectMadeGood(int32_t mask, const Outcome& clean) {
    std::vector<int32_t> failing;
    std::string which;
    for (int32_t nth = 1; nth <= 7; ++nth) {
      if (mask & (1 << (nth - 1))) {
        failing.push_back(nth);
        which += " " + std::to_string(nth);
      }
    }
    SCOPED_TRACE("failing saves:" + which);
    Reset();
    Sync(failing);
    const Outcome after = Now();
    // The request is taken as done only with the import on the handheld, the schedule moves on
    // only with the events there.
    if ((after.preference & 0x0002) == 0) {
      EXPECT_EQ(after.movies, clean.movies);
    }
    if (after.last_events_run != 0) {
      EXPECT_EQ(after.events, clean.events);
    }
    if (mask & 1) {
      EXPECT_TRUE(Logged(11, "The handheld did not keep the changes to Ri Verid Database 'Movie-Lists'; the "
                             "import/export request stays for the next synchronization (error #999/16392 - "));
      EXPECT_NE(after.preference & 0x0002, 0);
    }
    for (auto& e : ManagerLog()) EXPECT_EQ(e.second.find("badf00d"), std::string::npos) << e.second;

    EXPECT_EQ(Sync(), 0);
    EXPECT_EQ(Now(), clean);
  }

  reelbox_test::TempUserRoot root_;
  TempDir dir_;
  TempDir documents_;
  WholeSyncEnv env_{dir_, documents_.path()};
  HttpServer server_;
  uint32_t today_ = 0;
};

TEST_F(UnsavedChangesTest, AnySaveTheHandheldFailsIsMadeGoodByTheNextSync) {
  // A repeated import must add nothing again, the changed movie of "add new" included.
  for (uint16_t request : {0x0002, 0x000A}) {
    SCOPED_TRACE(request);
    request_ = request;
    Reset();
    ASSERT_EQ(Sync(), 0);
    const Outcome clean = Now();
    ASSERT_EQ(clean.movies.size(), request == 0x0002 ? 4u : 3u);
    ASSERT_EQ(clean.events.size(), 5u);
    ASSERT_EQ(clean.preference, (request & 0x000C) | 0x0010);
    ASSERT_NE(clean.last_events_run, 0u);
    // Every subset of the first five saves (the two databases, their second tries, the
    // preference and what the session's end saves), and the session's end saving neither
    // database after the conduit failed at both.
    for (int32_t mask = 1; mask < 32; ++mask) ExpectMadeGood(mask, clean);
    for (int32_t mask : {0x2F, 0x4F, 0x6F}) ExpectMadeGood(mask, clean);
  }
}

}  // namespace
