#include "events/event_sync.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <algorithm>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "diag/job_context.h"
#include "device/device_database.h"
#include "device/device_failure.h"
#include "diag/hotsync_log_codes.h"
#include "diag/sync_log.h"
#include "diag/text_string.h"
#include "events/event_index.h"
#include "events/event_record.h"
#include "events/event_series.h"
#include "events/feed_reader.h"
#include "events/feed_time_zones.h"
#include "events/uid_set.h"

namespace {

// A database's record count is 16 bits wide.
constexpr uint32_t kMaxRecords = 0xFFFF;

// The handheld's Latin-1 sort order weighs upper and lower case and the accented forms of a
// letter alike; these are the letters the articles are made of.
char ArticleWeight(unsigned char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
  if (c == 0xAA || (c >= 0xC0 && c <= 0xC5) || (c >= 0xE0 && c <= 0xE5)) return 'A';
  if ((c >= 0xC8 && c <= 0xCB) || (c >= 0xE8 && c <= 0xEB)) return 'E';
  if (c == 0xD1 || c == 0xF1) return 'N';
  return static_cast<char>(c);
}

// True when summary begins with the article (upper case, with its space) and goes on after it.
bool BeginsWithArticle(const std::string& summary, const char* article) {
  size_t i = 0;
  for (; article[i] != '\0'; ++i) {
    if (i >= summary.size() || ArticleWeight(static_cast<unsigned char>(summary[i])) != article[i]) return false;
  }
  return summary.size() > i;
}

void AuditWrite() { LogAudit("   *RECORD UPDATED*\n"); }

}  // namespace

void NormalizeSummary(std::string* summary) {
  // A link is cut with the "- " before it, the first such one if any, else the first link. Most
  // summaries have none: one search says so.
  size_t link = summary->find("<http");
  for (size_t at = link; at != std::string::npos; at = summary->find("<http", at + 1)) {
    if (at >= 2 && summary->compare(at - 2, 2, "- ") == 0) {
      link = at - 2;
      break;
    }
  }
  if (link != std::string::npos) summary->resize(link);
  static const struct {
    const char* pattern;
    const char* suffix;
  } kArticles[] = {{"THE ", ", The"}, {"AN ", ", An"}, {"A ", ", A"}};
  for (const auto& article : kArticles) {
    if (BeginsWithArticle(*summary, article.pattern)) {
      *summary = summary->substr(std::char_traits<char>::length(article.pattern)) + article.suffix;
      return;
    }
  }
}

DeviceError WriteEventRecord(JobContext& driver, DeviceDatabase& database, const EventRecord& record,
                         uint32_t category, uint32_t id, uint32_t* new_id) {
  if (category == kNoCategory) return DeviceError::kBadCategory;
  uint8_t packed[kEventRecordMaxSize];
  size_t size = record.Pack(packed);
  DeviceError result = DeviceError::kOk;
  uint32_t written = id;
  if (id == kNoRecordId) {
    result = database.AddRecordWithId(&written, static_cast<int32_t>(category), packed, static_cast<uint32_t>(size));
  } else {
    result = database.ReadRecordById(id);
    if (result == DeviceError::kOk) {
      int32_t target = static_cast<int32_t>(category);
      result = database.UpdateCurrentRecord(packed, static_cast<uint32_t>(size), &target);
    }
  }
  if (result != DeviceError::kOk) {
    // A new record has no id yet: the entry names none.
    if (id == kNoRecordId) {
      ReportDeviceFailure(driver, LogCode::kRemoteReadFailed, database, result, "Unable to add a record to events Database '%s'",
                          kEventDatabaseName);
    } else {
      ReportDeviceFailure(driver, LogCode::kRemoteReadFailed, database, result,
                          "Unable to seek to or write record ID %lx in events Database '%s'", static_cast<unsigned long>(id),
                          kEventDatabaseName);
    }
    return result;
  }
  if (new_id) *new_id = written;
  return DeviceError::kOk;
}

