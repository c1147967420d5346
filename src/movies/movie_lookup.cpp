#include "movies/movie_lookup.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "diag/text_string.h"

namespace {

int32_t MatchRow(const TextString& text, const char* const* names, const char* const* alternatives,
                 int32_t count, int32_t def) {
  for (int32_t i = 0; i < count; ++i) {
    if (names && names[i] && text.Compare(names[i]) == 0) return i;
    if (alternatives && alternatives[i] && text.Compare(alternatives[i]) == 0) return i;
  }
  return def;
}

}  // namespace

int32_t LookupIndex(const char* text, const char* const* names, const char* const* alternatives,
                    int32_t count, int32_t def) {
  TextString compact(text);
  if (compact.Replace(" ", "") == 0) return MatchRow(compact, names, alternatives, count, def);
  int32_t row = MatchRow(compact, names, alternatives, count, -1);
  if (row >= 0) return row;
  // Names that hold a blank ("CinemaScope 55") can never equal a text without blanks; without this
  // second look every such value the conduit exports would read back as row 0.
  TextString trimmed(text);
  trimmed.TrimLeft();
  trimmed.TrimRight();
  return MatchRow(trimmed, names, alternatives, count, def);
}

namespace {

struct Occurrence {
  size_t start;
  size_t end;
  int32_t row;
};

void FindAll(std::string_view text, std::string_view key, int32_t row, std::vector<Occurrence>* found) {
  if (key.empty()) return;
  for (size_t start = text.find(key); start != std::string_view::npos; start = text.find(key, start + 1))
    found->push_back({start, start + key.size(), row});
}

}  // namespace

uint32_t LookupMask(const char* text, const char* const* keys, const char* const* alternatives,
                    int32_t count) {
  if (text == nullptr) return 0;
  if (count > 32) count = 32;
  TextString lowered(text);
  lowered.MakeLower();
  std::string_view haystack(lowered.Text(), static_cast<size_t>(lowered.Length()));
  std::vector<Occurrence> found;
  for (int32_t i = 0; i < count; ++i) {
    if (keys && keys[i]) FindAll(haystack, keys[i], i, &found);
    if (alternatives && alternatives[i]) FindAll(haystack, alternatives[i], i, &found);
  }
  // Only an occurrence that starts at most one key length earlier can hold another, so a sorted
  // scan of that window keeps long texts linear.
  std::sort(found.begin(), found.end(),
            [](const Occurrence& a, const Occurrence& b) { return a.start < b.start; });
  size_t longest = 0;
  for (const Occurrence& o : found) longest = std::max(longest, o.end - o.start);
  uint32_t mask = 0;
  size_t first = 0;
  for (size_t i = 0; i < found.size(); ++i) {
    const Occurrence& own = found[i];
    while (found[first].start + longest < own.start) ++first;
    bool inside_longer = false;
    for (size_t j = first; j < found.size() && found[j].start <= own.start; ++j) {
      const Occurrence& other = found[j];
      if (other.end - other.start > own.end - own.start && own.end <= other.end) {
        inside_longer = true;
        break;
      }
    }
    if (!inside_longer) mask |= 1u << own.row;
  }
  return mask;
}
