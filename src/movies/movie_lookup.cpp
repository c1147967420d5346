#include "movies/movie_lookup.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "diag/text_string.h"

namespace {

unsigned char Folded(char c) {
  unsigned char u = static_cast<unsigned char>(c);
  return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + ('a' - 'A')) : u;
}

// Equal as TextString::Compare sees texts: ASCII letter case ignored.
bool FoldedEquals(std::string_view text, const char* name) {
  size_t i = 0;
  for (; i < text.size(); ++i) {
    if (name[i] == '\0' || Folded(text[i]) != Folded(name[i])) return false;
  }
  return name[i] == '\0';
}

struct Name {
  const char* text;
  size_t size;
  int32_t row;
};

// A table's names and alternatives grouped by their folded first byte: the names beginning with
// byte c are names[first[c]] up to names[first[c + 1]], each group in the order the rows are
// tried (row by row, the name before the alternative).
struct GroupedTable {
  const char* const* names = nullptr;
  const char* const* alternatives = nullptr;
  int32_t count = -1;
  std::vector<Name> entries;
  uint16_t first[257] = {};
};

// The tables are few and fixed (N at a time are kept): each is grouped once per thread. Empty
// names are kept only when asked (an empty text can equal one; no text holds one).
template <size_t N>
const GroupedTable& Grouped(const char* const* names, const char* const* alternatives, int32_t count,
                            bool keep_empty) {
  thread_local GroupedTable tables[N];
  thread_local size_t next = 0;
  for (const GroupedTable& table : tables) {
    if (table.names == names && table.alternatives == alternatives && table.count == count) return table;
  }
  GroupedTable& table = tables[next];
  next = (next + 1) % N;
  table.names = names;
  table.alternatives = alternatives;
  table.count = count;
  table.entries.clear();
  for (int32_t i = 0; i < count; ++i) {
    for (const char* name : {names ? names[i] : nullptr, alternatives ? alternatives[i] : nullptr}) {
      if (name != nullptr && (keep_empty || name[0] != '\0')) table.entries.push_back({name, std::strlen(name), i});
    }
  }
  std::stable_sort(table.entries.begin(), table.entries.end(),
                   [](const Name& a, const Name& b) { return Folded(a.text[0]) < Folded(b.text[0]); });
  size_t k = 0;
  for (int c = 0; c < 256; ++c) {
    table.first[c] = static_cast<uint16_t>(k);
    while (k < table.entries.size() && Folded(table.entries[k].text[0]) == c) ++k;
  }
  table.first[256] = static_cast<uint16_t>(k);
  return table;
}

// The lowest row whose name or alternative equals the text, letter case ignored; else def.
int32_t MatchRow(std::string_view text, const char* const* names, const char* const* alternatives, int32_t count,
                 int32_t def) {
  const GroupedTable& table = Grouped<8>(names, alternatives, count, true);
  const unsigned char c = text.empty() ? 0 : Folded(text[0]);
  for (size_t k = table.first[c]; k < table.first[c + 1]; ++k) {
    const Name& name = table.entries[k];
    if (name.size == text.size() && FoldedEquals(text, name.text)) return name.row;
  }
  return def;
}

}  // namespace

int32_t LookupIndex(const char* text, const char* const* names, const char* const* alternatives,
                    int32_t count, int32_t def) {
  std::string_view whole(text != nullptr ? text : "");
  if (whole.find(' ') == std::string_view::npos) return MatchRow(whole, names, alternatives, count, def);
  thread_local std::string compact;
  compact.clear();
  for (char c : whole) {
    if (c != ' ') compact += c;
  }
  int32_t row = MatchRow(compact, names, alternatives, count, -1);
  if (row >= 0) return row;
  // Names that hold a blank ("CinemaScope 55") can never equal a text without blanks; without this
  // second look every such value the conduit exports would read back as row 0.
  size_t begin = 0;
  size_t end = whole.size();
  while (begin < end && IsSpaceChar(whole[begin])) ++begin;
  while (end > begin && IsSpaceChar(whole[end - 1])) --end;
  return MatchRow(whole.substr(begin, end - begin), names, alternatives, count, def);
}

namespace {

struct Occurrence {
  size_t start;
  size_t end;
  int32_t row;
};

}  // namespace

uint32_t LookupMask(const char* text, const char* const* keys, const char* const* alternatives,
                    int32_t count) {
  if (text == nullptr) return 0;
  if (count > 32) count = 32;
  // The keys are lower case, so a group of the folded first byte holds every key that can start there.
  const GroupedTable& table = Grouped<4>(keys, alternatives, count, false);
  // Every occurrence of every key (overlapping ones too), in order of their start: one pass over
  // the text, folding as it goes, comparing only the keys that begin with the byte at hand.
  thread_local std::vector<Occurrence> found;
  found.clear();
  const size_t length = std::strlen(text);
  for (size_t at = 0; at < length; ++at) {
    const unsigned char c = Folded(text[at]);
    for (size_t k = table.first[c]; k < table.first[c + 1]; ++k) {
      const Name& key = table.entries[k];
      if (key.size > length - at) continue;
      size_t i = 1;
      while (i < key.size && Folded(text[at + i]) == static_cast<unsigned char>(key.text[i])) ++i;
      if (i == key.size) found.push_back({at, at + key.size, key.row});
    }
  }
  // Only an occurrence that starts at most one key length earlier can hold another, so a scan of
  // that window keeps long texts linear.
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
