#include "events/event_sync.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>
#include <utility>

#include "diag/job_context.h"
#include "device/device_database.h"
#include "device/device_failure.h"
#include "diag/hotsync_log_codes.h"
#include "diag/sync_log.h"
#include "diag/text_string.h"
#include "events/event_index.h"
#include "events/event_record.h"
#include "events/feed_reader.h"

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
  size_t link = summary->find("- <http");
  if (link == std::string::npos) link = summary->find("<http");
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

FeedCode SyncEventList(JobContext& driver, DeviceDatabase& database, UrlFetcher& fetcher, const EventIndex& index,
                      int list, const std::string& list_name, uint32_t window_start, ListCounts* counts) {
  const uint32_t category = static_cast<uint32_t>(list);
  // A full database takes no new record, however often asked; the records it holds can still change.
  uint32_t held = 0;
  if (database.GetRecordCount(&held) != DeviceError::kOk) held = 0;
  // A UID repeated in one feed (recurring events, overrides) is one record: written once.
  std::unordered_set<std::string, FoldedTextHash, FoldedTextEqual> written_uids;
  return ReadFeed(fetcher, list_name.c_str(), [&](const FeedEvent& event, FeedCode code) -> FeedCode {
    std::string summary = event.summary ? *event.summary : "<no summary available>";
    NormalizeSummary(&summary);
    EventRecord feed;
    feed.SetFromFeedEvent(event, kNoRecordId, category);
    feed.SetSummary(summary);
    // Without a start or a UID an event could only be stored wrong, or over another event; one
    // with bad end data is stored with end 0.
    if (!event.usable_start || !event.uid) {
      LogAudit("BAD DATA (%s): '%s' - not written\n", code != FeedCode::kDone ? FeedCodeText(code) : "No UID",
               feed.Summary());
      return FeedCode::kDone;
    }
    std::string uid(feed.Uid());
    if (written_uids.count(uid) != 0) {
      LogAudit("DUPLICATE UID: '%s' - already written\n", feed.Summary());
      return FeedCode::kDone;
    }
    EventRecord stored;
    uint32_t target_category = category;
    uint32_t target_id = kNoRecordId;
    bool found = index.Find(uid.c_str(), &stored);
    if (!found && strnlen(event.uid->c_str(), event.uid->size()) > kEventUidLength) {
      // Records written before long UIDs had a form of their own hold the UID cut to 50
      // characters: the first event of that beginning takes such a record over.
      std::string cut(event.uid->c_str(), kEventUidLength);
      found = written_uids.count(cut) == 0 && index.Find(cut.c_str(), &stored);
      if (found) written_uids.insert(cut);
    }
    if (found) {
      if (feed.SameAs(stored)) {
        LogAudit("EXISTS/MATCH: '%s'\n", feed.Summary());
        return FeedCode::kDone;
      }
      LogAudit("EXISTS/CHANGED: '%s'\n", feed.Summary());
      if (feed.StartTime() < window_start && stored.StartTime() < window_start) {
        LogAudit("   *OUT OF WINDOW - skipped*\n");
        return FeedCode::kDone;
      }
      target_category = stored.Category();
      target_id = stored.Id();
    } else {
      LogAudit("NEW: '%s'", feed.Summary());
      if (feed.StartTime() < window_start) {
        LogAudit("(out of window - skipping)\n");
        return FeedCode::kDone;
      }
      ++counts->to_add;
      if (held >= kMaxRecords) {
        LogAudit("(database full - not added)\n");
        ++counts->not_added;
        return FeedCode::kDone;
      }
    }
    if (WriteEventRecord(driver, database, feed, target_category, target_id, nullptr) != DeviceError::kOk) {
      return FeedCode::kStreamError;
    }
    if (target_id == kNoRecordId) {
      LogAudit("(writing)\n");
      ++held;
    }
    AuditWrite();
    ++counts->written;
    // A UID met again later in the same feed is a duplicate of this record, not another one.
    // written_uids is asked before the index with the same key, so the index need not learn it.
    written_uids.insert(std::move(uid));
    return FeedCode::kDone;
  });
}
