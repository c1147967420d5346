// The stored event records of one list, found by UID.
//
// Keys are equal as TextString's Compare sees them (ASCII case ignored), so UIDs that differ only
// in letter case are one key; inserting an equal key replaces the record. Keys are hashed, so
// Insert and Find take constant time.
#ifndef REELBOX_EVENTS_EVENT_INDEX_H
#define REELBOX_EVENTS_EVENT_INDEX_H

#include <cstddef>
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
  size_t Count() const { return records_.size(); }

 private:
  std::unordered_map<std::string, EventRecord, FoldedTextHash, FoldedTextEqual> records_;
};

#endif  // REELBOX_EVENTS_EVENT_INDEX_H
