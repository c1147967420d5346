// DesktopItemList: the movie items of one import/export run, by key, in key order.
//
// Keys are ordered by TextString::Compare: texts beginning with punctuation after all others, ASCII
// letter case ignored, so keys that differ only in letter case are one key. Adding under a key
// that is present replaces the entry's item (the previous item is the caller's again) and its key
// text. The list owns the items it holds and deletes them in Clear and at destruction. Lookups and
// insertions hash the case-folded key (O(1)); an iteration visits the entries in key order, sorted
// once when it starts.
#ifndef REELBOX_MYMOVIES_DESKTOP_ITEM_LIST_H
#define REELBOX_MYMOVIES_DESKTOP_ITEM_LIST_H

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "diag/text_string.h"

class MovieItem;

class DesktopItemList {
 public:
  DesktopItemList() = default;
  DesktopItemList(const DesktopItemList&) = delete;
  DesktopItemList& operator=(const DesktopItemList&) = delete;
  ~DesktopItemList();

  // Takes ownership of item under key. When memory runs out, throws std::bad_alloc with the list
  // unchanged and item deleted (unless the list holds it already). REQUIRES: no iteration is under way.
  void Add(MovieItem* item, const char* key);
  // Lists key under the shared placeholder item: matched, not on the desktop, no content. It only
  // holds a key that is taken, costs no item of its own, and is never deleted by the list.
  // Changing it is not allowed. Behaves as Add otherwise.
  void AddPlaceholder(const char* key);
  static MovieItem* Placeholder();
  // True with the item when the key is present; item untouched otherwise.
  bool Find(const char* key, MovieItem** item) const;
  // Start an iteration at the smallest key; false (empty key, null item) when the list is empty.
  bool First(TextString* key, MovieItem** item);
  // The next entry; false (empty key, null item) once all were delivered.
  bool Next(TextString* key, MovieItem** item);
  // Deletes every item and key.
  void Clear();

  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }

 private:
  struct Entry {
    MovieItem* item;
    std::string_view key;  // in pool_
  };
  using Entries = std::unordered_map<std::string_view, Entry, FoldedTextHash, FoldedTextEqual>;

  // A NUL-terminated copy of key in pool_: key texts are kept in large blocks, not one heap block
  // per entry.
  std::string_view Keep(std::string_view key);

  Entries entries_;
  std::vector<std::unique_ptr<char[]>> pool_;
  char* pool_next_ = nullptr;
  size_t pool_left_ = 0;
  std::vector<const Entry*> order_;
  size_t cursor_ = 0;
  bool iterating_ = false;
};

#endif  // REELBOX_MYMOVIES_DESKTOP_ITEM_LIST_H
