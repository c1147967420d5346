// The calendar reader over a downloaded file: every feed code, the sliding window, real feeds.
#include "events/feed_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "events/url_fetcher.h"
#include "events_env.h"
#include "platform/text_stream.h"
#include "support/feed_builder.h"

namespace {

// A fetcher whose progress reports can ask to stop at the nth report (1 = the first).
class StoppableFetcher final : public TempFileUrlFetcher {
 public:
  explicit StoppableFetcher(Env& env) : TempFileUrlFetcher(env) {}
  int reports = 0;
  int stop_at = 0;
  bool ReportProgress(const char* text) override {
    ++reports;
    last_status = text;
    return stop_at == 0 || reports < stop_at;
  }
  std::string last_status;
};

class FeedReaderTest : public ::testing::Test {
 protected:
  // Stores the feed as a download stores it: in text mode.
  void Download(const std::string& feed) {
    std::unique_ptr<TextStream> stream;
    ASSERT_EQ(TextStream::Open(env_.Files(), fetcher_.GetTempFilePath(), FileMode::kWriteCreateAlways, &stream), 0u);
    stream->Write(feed);
    ASSERT_EQ(stream->Close(), 0u);
  }

  struct Seen {
    FeedEvent event;
    FeedCode code;
  };

  FeedCode Read(const std::string& feed, FeedCode stop_with = FeedCode::kDone, size_t stop_after = 0) {
    Download(feed);
    seen_.clear();
    return ReadFeed(fetcher_, "DVD Releases", [&](const FeedEvent& e, FeedCode code) {
      seen_.push_back(Seen{e, code});
      return stop_after != 0 && seen_.size() == stop_after ? stop_with : FeedCode::kDone;
    });
  }

  TempDir dir_;
  EventsTestEnv env_{dir_};
  StoppableFetcher fetcher_{env_};
  std::vector<Seen> seen_;
};

TEST_F(FeedReaderTest, ReadsEveryEventWithItsFields) {
  std::vector<TestEvent> events = {
      {"a@x", "First", "Line one\\nline two", ";VALUE=DATE:20060401", ";VALUE=DATE:20060402", ""},
      {"b@x", "Second", "", ":20060401T203000Z", "", "DURATION:PT1H30M\r\n"},
      {"c@x", "Third", "", ";TZID=Europe/Paris:20060401T203000", ":20060401T213000", ""},
  };
  EXPECT_EQ(Read(BuildFeed(events)), FeedCode::kDone);
  ASSERT_EQ(seen_.size(), 3u);
  EXPECT_EQ(seen_[0].event.uid, "a@x");
  EXPECT_EQ(seen_[0].event.description, "Line one\nline two");
  EXPECT_EQ(seen_[0].event.end - seen_[0].event.start, 86400u);
  EXPECT_EQ(seen_[0].event.utc, 0);
  EXPECT_FALSE(seen_[1].event.description.has_value());
  EXPECT_EQ(seen_[1].event.utc, 1);
  EXPECT_EQ(seen_[1].event.end - seen_[1].event.start, 5400u);
  EXPECT_EQ(seen_[2].event.tzid, "Europe/Paris");
  EXPECT_EQ(seen_[2].event.end - seen_[2].event.start, 3600u);
  EXPECT_EQ(fetcher_.last_status, "Synchronizing remote 'DVD Releases'");
}

TEST_F(FeedReaderTest, DtendWinsOverDuration) {
  EXPECT_EQ(Read(BuildFeed({{"a", "S", "", ":20060401T100000", ":20060401T110000", "DURATION:P2D\r\n"}})),
            FeedCode::kDone);
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].event.end - seen_[0].event.start, 3600u);
}

TEST_F(FeedReaderTest, LineFeedAndCrLfFeedsReadAlike) {
  std::string crlf = GenerateFeed(30, 3300000000u, "\r\n");
  std::string lf = GenerateFeed(30, 3300000000u, "\n");
  EXPECT_EQ(Read(crlf), FeedCode::kDone);
  std::vector<Seen> first = seen_;
  EXPECT_EQ(Read(lf), FeedCode::kDone);
  ASSERT_EQ(seen_.size(), first.size());
  for (size_t i = 0; i < first.size(); ++i) {
    EXPECT_EQ(seen_[i].event.uid, first[i].event.uid);
    EXPECT_EQ(seen_[i].event.description, first[i].event.description);
    EXPECT_EQ(seen_[i].event.start, first[i].event.start);
  }
}

