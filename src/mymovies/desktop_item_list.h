// DesktopItemList: the movie items of one import/export run, by key, in key order.
//
// Keys are ordered by TextString::Compare: texts beginning with punctuation after all others, ASCII
// letter case ignored, so keys that differ only in letter case are one key. Adding under a key
// that is present replaces the entry's content and its key text.
//
// The list holds copies, not items: each entry keeps its key text and the item's packed bytes
// side by side in large pooled blocks (a key that begins with the item's trimmed title keeps only
// the rest: the title is in the packed bytes already), and beside them only the item's markers,
// record ID, category and field-presence bits (20 bytes) and the key's hash (4), so that a million
// import lines fit in a 32-bit process. Entries are named by an ItemRef, stable until Clear; Load
// gives an entry's content back as a MovieItem. Lookups hash the case-folded key (O(1)); an
// iteration visits the entries in key order, sorted once when it starts. Changing markers or
// content does not disturb an iteration; adding an entry ends it.
#ifndef REELBOX_MYMOVIES_DESKTOP_ITEM_LIST_H
#define REELBOX_MYMOVIES_DESKTOP_ITEM_LIST_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "diag/text_string.h"

class MovieItem;

using ItemRef = uint32_t;
constexpr ItemRef kNoItem = 0xFFFFFFFFu;

class DesktopItemList {
 public:
  DesktopItemList() = default;
  DesktopItemList(const DesktopItemList&) = delete;
  DesktopItemList& operator=(const DesktopItemList&) = delete;
  ~DesktopItemList();

  // Lists a copy of item (packed first) under key: its content, markers, record ID, category and
  // the presence bits of fields 0 to 33. When memory runs out, throws std::bad_alloc with the list
  // unchanged. REQUIRES: the category is below 255 or 0xFFFFFFFF; the key is shorter than 64 KB.
  ItemRef Add(MovieItem& item, const char* key);
  // As Add when the key is not present; kNoItem, with the list unchanged, when it is.
  ItemRef AddIfAbsent(MovieItem& item, const char* key);
  // Lists key with no content: matched, not on the desktop. It only holds a key that is taken.
  // Behaves as Add otherwise.
  ItemRef AddPlaceholder(const char* key);
  // Gives the entry the key text (the same key, perhaps in other letter case).
  void Rekey(ItemRef ref, const char* key);
  // True with the entry when the key is present; ref untouched otherwise.
  bool Find(const char* key, ItemRef* ref) const;
  // The entry's content into item, as Add took it (a placeholder gives an empty item), with the
  // entry's markers, record ID and category.
  void Load(ItemRef ref, MovieItem* item) const;
  // True when the entry holds exactly these packed bytes (then it is the same as their item).
  bool HoldsPacked(ItemRef ref, const uint8_t* packed, uint32_t size) const;

  bool OnDesktop(ItemRef ref) const { return (At(ref).flags & kOnDesktop) != 0; }
  bool Matched(ItemRef ref) const { return (At(ref).flags & kMatched) != 0; }
  bool WriteBack(ItemRef ref) const { return (At(ref).flags & kWriteBack) != 0; }
  void SetMatched(ItemRef ref, bool value) { SetFlag(ref, kMatched, value); }
  void SetWriteBack(ItemRef ref, bool value) { SetFlag(ref, kWriteBack, value); }
  uint32_t GetRecordId(ItemRef ref) const { return At(ref).record_id; }
  void SetRecordId(ItemRef ref, uint32_t id) { entries_[ref].record_id = id; }
  uint32_t GetCategory(ItemRef ref) const;

  // Start an iteration at the smallest key; false (empty key, kNoItem) when the list is empty. A
  // null key skips delivering it (the write-back needs only the entries).
  bool First(TextString* key, ItemRef* ref);
  // The next entry; false (empty key, kNoItem) once all were delivered.
  bool Next(TextString* key, ItemRef* ref);
  // Forgets every entry.
  void Clear();

  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }

 private:
  enum : uint8_t {
    kOnDesktop = 1, kMatched = 2, kWriteBack = 4, kUnusedMarker = 8, kPlaceholder = 16,
    kKeyAfterTitle = 32  // the key is the packed title (trimmed) followed by the kept key text
  };
  struct Entry {
    uint32_t at;           // pool position of the kept key text (NUL-ended); the packed bytes follow
    uint32_t record_id;
    uint16_t key_size;     // of the kept key text
    uint16_t packed_size;
    uint8_t flags;
    uint8_t category;      // 0xFF: none (0xFFFFFFFF)
    uint8_t present[5];    // presence bits of fields 0 to 33
    uint8_t head_size;     // with kKeyAfterTitle: the title's length (it begins the packed texts)
  };
  static_assert(sizeof(Entry) == 20, "an entry stays 20 bytes: a million of them are held");

  // An entry's key in two pieces: the title part (empty unless kKeyAfterTitle) and the kept text.
  struct Key {
    std::string_view head;
    std::string_view tail;
  };

  const Entry& At(ItemRef ref) const { return entries_[ref]; }
  void SetFlag(ItemRef ref, uint8_t flag, bool value);
  const char* KeptAt(const Entry& entry) const;
  const uint8_t* PackedAt(const Entry& entry) const;
  Key KeyOf(const Entry& entry) const;
  // Copies key (NUL-ended) and packed into the pool; gives the position. When the key begins with
  // the packed title, keeps only the rest and sets kKeyAfterTitle in *entry.
  uint32_t Keep(std::string_view key, const uint8_t* packed, Entry* entry);
  // The slot of key in the index: its entry, or the empty slot where it would go.
  size_t Slot(std::string_view key, uint32_t hash, bool* found) const;
  void GrowIndex();
  // Fills order_ with every entry in key order, sorting by key prefixes first. Throws
  // std::bad_alloc when the prefixes cannot be had.
  void SortByPrefix();
  // Lists the entry under key (of that hash), replacing a present one when replace (else gives
  // kNoItem).
  ItemRef Store(std::string_view key, uint32_t hash, Entry entry, const uint8_t* packed, bool replace);
  // The part of a key that is kept.
  static std::string_view KeptKey(const char* key);
  // Starts loading the index slot of the hash.
  void Prefetch(uint32_t hash) const;
  Entry EntryOf(MovieItem& item, const uint8_t** packed) const;

  std::deque<Entry> entries_;
  std::deque<uint32_t> hashes_;  // of each entry's key, for growing the index
  // Open addressing: 0 is empty, else the top 8 bits are a tag of the hash and the rest the entry
  // index plus 1.
  std::vector<uint32_t> index_;
  std::vector<std::unique_ptr<char[]>> pool_;
  uint32_t pool_used_ = 0;  // in the last block
  std::vector<ItemRef> order_;
  std::string delivered_;  // the key text Next delivers, put together
  size_t cursor_ = 0;
  bool iterating_ = false;
};

#endif  // REELBOX_MYMOVIES_DESKTOP_ITEM_LIST_H
