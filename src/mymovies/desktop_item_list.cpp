#include "mymovies/desktop_item_list.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "movies/movie_item.h"
#include "movies/movie_record.h"
#include "platform/byte_scan.h"

namespace {

constexpr uint32_t kPoolBlock = 1u << 20;
constexpr uint32_t kTagShift = 24;
constexpr uint32_t kIndexMask = (1u << kTagShift) - 1;
// The index starts small (64 KB) and doubles: a list of a few thousand movies keeps its index in
// the cache, and growing reads only the kept hashes.
constexpr size_t kFirstIndexSize = 1u << 14;
// Lists up to this many entries sort by key prefixes first (see SortByPrefix).
constexpr size_t kPrefixSortLimit = 1u << 18;

unsigned char Fold(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}

// A hash of the key's folded bytes, taken a machine word a step: the hash only places keys in
// the index, so each target takes the arithmetic it does in single instructions.
uint32_t HashOf(std::string_view key) {
  using Word = byte_scan::Word;
  constexpr bool kWide = sizeof(Word) == 8;
  Word hash = static_cast<Word>(kWide ? 14695981039346656037ull : 2166136261u);
  auto mix = [&hash](Word word) {
    hash = (hash ^ byte_scan::FoldLetters(word)) * static_cast<Word>(kWide ? 0x9E3779B97F4A7C15ull : 0x9E3779B1u);
    hash ^= hash >> (kWide ? 29 : 15);
  };
  const char* p = key.data();
  size_t n = key.size();
  const size_t whole = key.size();
  for (; n >= sizeof(Word); p += sizeof(Word), n -= sizeof(Word)) mix(byte_scan::LoadWord(p));
  if (n > 0) {
    // The last bytes as a little-endian word, zeros above: from the word that ends the key when
    // the key is that long, no call for a copy of a few bytes.
    Word last = 0;
    if (whole >= sizeof(Word)) {
      last = byte_scan::LoadWord(p + n - sizeof(Word)) >> (8 * (sizeof(Word) - n));
    } else {
      for (size_t i = 0; i < n; ++i) last |= static_cast<Word>(static_cast<unsigned char>(p[i])) << (8 * i);
    }
    mix(last);
  }
  if constexpr (kWide) {
    uint64_t h = hash ^ key.size();
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return static_cast<uint32_t>(h);
  } else {
    uint32_t h = static_cast<uint32_t>(hash ^ key.size());
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
  }
}

// Whether a equals the start of b, letter case ignored.
bool FoldedSame(std::string_view a, std::string_view b) { return byte_scan::FoldedEqual(a.data(), b.data(), a.size()); }

uint32_t TagOf(uint32_t hash) { return (hash >> kTagShift) | 1u; }

// The title of a packed record with its outer blanks dropped, as BuildKey takes it.
std::string_view TrimmedTitle(const uint8_t* packed, size_t size) {
  if (packed == nullptr || size <= movie_record::kFixedSize) return {};
  const char* begin = reinterpret_cast<const char*>(packed) + movie_record::kFixedSize;
  const char* limit = reinterpret_cast<const char*>(packed) + size;
  const char* end = byte_scan::FindByte(begin, limit, '\0');
  while (begin < end && IsSpaceChar(*begin)) ++begin;
  while (end > begin && IsSpaceChar(end[-1])) --end;
  return std::string_view(begin, static_cast<size_t>(end - begin));
}

}  // namespace

DesktopItemList::~DesktopItemList() = default;

const char* DesktopItemList::KeptAt(const Entry& entry) const {
  return pool_[entry.at / kPoolBlock].get() + entry.at % kPoolBlock;
}

const uint8_t* DesktopItemList::PackedAt(const Entry& entry) const {
  return reinterpret_cast<const uint8_t*>(KeptAt(entry)) + entry.key_size + 1;
}

DesktopItemList::Key DesktopItemList::KeyOf(const Entry& entry) const {
  Key key;
  key.tail = std::string_view(KeptAt(entry), entry.key_size);
  if (entry.flags & kKeyAfterTitle) {
    key.head = std::string_view(reinterpret_cast<const char*>(PackedAt(entry)) + movie_record::kFixedSize,
                                entry.head_size);
  }
  return key;
}

