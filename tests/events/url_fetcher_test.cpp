// The download against a real HTTP server on loopback: every fetch code and its log lines.
#include "events/url_fetcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "events/feed_reader.h"
#include "events_env.h"
#include "support/http_server.h"

namespace {

class CancellingFetcher final : public TempFileUrlFetcher {
 public:
  explicit CancellingFetcher(Env& env) : TempFileUrlFetcher(env) {}
  std::string cancel_at;  // the status text whose report asks to stop
  int cancel_after = 1;   // at its nth report
  int reports = 0;
  bool ReportProgress(const char* text) override {
    ++reports;
    return cancel_at != text || --cancel_after > 0;
  }
};

class UrlFetcherTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server_.ok()); }

  // The downloaded file as stored (text mode: CR LF line ends).
  std::string Stored() { return ReadFileBytes(fetcher_.GetTempFilePath()); }
  // The downloaded file as the reader sees it.
  std::string ReadBack() {
    EXPECT_EQ(fetcher_.OpenDownloaded(), DownloadedResult::kOk);
    std::string text;
    char buffer[300];
    uint32_t got = 0;
    while (fetcher_.ReadDownloaded(sizeof(buffer), buffer, &got) == DownloadedResult::kOk && got > 0) text.append(buffer, got);
    fetcher_.CloseDownloaded();
    return text;
  }
  bool Logged(const std::string& line) { return log_.DebugText().find(line) != std::string::npos; }

  HttpServer server_;
  TempDir dir_;
  EventsTestEnv env_{dir_};
  AuditLog log_{env_, dir_};
  CancellingFetcher fetcher_{env_};
};

TEST(FetchAddress, KeepsKnownSchemesAndPutsHttpBeforeTheRest) {
  EXPECT_EQ(FetchAddress("feeds.example/cal/DVD.asp"), "http://feeds.example/cal/DVD.asp");
  EXPECT_EQ(FetchAddress("  HTTP://feeds.example/x"), "HTTP://feeds.example/x");
  EXPECT_EQ(FetchAddress("ftp://feeds.example/x"), "ftp://feeds.example/x");
  EXPECT_EQ(FetchAddress("https://feeds.example/x"), "https://feeds.example/x");
  EXPECT_EQ(FetchAddress("HtTpS://feeds.example/x"), "HtTpS://feeds.example/x");
  EXPECT_EQ(FetchAddress("httpx.example/x"), "http://httpx.example/x");
  // Calendar sites' links, and paths as people type them: sent encoded on every target.
  EXPECT_EQ(FetchAddress("webcal://cal.example/x.ics"), "http://cal.example/x.ics");
  EXPECT_EQ(FetchAddress(" WEBCALS://cal.example/x.ics"), "https://cal.example/x.ics");
  EXPECT_EQ(FetchAddress("cal.example/My Films/\xE9t\xE9\"{x}.ics?a=b c"),
            "http://cal.example/My%20Films/%E9t%E9%22%7Bx%7D.ics?a=b%20c");
  EXPECT_EQ(FetchAddress("cal.example/a%20b"), "http://cal.example/a%20b");
}

TEST_F(UrlFetcherTest, DownloadStoresTheResponseAsText) {
  server_.Serve("/cal/DVD.asp", "BEGIN:VCALENDAR\nEND:VCALENDAR\n");
  EXPECT_EQ(fetcher_.Fetch(server_.Address("/cal/DVD.asp").c_str()), FetchCode::kDone);
  EXPECT_EQ(Stored(), "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n");
  EXPECT_EQ(ReadBack(), "BEGIN:VCALENDAR\nEND:VCALENDAR\n");
  ASSERT_EQ(server_.Requests().size(), 1u);
  EXPECT_EQ(server_.Requests()[0].user_agent, kFetchAgent);
  EXPECT_TRUE(Logged("Checking internet connection...\r\n"));
  EXPECT_TRUE(Logged("URL Ping Success.\r\n"));
  EXPECT_TRUE(Logged("\r\nInternet Connection seems to be OK.\r\nOpening URL\r\n"));
  EXPECT_TRUE(Logged("Connection opened.  Writing data to temp file '" + fetcher_.GetTempFilePath() + "'\r\n"));
}

