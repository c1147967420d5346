#include "mymovies/desktop_item_list.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "movies/movie_item.h"

namespace {

constexpr size_t kPoolBlock = 64 * 1024;

}  // namespace

DesktopItemList::~DesktopItemList() { Clear(); }

std::string_view DesktopItemList::Keep(std::string_view key) {
  if (key.size() + 1 > pool_left_) {
    size_t size = key.size() + 1 > kPoolBlock ? key.size() + 1 : kPoolBlock;
    pool_.emplace_back(new char[size]);
    pool_next_ = pool_.back().get();
    pool_left_ = size;
  }
  char* kept = pool_next_;
  std::memcpy(kept, key.data(), key.size());
  kept[key.size()] = '\0';
  pool_next_ += key.size() + 1;
  pool_left_ -= key.size() + 1;
  return std::string_view(kept, key.size());
}

void DesktopItemList::Add(MovieItem* item, const char* key) {
  order_.clear();
  iterating_ = false;
  try {
    const std::string_view wanted(key != nullptr ? key : "");
    auto at = entries_.find(wanted);
    if (at == entries_.end()) {
      const std::string_view kept = Keep(wanted);
      entries_.emplace(kept, Entry{item, kept});
      return;
    }
    // The same key in other letter case: the entry takes the new text (the old one stays unused
    // in the pool until Clear).
    const std::string_view kept = Keep(wanted);
    auto node = entries_.extract(at);
    node.mapped() = Entry{item, kept};
    node.key() = kept;
    entries_.insert(std::move(node));
  } catch (...) {
    // The list owns the item it was given: when the entry cannot be made, nothing else would
    // free it, unless the list holds it already.
    bool held = item == Placeholder();
    for (const auto& entry : entries_) held = held || entry.second.item == item;
    if (!held) delete item;
    throw;
  }
}

MovieItem* DesktopItemList::Placeholder() {
  static MovieItem* const placeholder = [] {
    MovieItem* item = new MovieItem();
    item->SetMatched(1);
    item->SetOnDesktop(0);
    return item;
  }();
  return placeholder;
}

void DesktopItemList::AddPlaceholder(const char* key) { Add(Placeholder(), key); }

bool DesktopItemList::Find(const char* key, MovieItem** item) const {
  auto at = entries_.find(std::string_view(key != nullptr ? key : ""));
  if (at == entries_.end()) return false;
  *item = at->second.item;
  return true;
}

bool DesktopItemList::First(TextString* key, MovieItem** item) {
  order_.clear();
  order_.reserve(entries_.size());
  for (const auto& entry : entries_) order_.push_back(&entry.second);
  std::sort(order_.begin(), order_.end(),
            [](const Entry* a, const Entry* b) { return CompareText(a->key.data(), b->key.data()) < 0; });
  cursor_ = 0;
  iterating_ = !order_.empty();
  return Next(key, item);
}

bool DesktopItemList::Next(TextString* key, MovieItem** item) {
  if (!iterating_ || cursor_ >= order_.size()) {
    iterating_ = false;
    key->Clear();
    *item = nullptr;
    return false;
  }
  const Entry* entry = order_[cursor_];
  key->Assign(static_cast<uint32_t>(entry->key.size()), entry->key.data());
  *item = entry->item;
  ++cursor_;
  if (cursor_ == order_.size()) iterating_ = false;
  return true;
}

void DesktopItemList::Clear() {
  for (auto& entry : entries_) {
    if (entry.second.item != Placeholder()) delete entry.second.item;
  }
  entries_.clear();
  pool_.clear();
  pool_next_ = nullptr;
  pool_left_ = 0;
  order_.clear();
  cursor_ = 0;
  iterating_ = false;
}
