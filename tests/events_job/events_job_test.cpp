// Whole synchronizations of the movie events job against the stand-in manager and a real HTTP
// server on loopback: what the handheld holds afterwards, and what the logs say.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "../events/events_env.h"
#include "conduit/conduit_prefs.h"
#include "conduit/open_conduit.h"
#include "conduit/sync_driver.h"
#include "device/byte_order.h"
#include "diag/handheld_link.h"
#include "events/event_app_info.h"
#include "events/event_record.h"
#include "hotsync_session.h"
#include "platform/env.h"
#include "support/feed_builder.h"
#include "support/civil.h"
#include "support/handheld.h"
#include "support/http_server.h"
#include "diag/sync_log.h"

namespace {

using Entries = reelbox_test::LogEntries;
using reelbox_test::ManagerLog;

int g_cancel_at = 0;  // the nth progress report whose text is g_cancel_text asks to stop
std::string g_cancel_text;

int32_t Progress(const char* text) {
  if (g_cancel_at > 0 && text && g_cancel_text == text && --g_cancel_at == 0) return 1;
  return 0;
}

struct StoredEvent {
  uint32_t id;
  int category;
  size_t size;
  EventRecord record;
};

class EventsJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_cancel_at = 0;
    ASSERT_TRUE(server_.ok());
    std::filesystem::create_directories(root_.conduitFolder());
    ConduitPrefs p;
    ReadConduitPrefs(Env::Default().Files(), &p, root_.conduitFolder().c_str());
    p.flags &= ~kPrefsFlagMyMoviesOn;
    p.eventsInterval = 0;
    p.logLevel = kLogLevelAudit;
    WriteConduitPrefs(Env::Default().Files(), p, root_.conduitFolder().c_str());
    ASSERT_EQ(root_.BeginSession(), 0) << HsGetLastErrorText();
    HandheldLink link(Env::Default().Time());
    uint32_t now = 0;
    ASSERT_EQ(link.ReadHandheldClock(&now), 0);
    today_ = now / 86400 * 86400;
    HsEndSession();
  }

  // A Movie-Events database whose lists point at the test server.
  void MakeDatabase(const std::vector<std::pair<std::string, std::string>>& lists, uint32_t last_update) {
    hotsync::PalmDatabase db = reelbox_test::NewRecordDatabase("Movie-Events", "QV05", "QVX5");
    db.version = 1;
    EventAppInfo block;
    InitEventAppInfo(today_, &block);
    for (int i = 0; i < 16; ++i) {
      block.SetListName(i, i < static_cast<int>(lists.size()) ? lists[i].first : "");
      block.SetAddress(i, i < static_cast<int>(lists.size()) ? server_.Address(lists[i].second) : "");
      block.SetLastUpdate(i, last_update);
    }
    db.hasAppInfo = true;
    db.appInfo.assign(block.bytes, block.bytes + kEventAppInfoSize);
    ASSERT_TRUE(reelbox_test::WritePalmFile(root_.DatabasePath("Movie-Events"), db));
  }

  int32_t Sync() {
    EXPECT_EQ(root_.BeginSession(), 0) << HsGetLastErrorText();
    if (clock_offset_ != 0) HsSetClockOffset(clock_offset_);
    SyncProperties p;
    std::memset(&p, 0, sizeof p);
    std::string folder = root_.conduitFolder();
    std::memcpy(p.bytes + kFolderOffset, folder.c_str(), folder.size() + 1);
    int32_t result = RunConduit(env_, Progress, p);
    EXPECT_EQ(HsEndSession(), 0) << HsGetLastErrorText();
    return result;
  }

  bool HasEntry(int32_t code, const std::string& text) {
    for (auto& e : ManagerLog()) {
      if (e.first == code && e.second == text) return true;
    }
    return false;
  }
  std::string DebugLog() {
    FlushLogFiles();
    return ReadFileBytes((std::filesystem::path(root_.conduitFolder()) / "kvrtdebuglog.txt").string());
  }

  hotsync::PalmDatabase Database() {
    hotsync::PalmDatabase db;
    std::string error;
    EXPECT_TRUE(reelbox_test::ReadPalmFile(root_.DatabasePath("Movie-Events"), &db, &error)) << error;
    return db;
  }
  std::vector<StoredEvent> Stored() {
    std::vector<StoredEvent> out;
    for (const hotsync::PalmRecord& r : Database().records) {
      StoredEvent e{r.id, r.attributes & 0x0F, r.data.size(), EventRecord()};
      e.record.LoadPacked(r.data.data(), r.data.size(), r.id, static_cast<uint32_t>(e.category));
      out.push_back(e);
    }
    return out;
  }
  EventAppInfo Block() {
    EventAppInfo block;
    hotsync::PalmDatabase db = Database();
    EXPECT_EQ(db.appInfo.size(), kEventAppInfoSize);
    std::memcpy(block.bytes, db.appInfo.data(), std::min(db.appInfo.size(), kEventAppInfoSize));
    return block;
  }

  static std::string At(uint32_t handheld) { return ":" + HandheldDateTimeText(handheld); }

  reelbox_test::TempUserRoot root_;
  TempDir dir_;
  EventsTestEnv env_{dir_};
  HttpServer server_;
  uint32_t today_ = 0;
  int32_t clock_offset_ = 0;  // the handheld clock's offset from the desktop's, when set
};

