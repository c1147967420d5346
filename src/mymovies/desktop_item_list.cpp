#include "mymovies/desktop_item_list.h"

#include <utility>

#include "movies/movie_item.h"

DesktopItemList::~DesktopItemList() { Clear(); }

void DesktopItemList::Add(MovieItem* item, const char* key) {
  try {
    TextString text(key);
    auto at = entries_.find(text);
    if (at == entries_.end()) {
      entries_.emplace(text, item);
      return;
    }
    // The new text compares equal to the old, so the entry keeps its place under its new key.
    auto next = std::next(at);
    auto node = entries_.extract(at);
    try {
      node.key() = text;
    } catch (...) {
      entries_.insert(next, std::move(node));
      throw;
    }
    node.mapped() = item;
    entries_.insert(next, std::move(node));
  } catch (...) {
    // The list owns the item it was given: when the entry cannot be made, nothing else would
    // free it, unless the list holds it already.
    bool held = false;
    for (const auto& entry : entries_) held = held || entry.second == item;
    if (!held) delete item;
    throw;
  }
}

bool DesktopItemList::Find(const char* key, MovieItem** item) const {
  auto at = entries_.find(TextString(key));
  if (at == entries_.end()) return false;
  *item = at->second;
  return true;
}

bool DesktopItemList::First(TextString* key, MovieItem** item) {
  cursor_ = entries_.begin();
  iterating_ = !entries_.empty();
  return Next(key, item);
}

bool DesktopItemList::Next(TextString* key, MovieItem** item) {
  if (!iterating_ || cursor_ == entries_.end()) {
    iterating_ = false;
    key->Clear();
    *item = nullptr;
    return false;
  }
  *key = cursor_->first;
  *item = cursor_->second;
  ++cursor_;
  if (cursor_ == entries_.end()) iterating_ = false;
  return true;
}

void DesktopItemList::Clear() {
  for (auto& entry : entries_) delete entry.second;
  entries_.clear();
  cursor_ = entries_.end();
  iterating_ = false;
}