TEST_F(FeedReaderTest, FeedLargerThanTheWindowIsReadCompletely) {
  std::string feed = GenerateFeed(2000, 3300000000u);
  ASSERT_GT(feed.size(), 10u * kFeedBufferSize);
  EXPECT_EQ(Read(feed), FeedCode::kDone);
  ASSERT_EQ(seen_.size(), 2000u);
  EXPECT_EQ(seen_.back().event.uid, "uid-1999@test");
  EXPECT_EQ(seen_.back().event.start, 3300000000u + 1999u * 3600u);
  // One report before the events and one every 20 events.
  EXPECT_EQ(fetcher_.reports, 1 + 100);
}

TEST_F(FeedReaderTest, EventStartingJustPastTheWindowIsNotLost) {
  // A first event long enough that the next BEGIN line lies beyond the window after it.
  std::string padding(kFeedBufferSize - 400, 'p');
  std::vector<TestEvent> events = {{"big", "Big", padding, ":20060401", "", ""},
                                   {"next", "Next", "", ":20060402", "", ""}};
  EXPECT_EQ(Read(BuildFeed(events)), FeedCode::kDone);
  ASSERT_EQ(seen_.size(), 2u);
  EXPECT_EQ(seen_[1].event.uid, "next");
}

TEST_F(FeedReaderTest, EventLongerThanTheWindowIsTruncated) {
  std::vector<TestEvent> events = {{"a", "A", "", ":20060401", "", ""},
                                   {"huge", "Huge", std::string(kFeedBufferSize, 'd'), ":20060401", "", ""},
                                   {"c", "C", "", ":20060401", "", ""}};
  EXPECT_EQ(Read(BuildFeed(events)), FeedCode::kTruncatedEvent);
  ASSERT_EQ(seen_.size(), 1u);
}

TEST_F(FeedReaderTest, MissingBlocksGiveTheirCodes) {
  EXPECT_EQ(Read("<html><body>404 Not Found</body></html>\n"), FeedCode::kNoCalendar);
  EXPECT_EQ(Read(""), FeedCode::kNoCalendar);
  EXPECT_EQ(Read("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nEND:VCALENDAR\r\n"), FeedCode::kNoEvents);
  EXPECT_TRUE(seen_.empty());
}

TEST_F(FeedReaderTest, FeedsAsCalendarProgramsWriteThem) {
  // A byte order mark and blank lines before the calendar, empty texts as a web calendar exports
  // them, a TZID folded inside the parameters, a TAB fold, and an alarm nested in the event.
  const std::string feed =
      "\xEF\xBB\xBF\r\n  \r\nBEGIN:VCALENDAR\r\nX-WR-CALNAME:\r\nBEGIN:VEVENT\r\n"
      "DTSTART;TZID=America/Argentin\r\n a/Buenos_Aires:20060401T100000\r\n"
      "LOCATION:\r\nSUMMARY:Folded\r\n\twith a tab\r\nUID:a@x\r\n"
      "BEGIN:VALARM\r\nDESCRIPTION:Alarm text\r\nDURATION:PT15M\r\nEND:VALARM\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:\r\nSUMMARY:No UID\r\nDTSTART:20060401\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:c@x\r\nSUMMARY:\r\nDESCRIPTION:\r\nDTSTART:20060401\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
  // The event without a UID marks the list.
  EXPECT_EQ(Read(feed), FeedCode::kSomeBadEvents);
  ASSERT_EQ(seen_.size(), 3u);
  EXPECT_EQ(seen_[0].code, FeedCode::kDone);
  EXPECT_EQ(seen_[0].event.uid, "a@x");
  EXPECT_EQ(seen_[0].event.summary, "Foldedwith a tab");
  EXPECT_EQ(seen_[0].event.tzid, "America/Argentina/Buenos_Aires");
  // The alarm's texts and duration are not the event's.
  EXPECT_FALSE(seen_[0].event.description.has_value());
  EXPECT_EQ(seen_[0].event.end, 0u);
  EXPECT_EQ(seen_[1].code, FeedCode::kDone);
  EXPECT_FALSE(seen_[1].event.uid.has_value());
  EXPECT_EQ(seen_[2].event.summary, "");
  EXPECT_EQ(seen_[2].event.description, "");
}