TEST_F(EventsJobTest, FirstRunCreatesTheDatabaseWithItsThreeLists) {
  env_.internet().connected = false;
  EXPECT_EQ(Sync(), 4);
  hotsync::PalmDatabase db = Database();
  EXPECT_EQ(hotsync::FourCharText(db.type), "QV05");
  EXPECT_EQ(hotsync::FourCharText(db.creator), "QVX5");
  EXPECT_EQ(db.version, 1);
  EventAppInfo block = Block();
  EXPECT_EQ(block.ListName(0), "DVD Releases");
  EXPECT_EQ(block.ListName(2), "Film Premieres");
  EXPECT_EQ(block.LastUpdate(1), today_ - 5184000u);
  std::string address = std::string(DefaultFeedHost()) + "/cinevane/cal/DVD.asp";
  EXPECT_TRUE(HasEntry(-1, "Synchronizing 'DVD Releases' event records (" + address + ")\n"));
  bool unable = false;
  for (auto& e : ManagerLog()) {
    if (e.first == 11 && e.second.find("Unable to fetch data from URL '" + address + "' (error #2/") == 0) unable = true;
  }
  EXPECT_TRUE(unable);
  // No network ends the whole job: the second list is not tried.
  EXPECT_FALSE(HasEntry(-1, "Synchronizing 'Film Festivals' event records (" + std::string(DefaultFeedHost()) +
                                "/cinevane/cal/FilmFest.asp)\n"));
}

// A first synchronization cut short after the database was made leaves it without its lists.
TEST_F(EventsJobTest, DatabaseWithoutItsListsGetsTheListsOfANewDatabaseAndKeepsItsRecords) {
  hotsync::PalmDatabase db = reelbox_test::NewRecordDatabase("Movie-Events", "QV05", "QVX5");
  reelbox_test::AddTestRecord(&db, std::string(40, 'e'), 1);
  ASSERT_TRUE(reelbox_test::WritePalmFile(root_.DatabasePath("Movie-Events"), db));
  env_.internet().connected = false;
  EXPECT_EQ(Sync(), 4);  // no network: the block is in place before the lists are fetched
  EventAppInfo block = Block();
  EXPECT_EQ(block.ListName(0), "DVD Releases");
  EXPECT_EQ(block.ListName(2), "Film Premieres");
  ASSERT_EQ(Database().records.size(), 1u);
  EXPECT_EQ(Database().records[0].attributes & 0x0F, 1);
  std::string sync = ReadFileBytes((std::filesystem::path(root_.conduitFolder()) / "kvrtsynclog.txt").string());
  EXPECT_NE(sync.find("NOTE : the Events Database 'Movie-Events' had no lists block; it now has the lists of a new "
                      "database.\r\n"),
            std::string::npos);
  for (auto& e : ManagerLog()) EXPECT_EQ(e.second.find("Unable to read AppInfo block"), std::string::npos);
}