TEST_F(UrlFetcherTest, EncodedPathsAndCompressedRepliesAreFetched) {
  std::string feed = "BEGIN:VCALENDAR\n";
  while (feed.size() < 150000) feed += "DESCRIPTION:" + std::to_string(feed.size()) + " more text\n";
  server_.Serve("/my%20films.ics", feed, HttpServer::Mode::kGzip);
  server_.Serve("/deflated.ics", feed, HttpServer::Mode::kDeflate);
  // (Compared by size and ends: a mismatch should not print 150 KB.)
  auto same = [&feed](const std::string& got) {
    return got.size() == feed.size() && got.compare(got.size() - 40, 40, feed, feed.size() - 40, 40) == 0 &&
           got == feed;
  };
  EXPECT_EQ(fetcher_.Fetch(("webcal://" + server_.Address("/my films.ics")).c_str()), FetchCode::kDone);
  EXPECT_TRUE(same(ReadBack()));
  // Where deflate is not asked for, the server sends the feed as it is.
  EXPECT_EQ(fetcher_.Fetch(server_.Address("/deflated.ics").c_str()), FetchCode::kDone);
  EXPECT_TRUE(same(ReadBack()));
  std::vector<HttpServer::Request> requests = server_.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].path, "/my%20films.ics");
  EXPECT_NE(requests[0].head.find("gzip"), std::string::npos) << requests[0].head;
}

TEST_F(UrlFetcherTest, TempFileLiesInAFolderOfTheFetchersOwn) {
  std::string temp = dir_.Sub("temp");
  std::string path = fetcher_.GetTempFilePath();
  EXPECT_EQ(path.rfind(temp, 0), 0u) << path;
  EXPECT_EQ(path.substr(path.size() - 14), env_.Files().PathSeparator() + std::string("TQConduit.tmp"));
#ifndef _WIN32
  // Two syncs at once never share a download; the folder and file go with their fetcher.
  server_.Serve("/x", "data");
  {
    TempFileUrlFetcher other(env_);
    EXPECT_NE(other.GetTempFilePath(), path);
    EXPECT_EQ(other.Fetch(server_.Url("/x").c_str()), FetchCode::kDone);
    EXPECT_TRUE(env_.temp_files().FileExists(other.GetTempFilePath()));
  }
  size_t left = 0;
  for (auto it = std::filesystem::directory_iterator(temp); it != std::filesystem::directory_iterator(); ++it) ++left;
  EXPECT_EQ(left, 1u);  // this test's own fetcher's folder
#else
  EXPECT_EQ(path, JoinPath(env_.Files(), temp, "TQConduit.tmp"));
#endif
}

TEST_F(UrlFetcherTest, ResponseIsReadIn16KbPassesWithAReportPer500Bytes) {
  server_.Serve("/feed", std::string(20000, 'x'));
  EXPECT_EQ(fetcher_.Fetch(server_.Url("/feed").c_str()), FetchCode::kDone);
  EXPECT_EQ(Stored().size(), 20000u);
  EXPECT_TRUE(Logged("Beginning read Pass #0, 0 bytes read so far\r\n"));
  EXPECT_TRUE(Logged(", 20000 bytes read so far\r\n"));
  // A pass takes what has arrived, up to 16 KB (WinInet may hand over less at a time).
  EXPECT_FALSE(Logged("Ending read Pass #0, 20000 bytes"));
  const std::string log = log_.DebugText();
  int passes = 0;
  for (size_t at = log.find("Ending read Pass #"); at != std::string::npos; at = log.find("Ending read Pass #", at + 1)) {
    ++passes;
  }
  EXPECT_LT(passes, 20);
  // "Connecting", "Transferring" after opening, then one for every 500 bytes begun in a pass:
  // at least as many as 500-byte passes gave.
  EXPECT_GE(fetcher_.reports, 2 + 40);
  EXPECT_LE(fetcher_.reports, 2 + 40 + passes);
}

TEST_F(UrlFetcherTest, EmptyResponseLeavesAnEmptyFileAfterOnePass) {
  server_.Serve("/empty", "");
  EXPECT_EQ(fetcher_.Fetch(server_.Url("/empty").c_str()), FetchCode::kDone);
  EXPECT_TRUE(env_.temp_files().FileExists(fetcher_.GetTempFilePath()));
  EXPECT_EQ(Stored(), "");
  EXPECT_TRUE(Logged("Ending read Pass #0, 0 bytes read so far\r\n"));
  EXPECT_FALSE(Logged("Pass #1"));
}

TEST_F(UrlFetcherTest, EachDownloadReplacesTheFile) {
  server_.Serve("/a", std::string(900, 'a'));
  server_.Serve("/b", "b");
  EXPECT_EQ(fetcher_.Fetch(server_.Url("/a").c_str()), FetchCode::kDone);
  EXPECT_EQ(fetcher_.Fetch(server_.Url("/b").c_str()), FetchCode::kDone);
  EXPECT_EQ(Stored(), "b");
  EXPECT_EQ(fetcher_.ErrorCode(), 0u);  // the old file was there to delete
}

