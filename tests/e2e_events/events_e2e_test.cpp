// The movie events as a user meets them: the hotsync program loads the built conduit, the event
// lists are pointed at a real HTTP server on loopback with "hotsync handheld feeds set", and
// "hotsync sync" brings Movie-Events up to date.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "conduit/conduit_prefs.h"
#include "diag/sync_log.h"
#include "events/event_app_info.h"
#include "support/feed_builder.h"
#include "support/handheld.h"
#include "support/http_server.h"
#include "support/process.h"
#include "support/temp_dir.h"
#include "platform/env.h"

using reelbox_test::ProcessResult;

namespace {

namespace fs = std::filesystem;

class EventsEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.ok());
    fs::create_directories(temp_.path());
    ASSERT_EQ(Run({"user", "add", "Alice"}).exitStatus, 0);
    ASSERT_EQ(Run({"install"}).exitStatus, 0);
    // Every sync runs the events job, with the full activity audit.
    ConduitPrefs p;
    std::string folder = (fs::path(root_.path()) / "Alice" / "Cinevane").string();
    ReadConduitPrefs(Env::Default().Files(), &p, folder.c_str());
    p.flags &= ~kPrefsFlagMyMoviesOn;
    p.eventsInterval = 0;
    p.logLevel = kLogLevelAudit;
    WriteConduitPrefs(Env::Default().Files(), p, folder.c_str());
    // A handheld whose event lists have no feed yet (the test names them).
    hotsync::PalmDatabase db = reelbox_test::NewRecordDatabase("Movie-Events", "QV05", "QVX5");
    db.version = 1;
    EventAppInfo block;
    InitEventAppInfo(0, &block);
    for (int i = 0; i < kEventListCount; ++i) {
      block.SetListName(i, "");
      block.SetAddress(i, "");
      block.SetLastUpdate(i, 0);
    }
    db.hasAppInfo = true;
    db.appInfo.assign(block.bytes, block.bytes + kEventAppInfoSize);
    ASSERT_TRUE(reelbox_test::WritePalmFile((fs::path(root_.path()) / "Alice" / "Handheld" / "Movie-Events.pdb").string(), db));
  }

  ProcessResult Run(std::vector<std::string> args) {
    std::vector<std::string> full = {"--root", root_.path(), "--conduit", reelbox_test::BuiltLibrary("KVRTConduit.dll")};
    full.insert(full.end(), args.begin(), args.end());
    reelbox_test::ProcessOptions options;
    // "TQConduit.tmp" goes to this test's own temporary folder.
    options.environment = {"TMPDIR=" + temp_.path(), "TMP=" + temp_.path(), "TEMP=" + temp_.path()};
    options.timeoutMs = 120000;
    ProcessResult result = reelbox_test::RunProcess(reelbox_test::BuiltProgram("hotsync"), full, options);
    EXPECT_TRUE(result.started);
    EXPECT_FALSE(result.timedOut);
    result.output.erase(std::remove(result.output.begin(), result.output.end(), '\r'), result.output.end());
    return result;
  }

  TempDir root_;
  TempDir temp_;
  HttpServer server_;
};

bool Has(const ProcessResult& r, const std::string& text) { return r.output.find(text) != std::string::npos; }

TEST_F(EventsEndToEnd, ListsAreShownAndSetFromTheCommandLine) {
  ProcessResult set = Run({"handheld", "feeds", "set", "4", "Premieres", server_.Address("/p")});
  ASSERT_EQ(set.exitStatus, 0) << set.output;
  EXPECT_TRUE(Has(set, " 4  Premieres        never       " + server_.Address("/p"))) << set.output;
  ProcessResult bad = Run({"handheld", "feeds", "set", "17", "X", "y"});
  EXPECT_EQ(bad.exitStatus, 2) << bad.output;
  ProcessResult off = Run({"handheld", "feeds", "set", "4", "Premieres", ""});
  EXPECT_TRUE(Has(off, "(no feed: not synchronized)")) << off.output;
  EXPECT_TRUE(Has(off, "Next events run: at the next sync")) << off.output;
  // A calendar site's link is stored as the HTTP address it stands for.
  ProcessResult webcal = Run({"handheld", "feeds", "set", "5", "Site", "webcal://cal.example/films.ics"});
  EXPECT_TRUE(Has(webcal, " 5  Site             never       http://cal.example/films.ics")) << webcal.output;
}