TEST_F(EventsJobTest, NewEventsInsideTheWindowAreWrittenInTheirListsCategory) {
  MakeDatabase({{"DVD Releases", "/dvd"}, {"Film Festivals", "/fest"}}, 0);
  uint32_t window = today_ - 5184000u;
  server_.Serve("/dvd", BuildFeed({{"old@x", "Too Old", "", At(window - 86400), "", ""},
                                   {"new@x", "The Matrix - <http://example.com/m>", "Reloaded", At(today_ + 3600), "", ""},
                                   {"edge@x", "On The Edge", "", At(window), "", ""}}));
  server_.Serve("/fest", BuildFeed({{"f1@x", "A Festival", "", ";VALUE=DATE:" + HandheldDateTimeText(today_).substr(0, 8), "", ""}}));
  EXPECT_EQ(Sync(), 0);
  std::vector<StoredEvent> stored = Stored();
  ASSERT_EQ(stored.size(), 3u);
  EXPECT_STREQ(stored[0].record.Uid(), "new@x");
  EXPECT_STREQ(stored[0].record.Summary(), "Matrix , The");
  EXPECT_EQ(stored[0].category, 0);
  EXPECT_STREQ(stored[1].record.Uid(), "edge@x");
  EXPECT_STREQ(stored[2].record.Summary(), "Festival, A");
  EXPECT_EQ(stored[2].category, 1);
  EXPECT_EQ(stored[2].record.StartTime(), today_);
  EventAppInfo block = Block();
  EXPECT_EQ(block.LastUpdate(0), today_);
  EXPECT_EQ(block.LastUpdate(1), today_);
  EXPECT_EQ(block.bytes[1956] & 1, 1);
  EXPECT_TRUE(HasEntry(-1, "2 items updated for list 'DVD Releases'\n"));
  EXPECT_TRUE(HasEntry(-1, "1 items updated for list 'Film Festivals'\n"));
  EXPECT_TRUE(HasEntry(-1, "Synchronizing 'DVD Releases' event records (" + server_.Address("/dvd") + ")\n"));
  std::string log = DebugLog();
  EXPECT_NE(log.find("NEW: 'Too Old'(out of window - skipping)\r\n"), std::string::npos);
  EXPECT_NE(log.find("NEW: 'Matrix , The'(writing)\r\n   *RECORD UPDATED*\r\n"), std::string::npos);
  EXPECT_NE(log.find("Fetching data from URL : " + server_.Address("/dvd") + "\r\n"), std::string::npos);
}

TEST_F(EventsJobTest, UnchangedFeedWritesNothingTheSecondTime) {
  MakeDatabase({{"DVD Releases", "/dvd"}}, 0);
  server_.Serve("/dvd", GenerateFeed(45, today_));
  EXPECT_EQ(Sync(), 0);
  EXPECT_EQ(Stored().size(), 45u);
  EXPECT_EQ(Sync(), 0);
  EXPECT_EQ(Stored().size(), 45u);
  EXPECT_TRUE(HasEntry(-1, "0 items updated for list 'DVD Releases'\n"));
  bool scanned = false;
  for (auto& e : ManagerLog()) {
    if (e.first == -1 && e.second.find("45 'DVD Releases' device event records read in ") == 0) scanned = true;
  }
  EXPECT_TRUE(scanned);
  EXPECT_NE(DebugLog().find("EXISTS/MATCH: 'Event 44'\r\n"), std::string::npos);
}

TEST_F(EventsJobTest, LongestRecordsAreIndexedAndNotAddedAgain) {
  MakeDatabase({{"DVD Releases", "/dvd"}}, 0);
  std::vector<TestEvent> events;
  for (int i = 0; i < 5; ++i) {
    events.push_back({"long-" + std::to_string(i), std::string(600, 's'), std::string(600, 'd'), At(today_ + i), "", ""});
  }
  server_.Serve("/dvd", BuildFeed(events));
  EXPECT_EQ(Sync(), 0);
  EXPECT_EQ(Sync(), 0);
  std::vector<StoredEvent> stored = Stored();
  ASSERT_EQ(stored.size(), 5u);
  EXPECT_EQ(stored[0].size, kEventRecordMaxSize);
  EXPECT_TRUE(HasEntry(-1, "0 items updated for list 'DVD Releases'\n"));
}

TEST_F(EventsJobTest, ChangedEventIsRewrittenInPlace) {
  MakeDatabase({{"DVD Releases", "/dvd"}}, 0);
  server_.Serve("/dvd", BuildFeed({{"a", "First Title", "", At(today_ + 60), "", ""},
                                   {"b", "Other", "", At(today_ + 120), "", ""}}));
  EXPECT_EQ(Sync(), 0);
  std::vector<StoredEvent> before = Stored();
  server_.Serve("/dvd", BuildFeed({{"a", "Second Title", "", At(today_ + 60), "", ""},
                                   {"b", "Other", "", At(today_ + 120), "", ""}}));
  EXPECT_EQ(Sync(), 0);
  std::vector<StoredEvent> after = Stored();
  ASSERT_EQ(after.size(), 2u);
  EXPECT_EQ(after[0].id, before[0].id);
  EXPECT_EQ(after[0].category, 0);
  EXPECT_STREQ(after[0].record.Summary(), "Second Title");
  EXPECT_TRUE(HasEntry(-1, "1 items updated for list 'DVD Releases'\n"));
}