uint32_t DesktopItemList::Keep(std::string_view key, const uint8_t* packed, Entry* entry) {
  std::string_view kept = key.substr(0, 0xFFFF);
  entry->flags = static_cast<uint8_t>(entry->flags & ~kKeyAfterTitle);
  entry->head_size = 0;
  // Only a title without leading blanks, so the key's head is found without a scan.
  const std::string_view title = TrimmedTitle(packed, entry->packed_size);
  if (!title.empty() && title.size() <= 0xFF && title.data() == reinterpret_cast<const char*>(packed) + movie_record::kFixedSize &&
      kept.size() >= title.size() && kept.compare(0, title.size(), title) == 0) {
    kept.remove_prefix(title.size());
    entry->flags |= kKeyAfterTitle;
    entry->head_size = static_cast<uint8_t>(title.size());
  }
  const uint32_t size = static_cast<uint32_t>(kept.size()) + 1 + entry->packed_size;
  if (pool_.empty() || kPoolBlock - pool_used_ < size) {
    // Positions are 32 bits: the pool ends at 4 GB, beyond what a 32-bit process holds anyway.
    if (pool_.size() >= 0xFFFFFFFFu / kPoolBlock) throw std::bad_alloc();
    // Owned before the list grows: when growing fails, the block goes with the exception.
    std::unique_ptr<char[]> block(new char[kPoolBlock]);
    pool_.push_back(std::move(block));
    pool_used_ = 0;
  }
  char* target = pool_.back().get() + pool_used_;
  std::memcpy(target, kept.data(), kept.size());
  target[kept.size()] = '\0';
  if (entry->packed_size) std::memcpy(target + kept.size() + 1, packed, entry->packed_size);
  entry->key_size = static_cast<uint16_t>(kept.size());
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
      const Key listed = KeyOf(entries_[(held & kIndexMask) - 1]);
      if (key.size() == listed.head.size() + listed.tail.size() && FoldedSame(listed.head, key) &&
          FoldedSame(listed.tail, key.substr(listed.head.size()))) {
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
    size_t slot = hashes_[(held & kIndexMask) - 1] & mask;
    while (grown[slot] != 0) slot = (slot + 1) & mask;
    grown[slot] = held;
  }
  index_.swap(grown);
}

std::string_view DesktopItemList::KeptKey(const char* key) {
  return std::string_view(key != nullptr ? key : "").substr(0, 0xFFFF);
}

void DesktopItemList::Prefetch(uint32_t hash) const {
  // The slot is far from what the line's parsing touched: its load can go on while the item is
  // packed.
  if (!index_.empty()) __builtin_prefetch(&index_[hash & (index_.size() - 1)]);
}

ItemRef DesktopItemList::Store(std::string_view key, uint32_t hash, Entry entry, const uint8_t* packed,
                               bool replace) {
  order_.clear();
  iterating_ = false;
  // At most three quarters of the slots are taken, so probes stay short.
  if ((entries_.size() + 1) * 4 > index_.size() * 3) {
    if (entries_.size() >= kIndexMask - 1) throw std::bad_alloc();
    GrowIndex();
  }
  bool found = false;
  const size_t slot = Slot(key, hash, &found);
  if (found && !replace) return kNoItem;
  entry.at = Keep(key, packed, &entry);
  if (found) {
    const ItemRef ref = (index_[slot] & kIndexMask) - 1;
    entries_[ref] = entry;
    return ref;
  }
  hashes_.push_back(hash);
  try {
    entries_.push_back(entry);
  } catch (const std::bad_alloc&) {
    hashes_.pop_back();
    throw;
  }
  const ItemRef ref = static_cast<ItemRef>(entries_.size() - 1);
  index_[slot] = (TagOf(hash) << kTagShift) | (ref + 1);
  return ref;
}