TEST_F(EventsEndToEnd, RepeatingEventsFromACompressedFeedAtAWebcalAddress) {
  const uint32_t first = 3900000000u;  // 2027-08-01: inside the window whatever the handheld's date
  server_.Serve("/my%20films.ics",
                BuildFeed({{"w@x", "Caf\xC3\xA9 Screening", "", ":" + HandheldDateTimeText(first), "",
                            "RRULE:FREQ=WEEKLY;COUNT=3\r\n"}}),
                HttpServer::Mode::kGzip);
  ASSERT_EQ(Run({"handheld", "feeds", "set", "1", "Site", "webcal://" + server_.Address("/my films.ics")}).exitStatus, 0);
  ProcessResult sync = Run({"sync"});
  EXPECT_EQ(sync.exitStatus, 0) << sync.output;
  EXPECT_TRUE(Has(sync, "3 items updated for list 'Site'")) << sync.output;
  ProcessResult table = Run({"handheld", "events", "--format", "tsv"});
  EXPECT_TRUE(Has(table, "w@x\t1\t2027-08-01T")) << table.output;
  EXPECT_TRUE(Has(table, "~20270815T")) << table.output;
  EXPECT_TRUE(Has(table, "Caf\xE9 Screening")) << table.output;
}

TEST_F(EventsEndToEnd, SyncFetchesEachListAndWritesItsEvents) {
  ASSERT_EQ(Run({"handheld", "feeds", "set", "1", "DVD Releases", server_.Address("/dvd")}).exitStatus, 0);
  ASSERT_EQ(Run({"handheld", "feeds", "set", "2", "Broken", server_.Address("/missing")}).exitStatus, 0);
  ASSERT_EQ(Run({"handheld", "feeds", "set", "3", "Short", server_.Address("/short")}).exitStatus, 0);
  // Events from tomorrow on: inside the window whatever the handheld's date.
  server_.Serve("/dvd", GenerateFeed(25, 3900000000u));
  server_.Serve("/short", GenerateFeed(3, 3900000000u), HttpServer::Mode::kCloseEarly);

  ProcessResult sync = Run({"sync"});
  EXPECT_EQ(sync.exitStatus, 4) << sync.output;  // finished, with the broken lists' errors logged
  EXPECT_TRUE(Has(sync, "Synchronizing 'DVD Releases' event records (" + server_.Address("/dvd") + ")")) << sync.output;
  EXPECT_TRUE(Has(sync, "25 items updated for list 'DVD Releases'")) << sync.output;
  EXPECT_TRUE(Has(sync, "An error (No response from server) occured while synchronizing the 'Broken' events."))
      << sync.output;
  EXPECT_TRUE(Has(sync, "[20 Sync Finished] Reelbox")) << sync.output;
#ifndef _WIN32
  EXPECT_TRUE(Has(sync, "Unable to fetch data from URL '" + server_.Address("/short") + "' (error #1/12030 - "))
      << sync.output;
#endif

  ProcessResult lists = Run({"handheld", "feeds"});
  EXPECT_FALSE(Has(lists, "DVD Releases     never")) << lists.output;
  EXPECT_TRUE(Has(lists, "Broken           never")) << lists.output;
  ProcessResult dump = Run({"handheld", "dump", "Movie-Events"});
  EXPECT_TRUE(Has(dump, "record 24:")) << dump.output;
  ProcessResult json = Run({"handheld", "events", "--format", "json"});
  EXPECT_EQ(json.exitStatus, 0) << json.output;
  EXPECT_TRUE(Has(json, "{\"uid\": \"uid-0@test\", \"list\": 1, \"start\": \"2027-08-01T21:20:00\", "
                        "\"end\": \"2027-08-01T22:20:00\", \"summary\": \"Event 0\", "
                        "\"description\": \"Showing number 0, with notes\"}")) << json.output;
  ProcessResult table = Run({"handheld", "events"});
  EXPECT_TRUE(Has(table, "1     2027-08-01 21:20  2027-08-01 22:20  Event 0 ")) << table.output;
#ifndef _WIN32
  // The cut-short feed was not taken (WinInet takes a closed connection for the end of the data).
  EXPECT_FALSE(Has(dump, "record 25:")) << dump.output;
#endif

  ProcessResult again = Run({"sync"});
  EXPECT_EQ(again.exitStatus, 4) << again.output;
  EXPECT_TRUE(Has(again, "0 items updated for list 'DVD Releases'")) << again.output;
#ifndef _WIN32
  // The download's private folder went with the sync.
  EXPECT_TRUE(fs::is_empty(temp_.path()));
#else
  EXPECT_TRUE(fs::exists(fs::path(temp_.path()) / "TQConduit.tmp"));
#endif
}

