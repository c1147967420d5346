// The stored event records of one list, found by UID.
//
// Keys are equal as TextString's Compare sees them (ASCII case ignored), so UIDs that differ only
// in letter case are one key; inserting an equal key replaces the record. Keys are hashed, so
// Insert and Find take constant time. A record the feed gave again is marked seen, so that what
// the feed no longer gives can be found at the end of the list.
#ifndef REELBOX_EVENTS_EVENT_INDEX_H
#define REELBOX_EVENTS_EVENT_INDEX_H

#include <cstddef>
#include <functional>
#include <string>
#include <unordered_map>

#include "diag/text_string.h"
#include "events/event_record.h"

class EventIndex {
 public:
  EventIndex() = default;
  EventIndex(const EventIndex&) = delete;
  EventIndex& operator=(const EventIndex&) = delete;

  void Clear() { records_.clear(); }
  void Insert(EventRecord record);
  // Copies the record with that UID into *record; false when there is none.
  bool Find(const char* uid, EventRecord* record) const;
  // The record with that UID, now marked seen; nullptr when there is none.
  const EventRecord* FindAndMark(const char* uid);
  // Calls visit with every record not marked seen.
  void ForEachUnseen(const std::function<void(const EventRecord&)>& visit) const;
  size_t Count() const { return records_.size(); }

 private:
  struct Entry {
    EventRecord record;
    bool seen;
  };
  std::unordered_map<std::string, Entry, FoldedTextHash, FoldedTextEqual> records_;
};

#endif  // REELBOX_EVENTS_EVENT_INDEX_H