TEST_F(EventsJobTest, ChangedEventBeforeTheWindowIsLeftAlone) {
  MakeDatabase({{"DVD Releases", "/dvd"}}, today_ - 86400 * 30);
  server_.Serve("/dvd", BuildFeed({{"a", "Old", "", At(today_ - 86400 * 20), "", ""}}));
  EXPECT_EQ(Sync(), 0);
  ASSERT_EQ(Stored().size(), 1u);
  // The list's window now starts today: the event and its change lie before it.
  server_.Serve("/dvd", BuildFeed({{"a", "Old, changed", "", At(today_ - 86400 * 21), "", ""}}));
  EXPECT_EQ(Sync(), 0);
  EXPECT_STREQ(Stored()[0].record.Summary(), "Old");
  EXPECT_NE(DebugLog().find("EXISTS/CHANGED: 'Old, changed'\r\n   *OUT OF WINDOW - skipped*\r\n"), std::string::npos);
}

TEST_F(EventsJobTest, EventsWithATimeZoneAreRewrittenAtEveryRun) {
  MakeDatabase({{"DVD Releases", "/dvd"}}, 0);
  server_.Serve("/dvd", BuildFeed({{"tz", "Zoned", "", ";TZID=Europe/Paris" + At(today_ + 3600), "", ""}}));
  EXPECT_EQ(Sync(), 0);
  EXPECT_EQ(Sync(), 0);
  EXPECT_EQ(Stored().size(), 1u);
  EXPECT_TRUE(HasEntry(-1, "1 items updated for list 'DVD Releases'\n"));
}

TEST_F(EventsJobTest, FailingListKeepsItsWindowAndTheOthersStillRun) {
  MakeDatabase({{"Broken", "/missing"}, {"Refused", "/r"}, {"Good", "/good"}}, 0);
  // The second list points at a port nobody listens on.
  {
    EventAppInfo block = Block();
    block.SetAddress(1, "127.0.0.1:" + std::to_string(HttpServer::RefusingPort()) + "/r");
    hotsync::PalmDatabase db = Database();
    db.appInfo.assign(block.bytes, block.bytes + kEventAppInfoSize);
    ASSERT_TRUE(reelbox_test::WritePalmFile(root_.DatabasePath("Movie-Events"), db));
  }
  server_.Serve("/good", GenerateFeed(3, today_));
  EXPECT_EQ(Sync(), 0);
  // An error page is not read as a calendar; the debug log names the status.
  EXPECT_NE(DebugLog().find("HTTP status 404 from 'http://" + server_.Address("/missing") + "'"), std::string::npos);
  EXPECT_TRUE(HasEntry(8, "An error (No response from server) occured while synchronizing the 'Broken' events."
                          "  Synchronization of this list will now terminate.\n"));
  bool refused = false;
  for (auto& e : ManagerLog()) {
    if (e.first == 11 && e.second.find("Unable to fetch data from URL '127.0.0.1:") == 0 &&
        e.second.find("(error #3/12029 - ") != std::string::npos) {
      refused = true;
    }
  }
  EXPECT_TRUE(refused);
  EXPECT_EQ(Stored().size(), 3u);
  EventAppInfo block = Block();
  EXPECT_EQ(block.LastUpdate(0), 0u);
  EXPECT_EQ(block.LastUpdate(1), 0u);
  EXPECT_EQ(block.LastUpdate(2), today_);
  // One list was fetched: the run counts.
  ConduitPrefs p;
  ReadConduitPrefs(Env::Default().Files(), &p, root_.conduitFolder().c_str());
  EXPECT_NE(p.lastEventsRun, 0u);
}

TEST_F(EventsJobTest, RunInWhichNoListCouldBeFetchedLeavesTheScheduleDue) {
  MakeDatabase({{"Broken", "/missing"}, {"Refused", "/r"}}, 0);
  {
    EventAppInfo block = Block();
    block.SetAddress(1, "127.0.0.1:" + std::to_string(HttpServer::RefusingPort()) + "/r");
    hotsync::PalmDatabase db = Database();
    db.appInfo.assign(block.bytes, block.bytes + kEventAppInfoSize);
    ASSERT_TRUE(reelbox_test::WritePalmFile(root_.DatabasePath("Movie-Events"), db));
  }
  ConduitPrefs p;
  ReadConduitPrefs(Env::Default().Files(), &p, root_.conduitFolder().c_str());
  p.eventsInterval = 7 * 86400;
  WriteConduitPrefs(Env::Default().Files(), p, root_.conduitFolder().c_str());
  EXPECT_EQ(Sync(), 0);
  ReadConduitPrefs(Env::Default().Files(), &p, root_.conduitFolder().c_str());
  EXPECT_EQ(p.lastEventsRun, 0u);
  std::string sync = ReadFileBytes((std::filesystem::path(root_.conduitFolder()) / "kvrtsynclog.txt").string());
  EXPECT_NE(sync.find("Movie Event Synchronization will be tried again at the next sync: no event list could be "
                      "fetched."),
            std::string::npos);
  // The next sync tries again; with a feed in place the run counts.
  server_.Serve("/missing", GenerateFeed(2, today_));
  EXPECT_EQ(Sync(), 0);
  EXPECT_EQ(Stored().size(), 2u);
  ReadConduitPrefs(Env::Default().Files(), &p, root_.conduitFolder().c_str());
  EXPECT_NE(p.lastEventsRun, 0u);
}