TEST_F(FeedReaderTest, BadPropertyMarksItsEventAndTheListGoesOn) {
  // A groupware export: the quote swallows the colon of the DTSTART line.
  const std::string feed =
      "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:q@x\r\nSUMMARY:Quoted\r\n"
      "DTSTART;TZID=\"W. Europe Standard Time:20200609T090000\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:s@x\r\nSUMMARY;LANGUAGE=\"de:Film\r\nDTSTART:20200610\r\nEND:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:after@x\r\nSUMMARY:After\r\nDTSTART:20200611\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n";
  EXPECT_EQ(Read(feed), FeedCode::kSomeBadEvents);
  ASSERT_EQ(seen_.size(), 3u);
  EXPECT_EQ(seen_[0].code, FeedCode::kNoStartTime);
  EXPECT_FALSE(seen_[0].event.usable_start);
  EXPECT_TRUE(seen_[1].event.bad_property);
  EXPECT_FALSE(seen_[1].event.summary.has_value());
  EXPECT_TRUE(seen_[1].event.usable_start);
  EXPECT_EQ(seen_[2].code, FeedCode::kDone);
  EXPECT_EQ(seen_[2].event.summary, "After");
}

TEST_F(FeedReaderTest, Utf8TextsBecomeWindows1252AndOthersStayAsTheyAre) {
  std::vector<TestEvent> events = {
      {"u@x", "Caf\xC3\xA9 \xE2\x82\xAC" "5 \xE6\x97\xA5", "Na\xC3\xAFve", ":20060401", "", ""},
      {"w@x", "Caf\xE9", "\x80 5", ":20060401", "", ""}};
  EXPECT_EQ(Read(BuildFeed(events)), FeedCode::kDone);
  ASSERT_EQ(seen_.size(), 2u);
  EXPECT_EQ(seen_[0].event.summary, "Caf\xE9 \x80" "5 ?");
  EXPECT_EQ(seen_[0].event.description, "Na\xEFve");
  EXPECT_EQ(seen_[1].event.summary, "Caf\xE9");
  EXPECT_EQ(seen_[1].event.description, "\x80 5");
}

TEST_F(FeedReaderTest, BadDatesAreHandedOnAndMarkTheList) {
  std::vector<TestEvent> events = {{"nostart", "No start", "", "", "", ""},
                                   {"x", "Bad zone letter", "", ":20060401T203000X", "", ""},
                                   {"old", "Old", "", ":19991231", "", ""},
                                   {"time", "Bad time", "", ":20060401T256000", "", ""},
                                   {"dur", "Bad duration", "", ":20060401", "", "DURATION:P2X\r\n"},
                                   {"ok", "Fine", "", ":20060401", "", ""},
                                   {"end", "Bad end", "", ":20060401T100000", ":2006", ""}};
  EXPECT_EQ(Read(BuildFeed(events)), FeedCode::kSomeBadEvents);
  ASSERT_EQ(seen_.size(), 7u);
  EXPECT_EQ(seen_[0].code, FeedCode::kNoStartTime);
  EXPECT_EQ(seen_[0].event.uid, "nostart");
  EXPECT_EQ(seen_[1].code, FeedCode::kBadDateTimeFormat);
  EXPECT_EQ(seen_[1].event.summary, "Bad zone letter");
  EXPECT_EQ(seen_[2].code, FeedCode::kInvalidDate);
  EXPECT_EQ(seen_[3].code, FeedCode::kInvalidTime);
  EXPECT_EQ(seen_[4].code, FeedCode::kInvalidDuration);
  EXPECT_EQ(seen_[5].code, FeedCode::kDone);
  // Bad end data keeps the start usable, with end 0; bad start data never does.
  EXPECT_EQ(seen_[6].code, FeedCode::kBadDateTimeFormat);
  EXPECT_TRUE(seen_[6].event.usable_start);
  EXPECT_NE(seen_[6].event.start, 0u);
  EXPECT_EQ(seen_[6].event.end, 0u);
  EXPECT_TRUE(seen_[4].event.usable_start);
  EXPECT_EQ(seen_[4].event.end, 0u);
  for (size_t i = 0; i < 4; ++i) EXPECT_FALSE(seen_[i].event.usable_start) << i;
}