DesktopItemList::Entry DesktopItemList::EntryOf(MovieItem& item, const uint8_t** packed) const {
  Entry entry{};
  uint32_t size = 0;
  *packed = item.GetPackedRecord(&size);
  entry.packed_size = *packed != nullptr ? static_cast<uint16_t>(size) : 0;
  entry.record_id = item.GetRecordId();
  const uint32_t category = item.GetCategory();
  entry.category = category > 0xFE ? 0xFF : static_cast<uint8_t>(category);
  entry.flags = static_cast<uint8_t>((item.OnDesktop() ? kOnDesktop : 0) | (item.Matched() ? kMatched : 0) |
                                     (item.WriteBack() ? kWriteBack : 0));
  // The entry keeps the bits in the array's own order: whole bytes, the last one cut after field 33.
  static_assert(kMovieFieldCount == 34, "five bytes of presence bits, two bits in the last");
  for (int32_t i = 0; i < 5; ++i) entry.present[i] = item.FieldsPresent().Byte(i);
  entry.present[4] &= 0xC0;
  return entry;
}

ItemRef DesktopItemList::Add(MovieItem& item, const char* key) {
  const std::string_view kept = KeptKey(key);
  const uint32_t hash = HashOf(kept);
  Prefetch(hash);
  const uint8_t* packed = nullptr;
  const Entry entry = EntryOf(item, &packed);
  return Store(kept, hash, entry, packed, true);
}

ItemRef DesktopItemList::AddIfAbsent(MovieItem& item, const char* key) {
  const std::string_view kept = KeptKey(key);
  const uint32_t hash = HashOf(kept);
  Prefetch(hash);
  const uint8_t* packed = nullptr;
  const Entry entry = EntryOf(item, &packed);
  return Store(kept, hash, entry, packed, false);
}

ItemRef DesktopItemList::AddPlaceholder(const char* key) {
  Entry entry{};
  entry.flags = kMatched | kPlaceholder;
  entry.category = 0;
  const std::string_view kept = KeptKey(key);
  return Store(kept, HashOf(kept), entry, nullptr, true);
}