TEST_F(EventsJobTest, EventsWithoutAStartOrAUidAreNotWrittenAndMarkTheList) {
  MakeDatabase({{"DVD Releases", "/dvd"}}, 0);
  std::string common(60, 'g');
  server_.Serve("/dvd", BuildFeed({{"good", "Good", "", At(today_ + 60), "", ""},
                                   {"bad", "Bad", "", At(today_ + 60) + "X", "", ""},
                                   {"noend", "No End", "", At(today_ + 60), ":2006", ""},
                                   {"", "No UID", "", At(today_ + 60), "", ""},
                                   {"GOOD", "Good again", "", At(today_ + 120), "", ""},
                                   {common + "-1@x", "Long 1", "", At(today_ + 60), "", ""},
                                   {common + "-2@x", "Long 2", "", At(today_ + 60), "", ""}}));
  EXPECT_EQ(Sync(), 0);
  std::vector<StoredEvent> stored = Stored();
  ASSERT_EQ(stored.size(), 4u);
  EXPECT_STREQ(stored[0].record.Summary(), "Good");
  EXPECT_STREQ(stored[1].record.Uid(), "noend");
  EXPECT_EQ(stored[1].record.StartTime(), today_ + 60);
  EXPECT_EQ(stored[1].record.EndTime(), 0u);
  EXPECT_STRNE(stored[2].record.Uid(), stored[3].record.Uid());
  EXPECT_TRUE(HasEntry(-1, "4 items updated for list 'DVD Releases'\n"));
  EXPECT_TRUE(HasEntry(8, "Warning : some events in the 'DVD Releases' event dataset may not have synchronized "
                          "properly due to formatting errors.\n"));
  EXPECT_EQ(Block().LastUpdate(0), 0u);
  // The long UIDs are found again: nothing is added the second time.
  EXPECT_EQ(Sync(), 0);
  EXPECT_EQ(Stored().size(), 4u);
}

TEST_F(EventsJobTest, RecordsHoldingALongUidCutToFiftyAreTakenOver) {
  MakeDatabase({{"DVD Releases", "/dvd"}}, 0);
  std::string common(60, 'g');
  // As written before long UIDs had a form of their own: cut to 50 characters.
  server_.Serve("/dvd", BuildFeed({{common.substr(0, 50), "Old form", "", At(today_ + 60), "", ""}}));
  EXPECT_EQ(Sync(), 0);
  ASSERT_EQ(Stored().size(), 1u);
  uint32_t id = Stored()[0].id;
  server_.Serve("/dvd", BuildFeed({{common + "-1@x", "Long 1", "", At(today_ + 60), "", ""},
                                   {common + "-2@x", "Long 2", "", At(today_ + 60), "", ""}}));
  EXPECT_EQ(Sync(), 0);
  std::vector<StoredEvent> stored = Stored();
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[0].id, id);
  EXPECT_STREQ(stored[0].record.Summary(), "Long 1");
  EXPECT_STREQ(stored[1].record.Summary(), "Long 2");
}

