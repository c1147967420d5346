#include "events/event_index.h"

#include <utility>

#include "diag/text_string.h"
#include "events/uid_set.h"

size_t EventIndex::SlotOf(std::string_view uid, uint32_t hash) const {
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const uint32_t slot = slots_[i];
    if (slot == kEmpty) return i;
    const Entry& entry = entries_[slot - 1];
    if (entry.hash == hash && FoldedTextEqual()(entry.record.Uid(), uid)) return i;
  }
}

void EventIndex::Grow() {
  slots_.assign(slots_.empty() ? 64 : slots_.size() * 2, kEmpty);
  const size_t mask = slots_.size() - 1;
  for (size_t e = 0; e < entries_.size(); ++e) {
    size_t i = entries_[e].hash & mask;
    while (slots_[i] != kEmpty) i = (i + 1) & mask;
    slots_[i] = static_cast<uint32_t>(e + 1);
  }
}

void EventIndex::Clear() {
  entries_.clear();
  slots_.clear();
}

void EventIndex::Insert(EventRecord record) {
  // At most half full, so a search meets an empty slot soon.
  if ((entries_.size() + 1) * 2 > slots_.size()) Grow();
  const std::string_view uid(record.Uid());
  const uint32_t hash = FoldedUidHash(uid);
  const size_t slot = SlotOf(uid, hash);
  if (slots_[slot] != kEmpty) {
    // The later record wins, and its key with it.
    entries_[slots_[slot] - 1] = Entry{std::move(record), hash, false};
    return;
  }
  entries_.push_back(Entry{std::move(record), hash, false});
  slots_[slot] = static_cast<uint32_t>(entries_.size());
}

bool EventIndex::Find(const char* uid, EventRecord* record) const {
  if (entries_.empty()) return false;  // a list new on the handheld: no key to hash
  const std::string_view key(uid != nullptr ? uid : "");
  const uint32_t slot = slots_[SlotOf(key, FoldedUidHash(key))];
  if (slot == kEmpty) return false;
  *record = entries_[slot - 1].record;
  return true;
}

const EventRecord* EventIndex::FindAndMark(const char* uid) {
  if (entries_.empty()) return nullptr;
  const std::string_view key(uid != nullptr ? uid : "");
  const uint32_t slot = slots_[SlotOf(key, FoldedUidHash(key))];
  if (slot == kEmpty) return nullptr;
  Entry& entry = entries_[slot - 1];
  entry.seen = true;
  return &entry.record;
}

void EventIndex::ForEachUnseen(const std::function<void(const EventRecord&)>& visit) const {
  for (const Entry& entry : entries_) {
    if (!entry.seen) visit(entry.record);
  }
}