TEST_F(FeedReaderTest, DescriptionMentioningPropertiesDoesNotFoolTheReader) {
  std::vector<TestEvent> events = {
      {"real-uid", "Real", "Use DTSTART:19990101 or\r\nUID:fake and END:VEVENT", ":20060401", "", ""},
      {"second", "Second", "", ":20060402", "", ""}};
  EXPECT_EQ(Read(BuildFeed(events)), FeedCode::kDone);
  ASSERT_EQ(seen_.size(), 2u);
  EXPECT_EQ(seen_[0].event.uid, "real-uid");
  EXPECT_EQ(seen_[0].code, FeedCode::kDone);
}

TEST_F(FeedReaderTest, StopAtTheFirstReportGivesTen) {
  fetcher_.stop_at = 1;
  EXPECT_EQ(Read(GenerateFeed(5, 3300000000u)), FeedCode::kCancelled);
  EXPECT_TRUE(seen_.empty());
}

TEST_F(FeedReaderTest, StopAtALaterReportEndsTheListQuietly) {
  fetcher_.stop_at = 3;  // before the events 0, then 20: the stop comes before event 20
  EXPECT_EQ(Read(GenerateFeed(50, 3300000000u)), FeedCode::kDone);
  EXPECT_EQ(seen_.size(), 20u);
}

TEST_F(FeedReaderTest, HandlerCodeEndsTheList) {
  EXPECT_EQ(Read(GenerateFeed(10, 3300000000u), FeedCode::kStreamError, 4), FeedCode::kStreamError);
  EXPECT_EQ(seen_.size(), 4u);
}

TEST_F(FeedReaderTest, NulByteEndsTheData) {
  std::string feed = GenerateFeed(3, 3300000000u);
  feed.insert(feed.find("uid-2@test"), 1, '\0');
  EXPECT_EQ(Read(feed), FeedCode::kTruncatedEvent);
  EXPECT_EQ(seen_.size(), 2u);
}

TEST_F(FeedReaderTest, UnreadableDownloadIsAStreamError) {
  seen_.clear();
  fetcher_.DeleteDownloaded();
  EXPECT_EQ(ReadFeed(fetcher_, "L", [](const FeedEvent&, FeedCode) { return FeedCode::kDone; }),
            FeedCode::kStreamError);
}

TEST_F(FeedReaderTest, RealFeedsGiveEveryEventWithAUidAndAStart) {
  const std::pair<const char*, size_t> feeds[] = {{"OZMovies.ics", 182},     {"mathBirthdays.ics", 1321},
                                                  {"Misc.History.ics", 431}, {"THFC.ics", 114},
                                                  {"lastfm.ics", 33},        {"google_aus_holidays.ics", 96},
                                                  {"Session6.ics", 1}};
  for (const auto& [name, events] : feeds) {
    std::string stored = ReadTestFeed(name);
    ASSERT_FALSE(stored.empty()) << name;
    std::string crlf;
    for (char c : stored) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    // As stored (LF), as servers also send it (CR LF), and saved with a byte order mark.
    for (const std::string& text : {stored, crlf, "\xEF\xBB\xBF" + stored}) {
      FeedCode code = Read(text);
      EXPECT_TRUE(code == FeedCode::kDone || code == FeedCode::kSomeBadEvents)
          << name << " " << std::hex << static_cast<int32_t>(code);
      EXPECT_EQ(seen_.size(), events) << name;
      for (const Seen& seen : seen_) {
        EXPECT_TRUE(seen.event.uid && seen.event.usable_start) << name << " " << seen.event.uid.value_or("-");
      }
    }
  }
}

}  // namespace