TEST_F(EventsEndToEnd, CancelDuringADownloadStopsTheListsAndFailsTheSync) {
  ASSERT_EQ(Run({"handheld", "feeds", "set", "1", "First", server_.Address("/one")}).exitStatus, 0);
  ASSERT_EQ(Run({"handheld", "feeds", "set", "2", "Second", server_.Address("/two")}).exitStatus, 0);
  server_.Serve("/one", GenerateFeed(40, 3900000000u));
  server_.Serve("/two", GenerateFeed(40, 3900000000u));
  ProcessResult sync = Run({"sync", "--cancel-at", "Transferring"});
  EXPECT_EQ(sync.exitStatus, 3) << sync.output;
  EXPECT_FALSE(Has(sync, "items updated for list")) << sync.output;
  EXPECT_TRUE(Has(sync, "[21 Sync Aborted] Reelbox")) << sync.output;
  EXPECT_EQ(server_.RequestCount("/two"), 0);
  // The block was still written: both lists keep their window.
  ProcessResult lists = Run({"handheld", "feeds"});
  EXPECT_TRUE(Has(lists, "First            never")) << lists.output;
}

TEST_F(EventsEndToEnd, RefusedConnectionIsReportedAndTheSyncGoesOn) {
  std::string refused = "127.0.0.1:" + std::to_string(HttpServer::RefusingPort()) + "/x";
  ASSERT_EQ(Run({"handheld", "feeds", "set", "1", "Gone", refused}).exitStatus, 0);
  ConduitPrefs p;
  std::string folder = (fs::path(root_.path()) / "Alice" / "Cinevane").string();
  ReadConduitPrefs(Env::Default().Files(), &p, folder.c_str());
  p.eventsInterval = 7 * 86400;
  WriteConduitPrefs(Env::Default().Files(), p, folder.c_str());
  ProcessResult sync = Run({"sync"});
  EXPECT_EQ(sync.exitStatus, 4) << sync.output;
  EXPECT_TRUE(Has(sync, "Unable to fetch data from URL '" + refused + "' (error #3/12029 - ")) << sync.output;
  // Nothing could be fetched: the events stay due; a list that is fetched moves them on a week.
  EXPECT_TRUE(Has(Run({"handheld", "feeds"}), "Next events run: at the next sync"));
  server_.Serve("/ok", GenerateFeed(1, 3900000000u));
  ASSERT_EQ(Run({"handheld", "feeds", "set", "2", "Fine", server_.Address("/ok")}).exitStatus, 0);
  EXPECT_EQ(Run({"sync"}).exitStatus, 4);
  ProcessResult lists = Run({"handheld", "feeds"});
  EXPECT_TRUE(Has(lists, "Next events run: in 7 days")) << lists.output;
}

}  // namespace
