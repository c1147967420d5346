#include "movies/movie_lookup.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "diag/text_string.h"
#include "platform/byte_scan.h"

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
  bool keep_empty = false;
  std::vector<Name> entries;
  uint16_t first[257] = {};
  bool in_name[256] = {};     // the folded bytes that occur in some name
  uint8_t fold_in[256] = {};  // by byte: its folded form when that occurs in some name, else 0
  bool blank_at_end = false;  // some name begins or ends with a blank
};

void Build(GroupedTable& table, const char* const* names, const char* const* alternatives, int32_t count,
           bool keep_empty) {
  table.names = names;
  table.alternatives = alternatives;
  table.count = count;
  table.keep_empty = keep_empty;
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
  for (const Name& name : table.entries) {
    for (size_t i = 0; i < name.size; ++i) table.in_name[Folded(name.text[i])] = true;
    if (name.size > 0 && (name.text[0] == ' ' || name.text[name.size - 1] == ' ')) table.blank_at_end = true;
  }
  for (int c = 1; c < 256; ++c) {
    const unsigned char folded = Folded(static_cast<char>(c));
    table.fold_in[c] = table.in_name[folded] ? folded : 0;
  }
}

// The tables are few and fixed: each is grouped once for the process and kept, found by its
// address. Thread-local copies cost a call into the runtime per lookup on Windows; these are
// published once built and never change after.
constexpr size_t kKeptTables = 32;
std::atomic<const GroupedTable*> g_tables[kKeptTables];

const GroupedTable& Grouped(const char* const* names, const char* const* alternatives, int32_t count,
                            bool keep_empty, std::unique_ptr<GroupedTable>* unkept) {
  auto same = [&](const GroupedTable* table) {
    return table->names == names && table->alternatives == alternatives && table->count == count &&
           table->keep_empty == keep_empty;
  };
  // Each table is looked for from a place its address picks: found at the first look, mostly.
  const size_t home = static_cast<size_t>(reinterpret_cast<uintptr_t>(names) >> 3) % kKeptTables;
  size_t probe = 0;
  for (; probe < kKeptTables; ++probe) {
    const GroupedTable* table = g_tables[(home + probe) % kKeptTables].load(std::memory_order_acquire);
    if (table == nullptr) break;
    if (same(table)) return *table;
  }
  auto built = std::make_unique<GroupedTable>();
  Build(*built, names, alternatives, count, keep_empty);
  for (; probe < kKeptTables; ++probe) {
    const GroupedTable* taken = nullptr;
    if (g_tables[(home + probe) % kKeptTables].compare_exchange_strong(taken, built.get(), std::memory_order_acq_rel))
      return *built.release();
    // Another thread kept a table there first: it may be this one.
    if (same(taken)) return *taken;
  }
  // More tables than places: this one is used once and goes.
  *unkept = std::move(built);
  return **unkept;
}

// The lowest row whose name or alternative equals the text, letter case ignored; else def.
int32_t MatchRow(std::string_view text, const char* const* names, const char* const* alternatives, int32_t count,
                 int32_t def) {
  std::unique_ptr<GroupedTable> unkept;
  const GroupedTable& table = Grouped(names, alternatives, count, true, &unkept);
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
  if (byte_scan::FindByte(whole.data(), whole.data() + whole.size(), ' ') == whole.data() + whole.size())
    return MatchRow(whole, names, alternatives, count, def);
  std::string compact;
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

namespace {

// Occurrences never hold a byte that no key holds, so such bytes cut the text into runs that can
// be looked at one by one; blanks at a run's ends too, when no key begins or ends with one. When
// every run is a whole key, the keys equal to the runs are the answer (any other occurrence lies
// inside one of them); false when a run is not, and the occurrences must be sought.
bool MaskOfWholeRuns(const GroupedTable& table, const char* text, size_t length, uint32_t* mask) {
  // One look in the table folds a byte and tells whether a key holds it.
  const uint8_t* const fold_in = table.fold_in;
  auto in = [fold_in, text](size_t at) { return fold_in[static_cast<unsigned char>(text[at])]; };
  size_t at = 0;
  while (at < length) {
    while (at < length && in(at) == 0) ++at;
    size_t begin = at;
    while (at < length && in(at) != 0) ++at;
    size_t end = at;
    if (!table.blank_at_end) {
      while (begin < end && text[begin] == ' ') ++begin;
      while (end > begin && text[end - 1] == ' ') --end;
    }
    if (begin == end) continue;
    const size_t size = end - begin;
    const unsigned char c = Folded(text[begin]);
    bool whole = false;
    for (size_t k = table.first[c]; k < table.first[c + 1]; ++k) {
      const Name& key = table.entries[k];
      if (key.size != size) continue;
      size_t i = 1;
      while (i < size && in(begin + i) == static_cast<unsigned char>(key.text[i])) ++i;
      if (i == size) {
        *mask |= 1u << key.row;
        whole = true;
      }
    }
    if (!whole) return false;
  }
  return true;
}

}  // namespace

uint32_t LookupMask(const char* text, const char* const* keys, const char* const* alternatives,
                    int32_t count) {
  if (text == nullptr) return 0;
  if (count > 32) count = 32;
  // The keys are lower case, so a group of the folded first byte holds every key that can start there.
  std::unique_ptr<GroupedTable> unkept;
  const GroupedTable& table = Grouped(keys, alternatives, count, false, &unkept);
  const size_t length = std::strlen(text);
  uint32_t mask = 0;
  if (MaskOfWholeRuns(table, text, length, &mask)) return mask;
  mask = 0;
  std::vector<Occurrence> found;
  // Every occurrence of every key (overlapping ones too), in order of their start: one pass over
  // the text, folding as it goes, comparing only the keys that begin with the byte at hand.
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
