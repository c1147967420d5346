#include "events/event_index.h"

#include <utility>

void EventIndex::Insert(EventRecord record) {
  std::string key(record.Uid());
  auto found = records_.find(key);
  if (found != records_.end()) {
    // The later record wins, and its key with it.
    records_.erase(found);
  }
  records_.emplace(std::move(key), std::move(record));
}

bool EventIndex::Find(const char* uid, EventRecord* record) const {
  if (records_.empty()) return false;  // a list new on the handheld: no key to build
  auto found = records_.find(std::string(uid != nullptr ? uid : ""));
  if (found == records_.end()) return false;
  *record = found->second;
  return true;
}
