// The stored event records of one list, found by UID.
//
// Keys are ordered by TextString's Compare (ASCII case ignored, texts beginning with punctuation
// last), so UIDs that differ only in letter case are one key; inserting an equal key replaces the
// record. Insert and Find take logarithmic time, so a list of 65,535 records indexes quickly.
#ifndef REELBOX_EVENTS_EVENT_INDEX_H
#define REELBOX_EVENTS_EVENT_INDEX_H

#include <cstddef>
#include <map>

#include "diag/text_string.h"
#include "events/event_record.h"

class EventIndex {
 public:
  EventIndex() = default;
  EventIndex(const EventIndex&) = delete;
  EventIndex& operator=(const EventIndex&) = delete;

  void Clear() { records_.clear(); }
  void Insert(const EventRecord& record);
  // Copies the record with that UID into *record; false when there is none.
  bool Find(const char* uid, EventRecord* record) const;
  size_t Count() const { return records_.size(); }

 private:
  struct KeyLess {
    bool operator()(const TextString& a, const TextString& b) const { return a.Compare(b) < 0; }
  };
  std::map<TextString, EventRecord, KeyLess> records_;
};

#endif  // REELBOX_EVENTS_EVENT_INDEX_H