TEST_F(EventsJobTest, RepeatingEventsGiveOneRecordPerOccurrenceAndLoseTheCancelledOnes) {
  MakeDatabase({{"Screenings", "/weekly"}}, 0);
  const uint32_t first = today_ + 7 * 86400 + 19 * 3600;
  const std::string week = HandheldDateTimeText(first + 7 * 86400);
  // An override written before its series moves the second screening by two hours.
  auto feed = [&](const std::string& exdate) {
    return BuildFeed({{"w@x", "Moved", "", At(first + 7 * 86400 + 7200), "",
                       "RECURRENCE-ID:" + week + "\r\n"},
                      {"w@x", "Weekly", "", At(first), At(first + 5400), "RRULE:FREQ=WEEKLY;COUNT=6\r\n" + exdate},
                      {"single@x", "Single", "", At(first), "", ""}});
  };
  server_.Serve("/weekly", feed(""));
  EXPECT_EQ(Sync(), 0);
  std::map<std::string, StoredEvent> by_uid;
  for (const StoredEvent& e : Stored()) by_uid.emplace(e.record.Uid(), e);
  ASSERT_EQ(by_uid.size(), 7u);
  // The first keeps the event's UID; the others have their own, the moved one its new time.
  EXPECT_EQ(by_uid.at("w@x").record.StartTime(), first);
  EXPECT_EQ(by_uid.at("w@x").record.EndTime(), first + 5400);
  const std::string moved = OccurrenceEventUid("w@x", first + 7 * 86400);
  ASSERT_EQ(by_uid.count(moved), 1u);
  EXPECT_EQ(by_uid.at(moved).record.StartTime(), first + 7 * 86400 + 7200);
  EXPECT_STREQ(by_uid.at(moved).record.Summary(), "Moved");
  const std::string third = OccurrenceEventUid("w@x", first + 14 * 86400);
  ASSERT_EQ(by_uid.count(third), 1u);
  EXPECT_EQ(by_uid.at(third).record.EndTime(), first + 14 * 86400 + 5400);
  EXPECT_TRUE(HasEntry(-1, "7 items updated for list 'Screenings'\n"));

  // The same feed again: every occurrence is found as it was.
  EXPECT_EQ(Sync(), 0);
  EXPECT_TRUE(HasEntry(-1, "0 items updated for list 'Screenings'\n"));
  // A cancelled screening disappears; nothing else does.
  server_.Serve("/weekly", feed("EXDATE:" + HandheldDateTimeText(first + 14 * 86400) + "\r\n"));
  EXPECT_EQ(Sync(), 0);
  EXPECT_TRUE(HasEntry(-1, "1 items updated for list 'Screenings'\n"));
  std::vector<StoredEvent> after = Stored();
  ASSERT_EQ(after.size(), 6u);
  for (const StoredEvent& e : after) EXPECT_NE(std::string(e.record.Uid()), third);
  EXPECT_NE(DebugLog().find("GONE: 'Weekly'"), std::string::npos);
  // Cancelling the first screening removes the record that holds the event's own UID.
  server_.Serve("/weekly", feed("EXDATE:" + HandheldDateTimeText(first + 14 * 86400) + "," +
                                HandheldDateTimeText(first) + "\r\n"));
  EXPECT_EQ(Sync(), 0);
  after = Stored();
  ASSERT_EQ(after.size(), 5u);
  for (const StoredEvent& e : after) EXPECT_STRNE(e.record.Uid(), "w@x");
  EXPECT_EQ(std::count_if(after.begin(), after.end(), [](const StoredEvent& e) {
              return std::string(e.record.Uid()) == "single@x";
            }),
            1);
}

TEST_F(EventsJobTest, RealFeedsStoreEveryEventAndOccurrenceInTheWindow) {
  // The records an independent implementation counts for each feed: single events by UID, and
  // every occurrence of the repeating ones up to the horizon (Google's export repeats the UID of
  // a recurring event in its overrides).
  std::map<std::string, size_t> expected;
  std::istringstream table(ReadTestFeed("recurrence/real_feeds.txt"));
  for (std::string line; std::getline(table, line);) {
    std::istringstream words(line);
    std::string name;
    size_t count = 0;
    if (line[0] != '#' && words >> name >> count) expected[name] = count;
  }
  ASSERT_EQ(expected.size(), 7u);
  std::vector<std::pair<std::string, std::string>> lists;
  std::vector<size_t> counts;
  for (const auto& [name, count] : expected) {
    lists.emplace_back(name.substr(0, 12), "/" + name);
    counts.push_back(count);
    server_.Serve(lists.back().second, ReadTestFeed(name));
  }
  const uint32_t year2000 = 35064u * 86400u;  // their events start after 2000
  MakeDatabase(lists, year2000);
  // The day the table was counted for.
  clock_offset_ = static_cast<int32_t>(static_cast<int64_t>(reelbox_test::Handheld(2026, 12, 8, 12, 0, 0)) - today_ -
                                       43200);
  // Without the audit, whose every line goes to the disk, thousands of events take a moment.
  ConduitPrefs p;
  ReadConduitPrefs(Env::Default().Files(), &p, root_.conduitFolder().c_str());
  p.logLevel = 0;
  WriteConduitPrefs(Env::Default().Files(), p, root_.conduitFolder().c_str());
  EXPECT_EQ(Sync(), 0);
  std::vector<size_t> per_list(lists.size());
  std::set<std::string> uids;
  for (const StoredEvent& e : Stored()) {
    ++per_list.at(static_cast<size_t>(e.category));
    EXPECT_TRUE(uids.insert(std::to_string(e.category) + e.record.Uid()).second) << e.record.Uid();
  }
  for (size_t i = 0; i < lists.size(); ++i) {
    EXPECT_EQ(per_list[i], counts[i]) << lists[i].second;
    EXPECT_TRUE(HasEntry(-1, std::to_string(counts[i]) + " items updated for list '" + lists[i].first + "'\n"))
        << lists[i].second;
  }
  // A second synchronization finds every record as it was (the zoned events are rewritten).
  EXPECT_EQ(Sync(), 0);
  EXPECT_EQ(Stored().size(), uids.size());
  EXPECT_TRUE(HasEntry(-1, "0 items updated for list 'mathBirthday'\n"));
}

