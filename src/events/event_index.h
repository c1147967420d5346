// The stored event records of one list, found by UID.
//
// Keys are equal as TextString's Compare sees them (ASCII case ignored), so UIDs that differ only
// in letter case are one key; inserting an equal key replaces the record. The records lie in one
// array in the order they were inserted, found through a table of their keys' hashes (open
// addressing), so Insert and Find take constant time and a record costs no allocation of its own.
// A record the feed gave again is marked seen, so that what the feed no longer gives can be found
// at the end of the list.
#ifndef REELBOX_EVENTS_EVENT_INDEX_H
#define REELBOX_EVENTS_EVENT_INDEX_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "events/event_record.h"

class EventIndex {
 public:
  EventIndex() = default;
  EventIndex(const EventIndex&) = delete;
  EventIndex& operator=(const EventIndex&) = delete;

  void Clear();
  void Insert(EventRecord record);
  // Copies the record with that UID into *record; false when there is none.
  bool Find(const char* uid, EventRecord* record) const;
  // The record with that UID, now marked seen; nullptr when there is none. Valid until the next
  // Insert or Clear.
  const EventRecord* FindAndMark(const char* uid);
  // Calls visit with every record not marked seen, in the order they were inserted.
  void ForEachUnseen(const std::function<void(const EventRecord&)>& visit) const;
  size_t Count() const { return entries_.size(); }

 private:
  struct Entry {
    EventRecord record;
    uint32_t hash;
    bool seen;
  };
  static constexpr uint32_t kEmpty = 0;  // a slot holds an entry's index + 1

  // The slot of the entry with that key, or the empty slot where it would go.
  size_t SlotOf(std::string_view uid, uint32_t hash) const;
  void Grow();

  std::vector<Entry> entries_;
  std::vector<uint32_t> slots_;
};

#endif  // REELBOX_EVENTS_EVENT_INDEX_H