namespace {

// One list's synchronization: the records it writes, what it has written, and what it has seen.
class ListSync {
 public:
  ListSync(JobContext& driver, DeviceDatabase& database, EventIndex& index, int list, uint32_t window_start,
           uint32_t horizon, ListCounts* counts)
      : driver_(driver),
        database_(database),
        index_(index),
        category_(static_cast<uint32_t>(list)),
        window_start_(window_start),
        horizon_(horizon),
        counts_(counts) {
    // A full database takes no new record, however often asked; the records it holds can still change.
    if (database.GetRecordCount(&held_) != DeviceError::kOk) held_ = 0;
  }

  // First pass: single events are written; series and overrides are noted for the second pass.
  FeedCode FirstPass(const FeedEvent& event, FeedCode code) {
    if (event.usable_start && event.uid) {
      if (event.recurrence_id) {
        if (!registry_.AddOverride(event)) Full(event);
        repeats_ = true;
        return FeedCode::kDone;
      }
      if (event.Repeats()) {
        repeats_ = true;
        if (registry_.AddSeries(event)) return FeedCode::kDone;
        Full(event);  // its first start is still written
      }
    }
    // Both branches name a string, so that the UID is not copied for every event.
    static const std::string kNoUid;
    return Single(event, code, event.uid ? *event.uid : kNoUid, event.start, event.end);
  }

  bool Repeats() const { return repeats_; }
  FeedTimeZones& Zones() { return zones_; }
  void Seal() { registry_.Seal(); }

  // Second pass: the series and overrides.
  FeedCode SecondPass(const FeedEvent& event, FeedCode code) {
    if (!event.usable_start || !event.uid) return FeedCode::kDone;
    const std::string& uid = *event.uid;
    if (event.recurrence_id) {
      uint32_t first = 0;
      FeedTime first_time;
      std::string stored = uid;
      if (registry_.FindSeries(uid, &first, &first_time)) {
        EventClock clock = ClockOf(MasterClockEvent(first_time), zones_);
        uint32_t replaced = TimeInClock(*event.recurrence_id, clock, zones_);
        if (replaced != first) stored = OccurrenceEventUid(uid, replaced);
      } else {
        stored = OccurrenceEventUid(uid, event.recurrence_id->time);
      }
      // An override is an occurrence: written up to the horizon too.
      if (event.start > horizon_) return FeedCode::kDone;
      return Single(event, code, stored, event.start, event.end);
    }
    if (!event.Repeats()) return FeedCode::kDone;
    uint32_t first = 0;
    FeedTime first_time;
    // A UID met again in the feed is a duplicate: only its first series is expanded.
    const uint64_t uid_hash = EventUidHash(uid);
    if (!registry_.FindSeries(uid, &first, &first_time) || first != event.start || expanded_.count(uid_hash) != 0) {
      return FeedCode::kDone;
    }
    expanded_.insert(uid_hash);
    EventClock clock = ClockOf(event, zones_);
    std::vector<uint32_t> overridden = registry_.Overridden(uid, clock, zones_);
    FeedCode result = FeedCode::kDone;
    SeriesExpansion expansion =
        ExpandSeries(event, zones_, overridden, window_start_, horizon_, [&](const SeriesOccurrence& occurrence) {
          std::string stored = occurrence.first ? uid : OccurrenceEventUid(uid, uid_hash, occurrence.start);
          result = Single(event, code, stored, occurrence.start, occurrence.end);
          return result == FeedCode::kDone;
        });
    if (!expansion.rule_ok) {
      LogAudit("BAD DATA (RRULE): '%s' - only its first start written\n", event.summary ? event.summary->c_str() : "");
      some_bad_ = true;
      return result;
    }
    if (expansion.cut) {
      LogDebug("The series '%s' has more than %u occurrences in range: the later ones are not written.\n",
               event.summary ? event.summary->c_str() : uid.c_str(), static_cast<unsigned>(kMaxSeriesOccurrences));
    }
    good_series_.insert(uid_hash);
    if (expansion.first_removed) cancelled_firsts_.push_back(StoredEventUid(uid));
    return result;
  }

