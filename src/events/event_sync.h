// Bringing one event list of "Movie-Events" up to date from its downloaded feed.
#ifndef REELBOX_EVENTS_EVENT_SYNC_H
#define REELBOX_EVENTS_EVENT_SYNC_H

#include <cstdint>
#include <string>

#include "device/device_error.h"
#include "events/feed_event.h"

class DeviceDatabase;
class EventIndex;
class EventRecord;
class JobContext;
class UrlFetcher;

constexpr const char* kEventDatabaseName = "Movie-Events";
// Repeating events are written up to the end of this many days after the synchronization's day.
constexpr uint32_t kEventHorizonDays = 366;

// What one list's synchronization did.
struct ListCounts {
  uint16_t written = 0;    // records added, rewritten or deleted
  uint32_t to_add = 0;     // new events inside the window
  uint32_t not_added = 0;  // of those, left out because the database was full
};

// Reads the feed and writes the events that are new or changed and start at or after
// window_start into category list, matching them by UID against index; a UID written before in
// the same feed is a duplicate. A full database gets no new record, but its records still change.
// Repeating events give one record per occurrence up to the horizon after today; an occurrence
// written before that the feed no longer gives is deleted. Adds to *counts. Returns a feed code
// (kDone, kCancelled at the first report, kStreamError when a write or a deletion failed).
FeedCode SyncEventList(JobContext& driver, DeviceDatabase& database, UrlFetcher& fetcher, EventIndex& index,
                       int list, const std::string& list_name, uint32_t window_start, uint32_t today,
                       ListCounts* counts);

// Adds record (id kNoRecordId) or rewrites the record with that id, in category; reports a failure
// in the HotSync log. *new_id (may be null) gets the id written. A DeviceError.
DeviceError WriteEventRecord(JobContext& driver, DeviceDatabase& database, const EventRecord& record,
                             uint32_t category, uint32_t id, uint32_t* new_id);

// Cuts a trailing web address ("- <http..." or "<http...") and moves a leading article to the
// end: "The Matrix" becomes "Matrix, The".
void NormalizeSummary(std::string* summary);

#endif  // REELBOX_EVENTS_EVENT_SYNC_H
