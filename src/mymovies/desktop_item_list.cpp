#include "mymovies/desktop_item_list.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "movies/movie_item.h"

namespace {

constexpr uint32_t kPoolBlock = 1u << 20;
constexpr uint32_t kTagShift = 24;
constexpr uint32_t kIndexMask = (1u << kTagShift) - 1;
// Big enough for a full handheld's keys without growing more than once.
constexpr size_t kFirstIndexSize = 1u << 16;

uint32_t HashOf(std::string_view key) {
  uint64_t wide = FoldedTextHash()(key);
  uint32_t hash = static_cast<uint32_t>(wide ^ (wide >> 32));
  return hash * 0x9E3779B1u;
}

uint32_t TagOf(uint32_t hash) { return (hash >> kTagShift) | 1u; }

}  // namespace

DesktopItemList::~DesktopItemList() = default;

const char* DesktopItemList::KeyAt(const Entry& entry) const {
  return pool_[entry.at / kPoolBlock].get() + entry.at % kPoolBlock;
}

uint32_t DesktopItemList::Keep(std::string_view key, const uint8_t* packed, uint16_t packed_size) {
  const uint32_t size = static_cast<uint32_t>(key.size()) + 1 + packed_size;
  if (pool_.empty() || kPoolBlock - pool_used_ < size) {
    // Positions are 32 bits: the pool ends at 4 GB, beyond what a 32-bit process holds anyway.
    if (pool_.size() >= 0xFFFFFFFFu / kPoolBlock) throw std::bad_alloc();
    pool_.emplace_back(new char[kPoolBlock]);
    pool_used_ = 0;
  }
  char* kept = pool_.back().get() + pool_used_;
  std::memcpy(kept, key.data(), key.size());
  kept[key.size()] = '\0';
  if (packed_size) std::memcpy(kept + key.size() + 1, packed, packed_size);
  const uint32_t at = static_cast<uint32_t>(pool_.size() - 1) * kPoolBlock + pool_used_;
  pool_used_ += size;
  return at;
}

size_t DesktopItemList::Slot(std::string_view key, uint32_t hash, bool* found) const {
  const size_t mask = index_.size() - 1;
  const uint32_t tag = TagOf(hash) << kTagShift;
  for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const uint32_t held = index_[slot];
    if (held == 0) {
      *found = false;
      return slot;
    }
    if ((held & ~kIndexMask) == tag) {
      const Entry& entry = entries_[(held & kIndexMask) - 1];
      if (FoldedTextEqual()(key, std::string_view(KeyAt(entry), entry.key_size))) {
        *found = true;
        return slot;
      }
    }
  }
}

void DesktopItemList::GrowIndex() {
  std::vector<uint32_t> grown(index_.empty() ? kFirstIndexSize : index_.size() * 2, 0);
  const size_t mask = grown.size() - 1;
  for (uint32_t held : index_) {
    if (held == 0) continue;
    const Entry& entry = entries_[(held & kIndexMask) - 1];
    size_t slot = HashOf(std::string_view(KeyAt(entry), entry.key_size)) & mask;
    while (grown[slot] != 0) slot = (slot + 1) & mask;
    grown[slot] = held;
  }
  index_.swap(grown);
}

ItemRef DesktopItemList::Store(std::string_view key, Entry entry, const uint8_t* packed) {
  order_.clear();
  iterating_ = false;
  if (key.size() > 0xFFFF) key = key.substr(0, 0xFFFF);
  entry.key_size = static_cast<uint16_t>(key.size());
  // At most three quarters of the slots are taken, so probes stay short.
  if ((entries_.size() + 1) * 4 > index_.size() * 3) {
    if (entries_.size() >= kIndexMask - 1) throw std::bad_alloc();
    GrowIndex();
  }
  const uint32_t hash = HashOf(key);
  bool found = false;
  const size_t slot = Slot(key, hash, &found);
  entry.at = Keep(key, packed, entry.packed_size);
  if (found) {
    const ItemRef ref = (index_[slot] & kIndexMask) - 1;
    entries_[ref] = entry;
    return ref;
  }
  entries_.push_back(entry);
  const ItemRef ref = static_cast<ItemRef>(entries_.size() - 1);
  index_[slot] = (TagOf(hash) << kTagShift) | (ref + 1);
  return ref;
}