  // Deletes the occurrences written before that the feed no longer gives, inside the window and
  // the horizon: only those of series the feed still holds, so nothing else is ever deleted.
  FeedCode DeleteVanished() {
    if (good_series_.empty() && cancelled_firsts_.empty()) return FeedCode::kDone;
    std::vector<std::pair<uint32_t, std::string>> vanished;
    index_.ForEachUnseen([&](const EventRecord& record) {
      uint64_t hash = 0;
      uint32_t start = 0;
      if (record.StartTime() < window_start_ || record.StartTime() > horizon_) return;
      bool occurrence = ParseOccurrenceEventUid(record.Uid(), &hash, &start) && good_series_.count(hash) != 0;
      bool first = std::find(cancelled_firsts_.begin(), cancelled_firsts_.end(), std::string(record.Uid())) !=
                   cancelled_firsts_.end();
      if (occurrence || first) vanished.emplace_back(record.Id(), record.Summary());
    });
    for (const auto& [id, summary] : vanished) {
      LogAudit("GONE: '%s'\n", summary.c_str());
      DeviceError result = database_.DeleteRecord(id);
      if (result != DeviceError::kOk) {
        ReportDeviceFailure(driver_, LogCode::kRemoteReadFailed, database_, result,
                            "Unable to seek to or write record ID %lx in events Database '%s'",
                            static_cast<unsigned long>(id), kEventDatabaseName);
        return FeedCode::kStreamError;
      }
      LogAudit("   *RECORD DELETED*\n");
      ++counts_->written;
      if (held_ > 0) --held_;
    }
    return FeedCode::kDone;
  }

  bool SomeBad() const { return some_bad_; }

 private:
  static FeedEvent MasterClockEvent(const FeedTime& first) {
    FeedEvent event;
    event.utc = first.utc ? 1 : 0;
    if (!first.tzid.empty()) event.tzid = first.tzid;
    return event;
  }

  void Full(const FeedEvent& event) {
    if (!full_logged_) {
      LogDebug("Too many repeating events in one list: from '%s' on, series give their first start only.\n",
               event.summary ? event.summary->c_str() : "");
    }
    full_logged_ = true;
  }