TEST_F(EventsJobTest, FailedHandheldReadEndsTheJobBeforeAnythingIsWritten) {
  MakeDatabase({{"DVD Releases", "/dvd"}}, 0);
  server_.Serve("/dvd", GenerateFeed(30, today_));
  EXPECT_EQ(Sync(), 0);
  ASSERT_EQ(Stored().size(), 30u);
  server_.Serve("/dvd", GenerateFeed(31, today_));
  for (const char* operation : {"SyncResetRecordIndex", "SyncReadNextRecInCategory"}) {
    ASSERT_EQ(root_.BeginSession(), 0);
    HsInjectFault(operation, std::string(operation) == "SyncResetRecordIndex" ? 1 : 10, 0x4009);
    SyncProperties p;
    std::memset(&p, 0, sizeof p);
    std::string folder = root_.conduitFolder();
    std::memcpy(p.bytes + kFolderOffset, folder.c_str(), folder.size() + 1);
    EXPECT_EQ(RunConduit(env_, Progress, p), 4) << operation;
    HsEndSession();
    EXPECT_EQ(Stored().size(), 30u) << operation;
  }
  bool reported = false;
  for (auto& e : ManagerLog()) {
    if (e.first == 8 && e.second.find("Unable to read record 9 from events Database 'Movie-Events' (error #999/") == 0) {
      reported = true;
    }
  }
  EXPECT_TRUE(reported);
}

TEST_F(EventsJobTest, CancelDuringADownloadStopsTheListsAndKeepsTheScheduleDue) {
  MakeDatabase({{"First", "/one"}, {"Second", "/two"}}, 0);
  server_.Serve("/one", GenerateFeed(2, today_));
  server_.Serve("/two", GenerateFeed(2, today_));
  g_cancel_text = "Connecting";
  g_cancel_at = 2;  // the second list's download
  EXPECT_EQ(Sync(), 10);
  EXPECT_EQ(Stored().size(), 2u);
  EventAppInfo block = Block();
  EXPECT_EQ(block.LastUpdate(0), today_);
  EXPECT_EQ(block.LastUpdate(1), 0u);
  EXPECT_TRUE(HasEntry(21, "Reelbox"));
  ConduitPrefs p;
  ReadConduitPrefs(Env::Default().Files(), &p, root_.conduitFolder().c_str());
  EXPECT_EQ(p.lastEventsRun, 0u);
}

TEST_F(EventsJobTest, CancelWhileReadingTheFeedEndsTheJobWithoutTheBlock) {
  MakeDatabase({{"First", "/one"}}, 0);
  server_.Serve("/one", GenerateFeed(50, today_));
  g_cancel_text = "Synchronizing remote 'First'";
  g_cancel_at = 3;  // before event 20
  EXPECT_EQ(Sync(), 10);
  EXPECT_EQ(Stored().size(), 20u);
  EXPECT_EQ(Block().LastUpdate(0), 0u);
  EXPECT_EQ(Block().bytes[1956] & 1, 0);
}

TEST_F(EventsJobTest, FailedRecordWriteEndsTheJob) {
  MakeDatabase({{"First", "/one"}, {"Second", "/two"}}, 0);
  server_.Serve("/one", GenerateFeed(3, today_));
  server_.Serve("/two", GenerateFeed(3, today_));
  // The second record write fails on the handheld.
  ASSERT_EQ(root_.BeginSession(), 0);
  HsInjectFault("SyncWriteRec", 2, 0x4009);
  SyncProperties p;
  std::memset(&p, 0, sizeof p);
  std::string folder = root_.conduitFolder();
  std::memcpy(p.bytes + kFolderOffset, folder.c_str(), folder.size() + 1);
  EXPECT_EQ(RunConduit(env_, Progress, p), 4);
  HsEndSession();
  EXPECT_TRUE(HasEntry(8, "Unable to add a record to events Database 'Movie-Events' "
                          "(error #999/16393 - An unexpected Palm error occured (16393))"));
  EXPECT_TRUE(HasEntry(8, "A fatal error (Internal file stream error) occured while synchronizing the 'First' "
                          "events.  Synchronization will now exit.\n"));
  EXPECT_EQ(Stored().size(), 1u);
}