TEST_F(UrlFetcherTest, NoNetworkGivesTwoWithoutATempFile) {
  env_.internet().connected = false;
  std::string url = server_.Url("/x");
  EXPECT_EQ(fetcher_.Fetch(url.c_str()), FetchCode::kNoNetwork);
  EXPECT_FALSE(env_.temp_files().FileExists(fetcher_.GetTempFilePath()));
  EXPECT_TRUE(Logged("\r\nUnable to connect to '" + url +
                     "' - because there does not seem to be a network connection\r\n"));
  EXPECT_EQ(server_.Requests().size(), 0u);
}

TEST_F(UrlFetcherTest, FailedPingIsLoggedAndTheDownloadGoesOn) {
  env_.internet().ping_fails = true;
  server_.Serve("/x", "data");
  std::string url = server_.Url("/x");
  EXPECT_EQ(fetcher_.Fetch(url.c_str()), FetchCode::kDone);
  // The fetcher's text is still that of the failed deletion of a file that was not there.
  EXPECT_NE(fetcher_.ErrorCode(), 0u);
  EXPECT_TRUE(Logged("\r\nUnable to ping '" + url + "' - " + fetcher_.ErrorText() +
                     "\r\nThis may be a firewall/proxy.  Attempting connection anyway.\r\n"));
  EXPECT_EQ(Stored(), "data");
}

TEST_F(UrlFetcherTest, RefusedConnectionGivesThree) {
  std::string url = "http://127.0.0.1:" + std::to_string(HttpServer::RefusingPort()) + "/x";
  EXPECT_EQ(fetcher_.Fetch(url.c_str()), FetchCode::kOpenUrlFailed);
  EXPECT_EQ(fetcher_.ErrorCode(), 12029u);
  EXPECT_TRUE(Logged("\r\nInvalid Internet connection handle attempting to connect to '" + url +
                     "' - error #2efd ("));
  EXPECT_TRUE(Logged("Additional information (code ") || Logged("[No Additional Information Available]"));
}

TEST_F(UrlFetcherTest, ErrorTextsWithoutASystemMessage) {
  fetcher_.SetInternetError(12007);
  EXPECT_STREQ(fetcher_.ErrorText(), "Unable to resolve internet address - check internet connection (2ee7)");
  fetcher_.SetInternetError(12029);
  EXPECT_STREQ(fetcher_.ErrorText(), "Unable to connect to the internet (2efd)");
  fetcher_.SetInternetError(12006);
  EXPECT_STREQ(fetcher_.ErrorText(), "Invalid URL scheme (must be 'http://' or 'ftp://')");
  fetcher_.SetInternetError(12002);
  EXPECT_STREQ(fetcher_.ErrorText(), "Unknown error 2ee2");
  fetcher_.SetInternetError(0);
  EXPECT_STREQ(fetcher_.ErrorText(), "");
}

TEST_F(UrlFetcherTest, HttpErrorStatusIsKeptAndLoggedAndNoFeedIsRead) {
  server_.Serve("/broken", "", HttpServer::Mode::kServerError);
  server_.Serve("/fine", "BEGIN:VCALENDAR\n");
  EXPECT_EQ(fetcher_.Fetch(server_.Url("/missing").c_str()), FetchCode::kDone);
  EXPECT_EQ(fetcher_.HttpStatus(), 404u);
  EXPECT_TRUE(Logged("HTTP status 404 from '" + server_.Url("/missing") + "': the reply is not read\r\n"));
  EXPECT_EQ(ReadFeed(fetcher_, "L", [](const FeedEvent&, FeedCode) { return FeedCode::kDone; }), FeedCode::kNoResponse);
  EXPECT_EQ(fetcher_.Fetch(server_.Url("/broken").c_str()), FetchCode::kDone);
  EXPECT_EQ(fetcher_.HttpStatus(), 500u);
  EXPECT_EQ(fetcher_.Fetch(server_.Url("/fine").c_str()), FetchCode::kDone);
  EXPECT_EQ(fetcher_.HttpStatus(), 200u);
  EXPECT_EQ(ReadFeed(fetcher_, "L", [](const FeedEvent&, FeedCode) { return FeedCode::kDone; }), FeedCode::kNoCalendar);
}