  // One record: the event with the given UID and times, written when new or changed in the window.
  FeedCode Single(const FeedEvent& event, FeedCode code, const std::string& uid_text, uint32_t start, uint32_t end) {
    // The summary and the record are filled anew for every event, in the room the last one left.
    std::string& summary = summary_;
    summary.assign(event.summary ? *event.summary : std::string_view("<no summary available>"));
    NormalizeSummary(&summary);
    EventRecord& feed = feed_;
    feed.SetFromFeedEvent(event, kNoRecordId, category_);
    feed.SetSummary(summary);
    // Without a start or a UID an event could only be stored wrong, or over another event; one
    // with bad end data is stored with end 0.
    if (!event.usable_start || !event.uid) {
      LogAudit("BAD DATA (%s): '%s' - not written\n", code != FeedCode::kDone ? FeedCodeText(code) : "No UID",
               feed.Summary());
      return FeedCode::kDone;
    }
    if (uid_text != *event.uid || start != event.start || end != event.end) feed.SetOccurrence(uid_text, start, end);
    const std::string_view uid(feed.Uid());
    if (written_uids_.Contains(uid)) {
      LogAudit("DUPLICATE UID: '%s' - already written\n", feed.Summary());
      return FeedCode::kDone;
    }
    uint32_t target_category = category_;
    uint32_t target_id = kNoRecordId;
    const EventRecord* stored = index_.FindAndMark(feed.Uid());
    if (stored == nullptr && strnlen(uid_text.c_str(), uid_text.size()) > kEventUidLength) {
      // Records written before long UIDs had a form of their own hold the UID cut to 50
      // characters: the first event of that beginning takes such a record over.
      std::string cut(uid_text.c_str(), kEventUidLength);
      if (!written_uids_.Contains(cut)) stored = index_.FindAndMark(cut.c_str());
      if (stored != nullptr) written_uids_.Insert(cut);
    }
    if (stored != nullptr) {
      if (feed.SameAs(*stored)) {
        LogAudit("EXISTS/MATCH: '%s'\n", feed.Summary());
        return FeedCode::kDone;
      }
      LogAudit("EXISTS/CHANGED: '%s'\n", feed.Summary());
      if (feed.StartTime() < window_start_ && stored->StartTime() < window_start_) {
        LogAudit("   *OUT OF WINDOW - skipped*\n");
        return FeedCode::kDone;
      }
      target_category = stored->Category();
      target_id = stored->Id();
    } else {
      LogAudit("NEW: '%s'", feed.Summary());
      if (feed.StartTime() < window_start_) {
        LogAudit("(out of window - skipping)\n");
        return FeedCode::kDone;
      }
      ++counts_->to_add;
      if (held_ >= kMaxRecords) {
        LogAudit("(database full - not added)\n");
        ++counts_->not_added;
        return FeedCode::kDone;
      }
    }
    if (WriteEventRecord(driver_, database_, feed, target_category, target_id, nullptr) != DeviceError::kOk) {
      return FeedCode::kStreamError;
    }
    if (target_id == kNoRecordId) {
      LogAudit("(writing)\n");
      ++held_;
    }
    AuditWrite();
    ++counts_->written;
    // A UID met again later in the same feed is a duplicate of this record, not another one.
    // written_uids is asked before the index with the same key, so the index need not learn it.
    written_uids_.Insert(uid);
    return FeedCode::kDone;
  }

  JobContext& driver_;
  DeviceDatabase& database_;
  EventIndex& index_;
  const uint32_t category_;
  const uint32_t window_start_;
  const uint32_t horizon_;
  ListCounts* counts_;
  uint32_t held_ = 0;
  UidSet written_uids_;
  std::string summary_;
  EventRecord feed_;
  FeedTimeZones zones_;
  SeriesRegistry registry_;
  std::unordered_set<uint64_t> expanded_;
  std::unordered_set<uint64_t> good_series_;
  std::vector<std::string> cancelled_firsts_;
  bool repeats_ = false;
  bool full_logged_ = false;
  bool some_bad_ = false;
};

}  // namespace

FeedCode SyncEventList(JobContext& driver, DeviceDatabase& database, UrlFetcher& fetcher, EventIndex& index,
                       int list, const std::string& list_name, uint32_t window_start, uint32_t today,
                       ListCounts* counts) {
  const uint32_t horizon = ShiftTime(today, int64_t{kEventHorizonDays + 1} * 86400 - 1);
  ListSync sync(driver, database, index, list, window_start, horizon, counts);
  auto zones = [&](std::string_view text) { sync.Zones().Add(text); };
  FeedCode code = ReadFeed(
      fetcher, list_name.c_str(), [&](const FeedEvent& event, FeedCode parsed) { return sync.FirstPass(event, parsed); },
      zones);
  // A stop asked for during the first pass leaves the series for the next synchronization.
  if ((code != FeedCode::kDone && code != FeedCode::kSomeBadEvents) || driver.Cancelled()) return code;
  if (sync.Repeats()) {
    sync.Seal();
    FeedCode second = ReadFeed(fetcher, list_name.c_str(), [&](const FeedEvent& event, FeedCode parsed) {
      return sync.SecondPass(event, parsed);
    });
    if (second != FeedCode::kDone && second != FeedCode::kSomeBadEvents) return second;
    if (driver.Cancelled()) return FeedCode::kDone;
  }
  FeedCode deleted = sync.DeleteVanished();
  if (deleted != FeedCode::kDone) return deleted;
  return code == FeedCode::kDone && sync.SomeBad() ? FeedCode::kSomeBadEvents : code;
}