ItemRef DesktopItemList::Add(MovieItem& item, const char* key) {
  Entry entry{};
  uint32_t size = 0;
  const uint8_t* packed = item.GetPackedRecord(&size);
  if (packed == nullptr) size = 0;
  entry.packed_size = static_cast<uint16_t>(size);
  entry.record_id = item.GetRecordId();
  const uint32_t category = item.GetCategory();
  entry.category = category > 0xFE ? 0xFF : static_cast<uint8_t>(category);
  entry.flags = static_cast<uint8_t>((item.OnDesktop() ? kOnDesktop : 0) | (item.Matched() ? kMatched : 0) |
                                     (item.WriteBack() ? kWriteBack : 0));
  for (int32_t field = 0; field < kMovieFieldCount; ++field) {
    if (item.FieldsPresent().Get(field)) entry.present[field / 8] |= static_cast<uint8_t>(0x80u >> (field % 8));
  }
  return Store(key != nullptr ? key : "", entry, packed);
}

ItemRef DesktopItemList::AddPlaceholder(const char* key) {
  Entry entry{};
  entry.flags = kMatched | kPlaceholder;
  entry.category = 0;
  return Store(key != nullptr ? key : "", entry, nullptr);
}

void DesktopItemList::Rekey(ItemRef ref, const char* key) {
  const Entry& entry = entries_[ref];
  const std::string_view wanted(key != nullptr ? key : "");
  if (wanted == std::string_view(KeyAt(entry), entry.key_size)) return;
  // The key's slot stays: the new text folds to the same key. The old copy stays unused in the
  // pool until Clear.
  const uint8_t* packed = reinterpret_cast<const uint8_t*>(KeyAt(entry)) + entry.key_size + 1;
  const uint32_t at = Keep(wanted.substr(0, 0xFFFF), packed, entry.packed_size);
  entries_[ref].at = at;
  entries_[ref].key_size = static_cast<uint16_t>(std::min<size_t>(wanted.size(), 0xFFFF));
}

bool DesktopItemList::Find(const char* key, ItemRef* ref) const {
  if (index_.empty()) return false;
  const std::string_view wanted(key != nullptr ? key : "");
  bool found = false;
  const size_t slot = Slot(wanted, HashOf(wanted), &found);
  if (!found) return false;
  *ref = (index_[slot] & kIndexMask) - 1;
  return true;
}

void DesktopItemList::Load(ItemRef ref, MovieItem* item) const {
  const Entry& entry = entries_[ref];
  if (entry.flags & kPlaceholder) {
    item->ResetAll();
  } else {
    item->SetPackedRecord(reinterpret_cast<const uint8_t*>(KeyAt(entry)) + entry.key_size + 1, entry.packed_size);
    item->SetCategory(GetCategory(ref));
    for (int32_t field = 0; field < kMovieFieldCount; ++field) {
      if (entry.present[field / 8] & (0x80u >> (field % 8))) item->FieldsPresent().Set(field, 1);
    }
  }
  item->SetRecordId(entry.record_id);
  item->SetOnDesktop(entry.flags & kOnDesktop ? 1 : 0);
  item->SetMatched(entry.flags & kMatched ? 1 : 0);
  item->SetWriteBack(entry.flags & kWriteBack ? 1 : 0);
}

uint32_t DesktopItemList::GetCategory(ItemRef ref) const {
  const uint8_t category = entries_[ref].category;
  return category == 0xFF ? 0xFFFFFFFFu : category;
}

void DesktopItemList::SetFlag(ItemRef ref, uint8_t flag, bool value) {
  uint8_t& flags = entries_[ref].flags;
  flags = static_cast<uint8_t>(value ? flags | flag : flags & ~flag);
}

bool DesktopItemList::First(TextString* key, ItemRef* ref) {
  order_.clear();
  order_.reserve(entries_.size());
  for (ItemRef i = 0; i < entries_.size(); ++i) order_.push_back(i);
  std::sort(order_.begin(), order_.end(),
            [this](ItemRef a, ItemRef b) { return CompareText(KeyAt(entries_[a]), KeyAt(entries_[b])) < 0; });
  cursor_ = 0;
  iterating_ = !order_.empty();
  return Next(key, ref);
}

bool DesktopItemList::Next(TextString* key, ItemRef* ref) {
  if (!iterating_ || cursor_ >= order_.size()) {
    iterating_ = false;
    key->Clear();
    *ref = kNoItem;
    return false;
  }
  const Entry& entry = entries_[order_[cursor_]];
  key->Assign(entry.key_size, KeyAt(entry));
  *ref = order_[cursor_];
  ++cursor_;
  if (cursor_ == order_.size()) iterating_ = false;
  return true;
}

void DesktopItemList::Clear() {
  entries_.clear();
  entries_.shrink_to_fit();
  std::vector<uint32_t>().swap(index_);
  pool_.clear();
  pool_.shrink_to_fit();
  pool_used_ = 0;
  std::vector<ItemRef>().swap(order_);
  cursor_ = 0;
  iterating_ = false;
}
