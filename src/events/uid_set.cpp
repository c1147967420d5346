#include "events/uid_set.h"

#include "diag/text_string.h"

namespace {

uint32_t HashOf(std::string_view uid) { return static_cast<uint32_t>(FoldedTextHash()(uid)); }

}  // namespace

size_t UidSet::Find(std::string_view uid, uint32_t hash) const {
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& slot = slots_[i];
    if (slot.offset == kEmpty) return i;
    if (slot.hash == hash && slot.length == uid.size() &&
        FoldedTextEqual()(std::string_view(texts_).substr(slot.offset, slot.length), uid)) {
      return i;
    }
  }
}

bool UidSet::Contains(std::string_view uid) const {
  if (count_ == 0) return false;
  return slots_[Find(uid, HashOf(uid))].offset != kEmpty;
}

void UidSet::Insert(std::string_view uid) {
  // At most half full, so a search meets an empty slot soon.
  if ((count_ + 1) * 2 > slots_.size()) Grow();
  const uint32_t hash = HashOf(uid);
  Slot& slot = slots_[Find(uid, hash)];
  if (slot.offset != kEmpty) return;
  slot.hash = hash;
  slot.length = static_cast<uint32_t>(uid.size());
  slot.offset = texts_.size();
  texts_.append(uid);
  ++count_;
}

void UidSet::Grow() {
  std::vector<Slot> old;
  old.swap(slots_);
  slots_.resize(old.empty() ? 64 : old.size() * 2);
  const size_t mask = slots_.size() - 1;
  for (const Slot& slot : old) {
    if (slot.offset == kEmpty) continue;
    size_t i = slot.hash & mask;
    while (slots_[i].offset != kEmpty) i = (i + 1) & mask;
    slots_[i] = slot;
  }
}
