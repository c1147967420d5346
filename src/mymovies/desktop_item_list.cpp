#include "mymovies/desktop_item_list.h"

#include <algorithm>
#include <utility>

#include "movies/movie_item.h"

namespace {

unsigned char Folded(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}

std::string_view ViewOf(const TextString& text) {
  return std::string_view(text.Text(), static_cast<size_t>(text.Length()));
}

}  // namespace

size_t DesktopItemList::FoldedHash::operator()(std::string_view text) const {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (char c : text) hash = (hash ^ Folded(c)) * 1099511628211ull;
  return static_cast<size_t>(hash ^ (hash >> 32));
}

bool DesktopItemList::FoldedEqual::operator()(std::string_view a, std::string_view b) const {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Folded(a[i]) != Folded(b[i])) return false;
  }
  return true;
}

DesktopItemList::~DesktopItemList() { Clear(); }

void DesktopItemList::Add(MovieItem* item, const char* key) {
  order_.clear();
  iterating_ = false;
  try {
    auto at = entries_.find(std::string_view(key != nullptr ? key : ""));
    if (at == entries_.end()) {
      std::unique_ptr<Entry> entry(new Entry{TextString(key), item});
      std::string_view view = ViewOf(entry->key);
      entries_.emplace(view, std::move(entry));
      return;
    }
    // The same key in other letter case: the entry takes the new text, so its view is renewed.
    auto node = entries_.extract(at);
    try {
      node.mapped()->key = key;
    } catch (...) {
      entries_.insert(std::move(node));
      throw;
    }
    node.mapped()->item = item;
    node.key() = ViewOf(node.mapped()->key);
    entries_.insert(std::move(node));
  } catch (...) {
    // The list owns the item it was given: when the entry cannot be made, nothing else would
    // free it, unless the list holds it already.
    bool held = false;
    for (const auto& entry : entries_) held = held || entry.second->item == item;
    if (!held) delete item;
    throw;
  }
}

bool DesktopItemList::Find(const char* key, MovieItem** item) const {
  auto at = entries_.find(std::string_view(key != nullptr ? key : ""));
  if (at == entries_.end()) return false;
  *item = at->second->item;
  return true;
}

bool DesktopItemList::First(TextString* key, MovieItem** item) {
  order_.clear();
  order_.reserve(entries_.size());
  for (const auto& entry : entries_) order_.push_back(entry.second.get());
  std::sort(order_.begin(), order_.end(), [](const Entry* a, const Entry* b) { return a->key.Compare(b->key) < 0; });
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
  *key = order_[cursor_]->key;
  *item = order_[cursor_]->item;
  ++cursor_;
  if (cursor_ == order_.size()) iterating_ = false;
  return true;
}

void DesktopItemList::Clear() {
  for (auto& entry : entries_) delete entry.second->item;
  entries_.clear();
  order_.clear();
  cursor_ = 0;
  iterating_ = false;
}