TEST_F(UrlFetcherTest, CancelWhileConnectingGivesEleven) {
  fetcher_.cancel_at = "Connecting";
  server_.Serve("/x", "data");
  EXPECT_EQ(fetcher_.Fetch(server_.Url("/x").c_str()), FetchCode::kCancelled);
  EXPECT_TRUE(Logged("<Connection Aborted due to apparent user cancel>"));
  EXPECT_EQ(server_.RequestCount("/x"), 0);
}

TEST_F(UrlFetcherTest, CancelWhileTransferringGivesElevenAndReleasesTheFile) {
  fetcher_.cancel_at = "Transferring";
  server_.Serve("/x", std::string(5000, 'x'));
  EXPECT_EQ(fetcher_.Fetch(server_.Url("/x").c_str()), FetchCode::kCancelled);
  EXPECT_EQ(fetcher_.reports, 2);
  // The file was closed: it can be deleted at once (Windows refuses to delete an open file).
  EXPECT_EQ(fetcher_.DeleteDownloaded(), DownloadedResult::kOk);
}

TEST_F(UrlFetcherTest, MissingTempFolderGivesEight) {
  env_.temp_files().set_temp(JoinPath(env_.Files(), dir_.path(), "no-such-folder") + env_.Files().PathSeparator());
  TempFileUrlFetcher fetcher(env_);
  server_.Serve("/x", "data");
  EXPECT_EQ(fetcher.Fetch(server_.Url("/x").c_str()), FetchCode::kTempFileFailed);
  EXPECT_TRUE(Logged("Failed to open temp file '" + fetcher.GetTempFilePath() + "'!\r\n"));
}

TEST_F(UrlFetcherTest, HttpsAddressIsFetchedOverTls) {
  std::string url = "https://127.0.0.1:" + std::to_string(server_.port()) + "/secure";
  EXPECT_EQ(fetcher_.Fetch(url.c_str()), FetchCode::kOpenUrlFailed);
  EXPECT_TRUE(Logged("attempting to connect to '" + url + "'"));
  ASSERT_FALSE(server_.Requests().empty());
  EXPECT_EQ(server_.Requests()[0].head.substr(0, 2), std::string("\x16\x03"));
}

TEST_F(UrlFetcherTest, ConnectionClosedEarlyIsNotAFinishedDownload) {
  server_.Serve("/short", std::string(700, 'c'), HttpServer::Mode::kCloseEarly);
  FetchCode code = fetcher_.Fetch(server_.Url("/short").c_str());
#ifndef _WIN32
  EXPECT_EQ(code, FetchCode::kTransferFailed);
  EXPECT_TRUE(Logged("\r\nUnable to connect to '" + server_.Url("/short") + "' - Unknown error 2efe\r\n"));
#else
  // WinInet takes the closed connection for the end of the response.
  EXPECT_TRUE(code == FetchCode::kDone || code == FetchCode::kTransferFailed) << static_cast<int32_t>(code);
#endif
}

TEST_F(UrlFetcherTest, StalledServerCannotHangTheDownload) {
  server_.SetStallMs(8000);
  server_.Serve("/stall", std::string(1000, 's'), HttpServer::Mode::kStall);
  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(fetcher_.Fetch(server_.Url("/stall").c_str()), FetchCode::kTransferFailed);
  EXPECT_EQ(fetcher_.ErrorCode(), 12002u);
  // The stall time-out is a second here (WinInet may take two more to let go of the request).
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  EXPECT_EQ(Stored(), std::string(500, 's'));
}

TEST_F(UrlFetcherTest, RedirectLoopFailsToOpen) {
  server_.Serve("/loop", "", HttpServer::Mode::kRedirectLoop);
  EXPECT_EQ(fetcher_.Fetch(server_.Url("/loop").c_str()), FetchCode::kOpenUrlFailed);
  EXPECT_EQ(fetcher_.ErrorCode(), kInternetErrorRedirectFailed);
}

TEST_F(UrlFetcherTest, CancelEndsATrickledDownloadAtTheNextPass) {
  server_.SetStallMs(300);
  server_.Serve("/slow", std::string(40, 't'), HttpServer::Mode::kTrickle);
  fetcher_.cancel_at = "Transferring";
  fetcher_.cancel_after = 3;  // after opening, then after the first two passes
  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(fetcher_.Fetch(server_.Url("/slow").c_str()), FetchCode::kCancelled);
  // Each pass takes what has arrived; waiting for a full pass would take the whole 12 seconds.
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(4));
}

}  // namespace