TEST_F(EventsJobTest, FullDatabaseAddsNothingMoreButStillRewritesAndEveryListGoesOn) {
  MakeDatabase({{"First", "/one"}, {"Second", "/two"}}, 0);
  server_.Serve("/one", BuildFeed({{"a", "Old Title", "", At(today_ + 60), "", ""}}));
  server_.Serve("/two", BuildFeed({{"b", "Other", "", At(today_ + 120), "", ""}}));
  EXPECT_EQ(Sync(), 0);
  {
    // Filled up to one record short of what a database holds, the windows back at their start.
    hotsync::PalmDatabase db = Database();
    while (db.records.size() < 0xFFFE) reelbox_test::AddTestRecord(&db, "x", 5);
    EventAppInfo block = Block();
    block.SetLastUpdate(0, 0);
    block.SetLastUpdate(1, 0);
    db.appInfo.assign(block.bytes, block.bytes + kEventAppInfoSize);
    ASSERT_TRUE(reelbox_test::WritePalmFile(root_.DatabasePath("Movie-Events"), db));
  }
  server_.Serve("/one", BuildFeed({{"a", "New Title", "", At(today_ + 60), "", ""},
                                   {"c", "Fits", "", At(today_ + 180), "", ""},
                                   {"d", "No Room", "", At(today_ + 240), "", ""}}));
  server_.Serve("/two", BuildFeed({{"b", "Other", "", At(today_ + 120), "", ""},
                                   {"e", "No Room Either", "", At(today_ + 300), "", ""}}));
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run);
    EXPECT_EQ(Sync(), 0);
    std::vector<StoredEvent> stored = Stored();
    ASSERT_EQ(stored.size(), 0xFFFFu);
    EXPECT_STREQ(stored[0].record.Summary(), "New Title");
    EXPECT_STREQ(stored.back().record.Uid(), "c");
    EXPECT_TRUE(HasEntry(9, run == 0 ? "the handheld's event database is full: 1 of 2 events of list 'First' were not added"
                                     : "the handheld's event database is full: 1 of 1 events of list 'First' were not added"));
    EXPECT_TRUE(HasEntry(9, "the handheld's event database is full: 1 of 1 events of list 'Second' were not added"));
    for (auto& e : ManagerLog()) EXPECT_EQ(e.second.find("badf00d"), std::string::npos) << e.second;
    // The events left out are still in the window for when there is room.
    EXPECT_EQ(Block().LastUpdate(0), 0u);
    EXPECT_EQ(Block().LastUpdate(1), 0u);
  }
}

TEST_F(EventsJobTest, EndOfPassFailuresAreReportedAndTheJobIsStillDone) {
  MakeDatabase({{"First", "/one"}}, 0);
  server_.Serve("/one", GenerateFeed(2, today_));
  ASSERT_EQ(root_.BeginSession(), 0);
  HsInjectFault("SyncFinishPassPurge", 1, 0x4009);
  HsInjectFault("SyncFinishPassClearFlags", 1, 0x4009);
  SyncProperties p;
  std::memset(&p, 0, sizeof p);
  std::string folder = root_.conduitFolder();
  std::memcpy(p.bytes + kFolderOffset, folder.c_str(), folder.size() + 1);
  EXPECT_EQ(RunConduit(env_, Progress, p), 0);
  HsEndSession();
  EXPECT_TRUE(HasEntry(18, "Unable to remove the deleted records of Events Database 'Movie-Events' "
                           "(error #999/16393 - An unexpected Palm error occured (16393))"));
  EXPECT_TRUE(HasEntry(18, "Unable to clear the modified flags of Events Database 'Movie-Events' "
                           "(error #999/16393 - An unexpected Palm error occured (16393))"));
  EXPECT_EQ(Stored().size(), 2u);
}

TEST_F(EventsJobTest, EventsTheHandheldDidNotKeepLeaveTheJobDue) {
  MakeDatabase({{"First", "/one"}}, 0);
  server_.Serve("/one", GenerateFeed(2, today_));
  ASSERT_EQ(root_.BeginSession(), 0);
  // The close and its second try when the database object goes; the session's end saves it.
  HsInjectFault("WriteBack", 1, 0x4008);
  HsInjectFault("WriteBack", 2, 0x4008);
  SyncProperties p;
  std::memset(&p, 0, sizeof p);
  std::string folder = root_.conduitFolder();
  std::memcpy(p.bytes + kFolderOffset, folder.c_str(), folder.size() + 1);
  EXPECT_EQ(RunConduit(env_, Progress, p), 4);
  HsEndSession();
  EXPECT_TRUE(HasEntry(11, "The handheld did not keep the changes to Events Database 'Movie-Events' "
                           "(error #999/16392 - An unexpected Palm error occured (16392))"));
  EXPECT_TRUE(HasEntry(21, "Reelbox"));
  ConduitPrefs prefs;
  ReadConduitPrefs(Env::Default().Files(), &prefs, root_.conduitFolder().c_str());
  EXPECT_EQ(prefs.lastEventsRun, 0u);
}

}  // namespace
