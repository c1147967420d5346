// Synchronizes a generated feed of n events into an empty list through the whole conduit (stand-in
// manager, loopback HTTP server), for n = 5000 and n/4; prints the download alone, the whole
// synchronization, the difference (the conduit's own time), and a second, unchanged run.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "conduit/conduit_prefs.h"
#include "conduit/open_conduit.h"
#include "conduit/sync_driver.h"
#include "diag/handheld_link.h"
#include "events/event_app_info.h"
#include "events/url_fetcher.h"
#include "hotsync_session.h"
#include "support/feed_builder.h"
#include "support/handheld.h"
#include "support/http_server.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int32_t Progress(const char*) { return 0; }

int32_t Sync(const reelbox_test::TempUserRoot& root) {
  root.BeginSession();
  SyncProperties p;
  std::memset(&p, 0, sizeof p);
  std::string folder = root.conduitFolder();
  std::memcpy(p.bytes + kFolderOffset, folder.c_str(), folder.size() + 1);
  int32_t result = RunConduit(Progress, p);
  HsEndSession();
  return result;
}

void Run(int events) {
  reelbox_test::TempUserRoot root;
  HttpServer server;
  std::filesystem::create_directories(root.conduitFolder());
  ConduitPrefs prefs;
  ReadConduitPrefs(&prefs, root.conduitFolder().c_str());
  prefs.flags &= ~kPrefsFlagMyMoviesOn;
  prefs.eventsInterval = 0;
  prefs.logLevel = 0;
  WriteConduitPrefs(prefs, root.conduitFolder().c_str());

  root.BeginSession();
  HandheldLink link;
  uint32_t now = 0;
  link.ReadHandheldClock(&now);
  HsEndSession();
  uint32_t today = now / 86400 * 86400;

  hotsync::PalmDatabase db = reelbox_test::NewRecordDatabase("Movie-Events", "QV05", "QVX5");
  db.version = 1;
  EventAppInfo block;
  InitEventAppInfo(today, &block);
  block.SetListName(0, "Bench");
  block.SetAddress(0, server.Address("/bench"));
  for (int i = 1; i < 3; ++i) block.SetAddress(i, "");
  db.hasAppInfo = true;
  db.appInfo.assign(block.bytes, block.bytes + kEventAppInfoSize);
  reelbox_test::WritePalmFile(root.DatabasePath("Movie-Events"), db);
  std::string feed = GenerateFeed(events, today);
  server.Serve("/bench", feed);

  auto start = std::chrono::steady_clock::now();
  TempFileUrlFetcher fetcher;
  int32_t fetched = fetcher.Fetch(server.Url("/bench").c_str());
  double download = Seconds(start);

  start = std::chrono::steady_clock::now();
  int32_t first = Sync(root);
  double sync = Seconds(start);

  start = std::chrono::steady_clock::now();
  int32_t second = Sync(root);
  double again = Seconds(start);

  hotsync::PalmDatabase after;
  std::string error;
  reelbox_test::ReadPalmFile(root.DatabasePath("Movie-Events"), &after, &error);
  std::printf("%5d events (%zu bytes): download %.3fs  sync %.3fs  conduit %.3fs  unchanged rerun %.3fs"
              "  (fetch %d, results %d/%d, %zu records)\n",
              events, feed.size(), download, sync, sync - download, again, fetched, first, second,
              after.records.size());
}

}  // namespace

int main() {
  Run(1250);
  Run(5000);
  return 0;
}
