#include "events/event_index.h"

#include <utility>

void EventIndex::Insert(EventRecord record) {
  std::string key(record.Uid());
  auto found = records_.find(key);
  if (found != records_.end()) {
    // The later record wins, and its key with it.
    records_.erase(found);
  }
  records_.emplace(std::move(key), Entry{std::move(record), false});
}

bool EventIndex::Find(const char* uid, EventRecord* record) const {
  if (records_.empty()) return false;  // a list new on the handheld: no key to build
  auto found = records_.find(std::string(uid != nullptr ? uid : ""));
  if (found == records_.end()) return false;
  *record = found->second.record;
  return true;
}

const EventRecord* EventIndex::FindAndMark(const char* uid) {
  if (records_.empty()) return nullptr;
  auto found = records_.find(std::string(uid != nullptr ? uid : ""));
  if (found == records_.end()) return nullptr;
  found->second.seen = true;
  return &found->second.record;
}

void EventIndex::ForEachUnseen(const std::function<void(const EventRecord&)>& visit) const {
  for (const auto& entry : records_) {
    if (!entry.second.seen) visit(entry.second.record);
  }
}
