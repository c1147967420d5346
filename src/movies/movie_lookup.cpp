#include "movies/movie_lookup.h"

#include <cstring>
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

void FindAll(const char* text, const char* key, int32_t row, std::vector<Occurrence>* found) {
  size_t length = std::strlen(key);
  if (length == 0) return;
  for (const char* hit = std::strstr(text, key); hit; hit = std::strstr(hit + 1, key)) {
    size_t start = static_cast<size_t>(hit - text);
    found->push_back({start, start + length, row});
  }
}

}  // namespace

uint32_t LookupMask(const char* text, const char* const* keys, const char* const* alternatives,
                    int32_t count) {
  if (text == nullptr) return 0;
  if (count > 32) count = 32;
  TextString lowered(text);
  lowered.MakeLower();
  std::vector<Occurrence> found;
  for (int32_t i = 0; i < count; ++i) {
    if (keys && keys[i]) FindAll(lowered.Text(), keys[i], i, &found);
    if (alternatives && alternatives[i]) FindAll(lowered.Text(), alternatives[i], i, &found);
  }
  uint32_t mask = 0;
  for (const Occurrence& own : found) {
    bool inside_longer = false;
    for (const Occurrence& other : found) {
      if (other.end - other.start > own.end - own.start && other.start <= own.start &&
          own.end <= other.end) {
        inside_longer = true;
        break;
      }
    }
    if (!inside_longer) mask |= 1u << own.row;
  }
  return mask;
}
