// Synchronizes three generated feeds of EVENTS events each into an empty event list through the
// whole conduit (stand-in manager, loopback HTTP server) and prints the time of that sync and of
// a second, unchanged one. With DIR, also leaves the three feeds there as feed1.ics.. feed3.ics
// for scripts/bench.py's libical reader.
//
// bench_events_sync EVENTS [DIR]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "conduit/conduit_prefs.h"
#include "conduit/open_conduit.h"
#include "conduit/sync_driver.h"
#include "diag/handheld_link.h"
#include "events/event_app_info.h"
#include "hotsync_session.h"
#include "support/feed_builder.h"
#include "support/handheld.h"
#include "support/http_server.h"
#include "platform/env.h"

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
  int32_t result = RunConduit(Env::Default(), Progress, p);
  HsEndSession();
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  int events = argc > 1 ? std::atoi(argv[1]) : 5000;
  reelbox_test::TempUserRoot root;
  HttpServer server;
  std::filesystem::create_directories(root.conduitFolder());
  ConduitPrefs prefs;
  ReadConduitPrefs(Env::Default().Files(), &prefs, root.conduitFolder().c_str());
  prefs.flags &= ~kPrefsFlagMyMoviesOn;
  prefs.eventsInterval = 0;
  prefs.logLevel = 0;
  WriteConduitPrefs(Env::Default().Files(), prefs, root.conduitFolder().c_str());

  root.BeginSession();
  HandheldLink link(Env::Default().Time());
  uint32_t now = 0;
  link.ReadHandheldClock(&now);
  HsEndSession();
  uint32_t today = now / 86400 * 86400;

  hotsync::PalmDatabase db = reelbox_test::NewRecordDatabase("Movie-Events", "QV05", "QVX5");
  db.version = 1;
  EventAppInfo block;
  InitEventAppInfo(today, &block);
  size_t bytes = 0;
  for (int i = 0; i < 3; ++i) {
    std::string path = "/feed" + std::to_string(i + 1);
    block.SetListName(i, ("Bench " + std::to_string(i + 1)).c_str());
    block.SetAddress(i, server.Address(path));
    // Each list its own showings: the feeds start an hour apart.
    std::string feed = GenerateFeed(events, today + static_cast<uint32_t>(i) * 1200);
    bytes += feed.size();
    if (argc > 2) std::ofstream(std::string(argv[2]) + path + ".ics", std::ios::binary) << feed;
    server.Serve(path, feed);
  }
  db.hasAppInfo = true;
  db.appInfo.assign(block.bytes, block.bytes + kEventAppInfoSize);
  reelbox_test::WritePalmFile(root.DatabasePath("Movie-Events"), db);

  auto start = std::chrono::steady_clock::now();
  int32_t first = Sync(root);
  double sync = Seconds(start);

  start = std::chrono::steady_clock::now();
  int32_t second = Sync(root);
  double again = Seconds(start);

  hotsync::PalmDatabase after;
  std::string error;
  reelbox_test::ReadPalmFile(root.DatabasePath("Movie-Events"), &after, &error);
  if (argc > 2) std::filesystem::copy_file(root.DatabasePath("Movie-Events"), std::string(argv[2]) + "/Movie-Events.pdb",
                                          std::filesystem::copy_options::overwrite_existing);
  std::printf("seconds %.4f rerun %.4f results %d/%d records %zu bytes %zu\n", sync, again, first, second,
              after.records.size(), bytes);
  return first == 0 && second == 0 ? 0 : 1;
}
