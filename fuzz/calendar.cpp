// The calendar reader on any bytes: the sliding window, the block search and every value parser.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "events/event_series.h"
#include "events/feed_event.h"
#include "events/feed_reader.h"
#include "events/feed_time_zones.h"
#include "events/url_fetcher.h"
#include "platform/env.h"

namespace {

// Serves the input as the downloaded file, in reads of any size.
class MemoryFetcher final : public UrlFetcher {
 public:
  MemoryFetcher(const uint8_t* data, size_t size)
      : UrlFetcher(Env::Default().Internet()), data_(reinterpret_cast<const char*>(data)), size_(size) {}
  FetchCode Fetch(const char*) override { return FetchCode::kDone; }
  DownloadedResult OpenDownloaded() override {
    offset_ = 0;
    open_ = true;
    return DownloadedResult::kOk;
  }
  DownloadedResult ReadDownloaded(uint32_t count, char* buffer, uint32_t* read) override {
    *read = 0;
    if (!open_) return DownloadedResult::kNotOpen;
    size_t n = size_ - offset_ < count ? size_ - offset_ : count;
    std::memcpy(buffer, data_ + offset_, n);
    offset_ += n;
    *read = static_cast<uint32_t>(n);
    return DownloadedResult::kOk;
  }
  DownloadedResult CloseDownloaded() override {
    open_ = false;
    return DownloadedResult::kOk;
  }
  DownloadedResult DeleteDownloaded() override { return DownloadedResult::kOk; }
  std::string GetTempFilePath() const override { return ""; }

 private:
  const char* data_;
  size_t size_;
  size_t offset_ = 0;
  bool open_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Five windows are enough to slide through; larger seeds only slow the search down.
  if (size > 5 * kFeedBufferSize) size = 5 * kFeedBufferSize;
  MemoryFetcher fetcher(data, size);
  uint64_t sum = 0;
  // Repeating events expanded as a list does it, with the feed's own zones.
  FeedTimeZones zones;
  ReadFeed(
      fetcher, "Fuzz",
      [&](const FeedEvent& event, FeedCode code) {
        sum += event.start + event.end + static_cast<uint32_t>(code);
        if (event.summary) sum += event.summary->size();
        if (event.usable_start && event.Repeats()) {
          EventClock clock = ClockOf(event, zones);
          for (const FeedTime& exdate : event.exdates) sum += TimeInClock(exdate, clock, zones);
          ExpandSeries(event, zones, {}, event.start, ShiftTime(event.start, 400 * 86400),
                       [&sum](const SeriesOccurrence& occurrence) {
                         sum += occurrence.start;
                         return true;
                       });
        }
        return FeedCode::kDone;
      },
      [&zones](std::string_view zone) { zones.Add(zone); });
  // The value parsers on the input taken as one event's text.
  std::string_view text(reinterpret_cast<const char*>(data), size);
  FeedEvent event;
  ParseEvent(text, &event);
  std::optional<std::string> value;
  for (int keyword = 0; keyword < 15; ++keyword) GetPropertyValue(text, keyword, &value);
  uint32_t out = 0;
  ParseDateTime(std::string(text.substr(0, 16)), &out, nullptr);
  ParseDuration(std::string(text.substr(0, 24)), &out);
  return sum == 1 ? 1 : 0;
}