void DesktopItemList::Rekey(ItemRef ref, const char* key) {
  const std::string_view wanted = std::string_view(key != nullptr ? key : "").substr(0, 0xFFFF);
  const Key listed = KeyOf(entries_[ref]);
  if (wanted.size() == listed.head.size() + listed.tail.size() && wanted.compare(0, listed.head.size(), listed.head) == 0 &&
      wanted.substr(listed.head.size()) == listed.tail)
    return;
  // The key's slot stays: the new text folds to the same key. The old copy stays unused in the
  // pool until Clear; the pool's blocks never move, so the packed bytes can be copied from there.
  Entry entry = entries_[ref];
  entry.at = Keep(wanted, PackedAt(entries_[ref]), &entry);
  entries_[ref] = entry;
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
    item->SetPackedRecord(PackedAt(entry), entry.packed_size);
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

bool DesktopItemList::HoldsPacked(ItemRef ref, const uint8_t* packed, uint32_t size) const {
  const Entry& entry = entries_[ref];
  if (entry.flags & kPlaceholder) return false;
  return packed != nullptr && entry.packed_size == size && (size == 0 || std::memcmp(PackedAt(entry), packed, size) == 0);
}

uint32_t DesktopItemList::GetCategory(ItemRef ref) const {
  const uint8_t category = entries_[ref].category;
  return category == 0xFF ? 0xFFFFFFFFu : category;
}

void DesktopItemList::SetFlag(ItemRef ref, uint8_t flag, bool value) {
  uint8_t& flags = entries_[ref].flags;
  flags = static_cast<uint8_t>(value ? flags | flag : flags & ~flag);
}

namespace {

// CompareText over keys in two pieces: punctuation first-characters last, letter case ignored.
int CompareKeys(std::string_view a_head, std::string_view a_tail, std::string_view b_head, std::string_view b_tail) {
  auto at = [](std::string_view head, std::string_view tail, size_t i) -> char {
    if (i < head.size()) return head[i];
    i -= head.size();
    return i < tail.size() ? tail[i] : '\0';
  };
  const bool a_punct = IsPunctuationChar(at(a_head, a_tail, 0));
  const bool b_punct = IsPunctuationChar(at(b_head, b_tail, 0));
  if (a_punct != b_punct) return a_punct ? 1 : -1;
  // Most keys begin with a title on both sides: that stretch is compared without piecing.
  size_t i = 0;
  for (const size_t common = std::min(a_head.size(), b_head.size()); i < common; ++i) {
    const unsigned char ca = Fold(a_head[i]);
    const unsigned char cb = Fold(b_head[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
  for (;; ++i) {
    const unsigned char ca = Fold(at(a_head, a_tail, i));
    const unsigned char cb = Fold(at(b_head, b_tail, i));
    if (ca != cb) return ca < cb ? -1 : 1;
    if (ca == 0) return 0;
  }
}

}  // namespace

void DesktopItemList::SortByPrefix() {
  // The first fifteen folded bytes of each key, as numbers that order as CompareKeys does (the
  // punctuation class above them): most comparisons are settled without reading the pool.
  struct Sortable {
    uint64_t high;
    uint64_t low;
    ItemRef ref;
  };
  std::vector<Sortable> items;
  items.reserve(entries_.size());
  for (ItemRef i = 0; i < entries_.size(); ++i) {
    const Key k = KeyOf(entries_[i]);
    uint64_t bytes[2] = {0, 0};
    size_t at = 0;
    for (std::string_view piece : {k.head, k.tail}) {
      for (size_t j = 0; j < piece.size() && at < 15; ++j, ++at) {
        const uint64_t c = Fold(piece[j]);
        if (at < 7) {
          bytes[0] |= c << (8 * (6 - at));
        } else {
          bytes[1] |= c << (8 * (14 - at));
        }
      }
    }
    const char first = !k.head.empty() ? k.head[0] : (!k.tail.empty() ? k.tail[0] : '\0');
    if (IsPunctuationChar(first)) bytes[0] |= uint64_t{1} << 63;
    items.push_back(Sortable{bytes[0], bytes[1], i});
  }
  std::sort(items.begin(), items.end(), [this](const Sortable& a, const Sortable& b) {
    if (a.high != b.high) return a.high < b.high;
    if (a.low != b.low) return a.low < b.low;
    const Key ka = KeyOf(entries_[a.ref]);
    const Key kb = KeyOf(entries_[b.ref]);
    return CompareKeys(ka.head, ka.tail, kb.head, kb.tail) < 0;
  });
  for (const Sortable& item : items) order_.push_back(item.ref);
}

bool DesktopItemList::First(TextString* key, ItemRef* ref) {
  order_.clear();
  order_.reserve(entries_.size());
  bool sorted = false;
  // The prefixes take 24 bytes an entry for the sort: a list far beyond a handheld's sorts without.
  if (entries_.size() <= kPrefixSortLimit) {
    try {
      SortByPrefix();
      sorted = true;
    } catch (const std::bad_alloc&) {
      order_.clear();
    }
  }
  if (!sorted) {
    for (ItemRef i = 0; i < entries_.size(); ++i) order_.push_back(i);
    std::sort(order_.begin(), order_.end(), [this](ItemRef a, ItemRef b) {
      const Key ka = KeyOf(entries_[a]);
      const Key kb = KeyOf(entries_[b]);
      return CompareKeys(ka.head, ka.tail, kb.head, kb.tail) < 0;
    });
  }
  cursor_ = 0;
  iterating_ = !order_.empty();
  return Next(key, ref);
}

bool DesktopItemList::Next(TextString* key, ItemRef* ref) {
  if (!iterating_ || cursor_ >= order_.size()) {
    iterating_ = false;
    if (key) key->Clear();
    *ref = kNoItem;
    return false;
  }
  if (key) {
    const Key listed = KeyOf(entries_[order_[cursor_]]);
    delivered_.assign(listed.head.data(), listed.head.size());
    delivered_.append(listed.tail.data(), listed.tail.size());
    key->Assign(static_cast<uint32_t>(delivered_.size()), delivered_.data());
  }
  *ref = order_[cursor_];
  ++cursor_;
  if (cursor_ == order_.size()) iterating_ = false;
  return true;
}

void DesktopItemList::Clear() {
  entries_.clear();
  entries_.shrink_to_fit();
  hashes_.clear();
  hashes_.shrink_to_fit();
  std::vector<uint32_t>().swap(index_);
  pool_.clear();
  pool_.shrink_to_fit();
  pool_used_ = 0;
  std::vector<ItemRef>().swap(order_);
  std::string().swap(delivered_);
  cursor_ = 0;
  iterating_ = false;
}
