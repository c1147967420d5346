#include "movies/movie_categories.h"

#include <algorithm>
#include <cstring>

#include "device/device_database.h"

namespace {

MovieCategories* current_categories = nullptr;

}  // namespace

MovieCategories* CurrentMovieCategories() { return current_categories; }
void SetCurrentMovieCategories(MovieCategories* categories) { current_categories = categories; }

MovieCategories::MovieCategories(DeviceDatabase* database) : database_(database) {
  std::memset(slots_, 0, sizeof slots_);
}

MovieCategories::~MovieCategories() {
  if (current_categories == this) current_categories = nullptr;
}

int32_t MovieCategories::Count() const { return static_cast<int32_t>(index_.size()); }

int32_t MovieCategories::FindPrefix(const char* text) const {
  if (text == nullptr) return -1;
  size_t n = std::strlen(text);
  for (const auto& entry : index_) {
    TextString head = entry.first.Mid(0, static_cast<int32_t>(n));
    if (static_cast<size_t>(head.Length()) == n && head.Compare(text) == 0) return entry.second;
  }
  return -1;
}

bool MovieCategories::GetName(int32_t slot, TextString& name) const {
  if (slot < 0 || slot >= kSlotCount) return false;
  name.Assign(static_cast<uint32_t>(strnlen(slots_[slot], kNameSize - 1)), slots_[slot]);
  return true;
}

const char* MovieCategories::NameInto(int32_t slot, char* buffer) const {
  if (slot < 0 || slot >= kSlotCount) return nullptr;
  const size_t length = strnlen(slots_[slot], kNameSize - 1);
  std::memcpy(buffer, slots_[slot], length);
  buffer[length] = '\0';
  return buffer;
}

int32_t MovieCategories::FindExact(const char* text) const {
  if (text == nullptr) return -1;
  // The index holds each name once under the comparison, so at most one entry is equal: sixteen
  // at most, each ruled out by its length first (an import asks for every line).
  const std::string_view wanted(text);
  const FoldedTextEqual equal;
  // The first letters rule most names out before their lengths are counted.
  const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; };
  const char first = fold(text[0]);
  for (const auto& entry : index_) {
    if (fold(entry.first.Text()[0]) != first) continue;
    if (static_cast<size_t>(entry.first.Length()) == wanted.size() &&
        equal(std::string_view(entry.first.Text(), wanted.size()), wanted))
      return entry.second;
  }
  return -1;
}

void MovieCategories::Load() {
  if (database_ == nullptr) return;
  uint8_t block[kAppInfoReadSize] = {};
  index_.clear();
  if (database_->ReadAppInfo(block, kAppInfoReadSize) != DeviceError::kOk) return;
  LoadFromBlock(block, kAppInfoReadSize);
}

void MovieCategories::Enter(const char* name, int32_t slot) {
  auto at = std::lower_bound(index_.begin(), index_.end(), name,
                             [](const std::pair<TextString, int32_t>& entry, const char* key) {
                               return entry.first.Compare(key) < 0;
                             });
  if (at != index_.end() && at->first.Compare(name) == 0) {
    at->first = name;  // a name already present: the later slot wins
    at->second = slot;
  } else {
    index_.emplace(at, TextString(name), slot);
  }
}

void MovieCategories::LoadFromBlock(const uint8_t* block, size_t size) {
  index_.clear();
  std::memset(slots_, 0, sizeof slots_);
  if (block != nullptr && size > 2) {
    size_t names = std::min(size - 2, sizeof slots_);
    std::memcpy(slots_, block + 2, names);
  }
  for (auto& slot : slots_) slot[kNameSize - 1] = '\0';
  // The first word is no count of names: the handheld leaves it 0 when no category was renamed.
  // Every named slot is a category.
  int32_t entered = 0;
  for (int32_t slot = 0; slot < kSlotCount; ++slot) {
    if (slots_[slot][0] == '\0') continue;
    Enter(slots_[slot], slot);
    ++entered;
  }
  if (entered == 0) {
    std::strcpy(slots_[0], "Unfiled");
    Enter(slots_[0], 0);
  }
}
