#include "events/uid_set.h"

#include <cstring>

#include "diag/text_string.h"
#include "platform/byte_scan.h"

// Eight bytes a step; the last step mixes every bit into the low ones a table uses.
uint32_t FoldedUidHash(std::string_view uid) {
  constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
  uint64_t hash = uid.size() * kMultiplier;
  size_t i = 0;
  for (; i + 8 <= uid.size(); i += 8) {
    hash = (hash ^ byte_scan::FoldLetters(byte_scan::Load(uid.data() + i))) * kMultiplier;
  }
  if (i < uid.size()) {
    // The last eight bytes, overlapping the word before; a shorter text is padded with zeros.
    uint64_t last = 0;
    if (uid.size() >= 8) {
      last = byte_scan::Load(uid.data() + uid.size() - 8);
    } else {
      char rest[8] = {};
      std::memcpy(rest, uid.data(), uid.size());
      last = byte_scan::Load(rest);
    }
    hash = (hash ^ byte_scan::FoldLetters(last)) * kMultiplier;
  }
  hash ^= hash >> 32;
  hash *= kMultiplier;
  return static_cast<uint32_t>(hash >> 32);
}

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
  return slots_[Find(uid, FoldedUidHash(uid))].offset != kEmpty;
}

void UidSet::Insert(std::string_view uid) {
  // At most half full, so a search meets an empty slot soon.
  if ((count_ + 1) * 2 > slots_.size()) Grow();
  const uint32_t hash = FoldedUidHash(uid);
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
