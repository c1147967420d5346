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

}  // namespace

// A table's names and alternatives grouped by their folded first byte: the names beginning with
// byte c are names[first[c]] up to names[first[c + 1]], each group in the order the rows are
// tried (row by row, the name before the alternative).
struct GroupedTable {
  struct Name {
    const char* text;
    size_t size;
    int32_t row;
  };
  const char* const* names = nullptr;
  const char* const* alternatives = nullptr;
  int32_t count = -1;
  bool keep_empty = false;
  std::vector<Name> entries;
  uint16_t first[257] = {};
  bool in_name[256] = {};     // the folded bytes that occur in some name
  uint8_t fold_in[256] = {};  // by byte: its folded form when that occurs in some name, else 0
  bool blank_at_end = false;  // some name begins or ends with a blank
  // Every distinct name once, with the lowest row and the rows (below 32) that have it, found by
  // the hash of its shape. Slots hold an index into distinct plus 1; 0 is empty.
  struct Distinct {
    const char* text;
    size_t size;
    int32_t lowest;
    uint32_t rows;
  };
  std::vector<Distinct> distinct;
  std::vector<uint16_t> slots;
  // The distinct names of up to 16 bytes that can match a text, folded into two words (see
  // ShortForm), in a table of their own: such a name is found without a loop over its bytes.
  struct Short {
    uint64_t w0;
    uint64_t w1;
    uint32_t size;
    uint32_t distinct;  // index into distinct plus 1; 0 is an empty place
  };
  std::vector<Short> shorts;
  // The texts the export writes, whole and in their letter case, each with the row the lookup gives
  // for it; chained by first byte (shown_first, -1 for none).
  struct Shown {
    const char* text;
    size_t size;
    int32_t row;
    int32_t next;
  };
  std::vector<Shown> shown;
  int32_t shown_first[256];
};

namespace {

using Name = GroupedTable::Name;

// A hash of a text's length and three of its bytes, folded: texts of a table mostly differ there,
// and it costs the same for long texts as for short ones.
uint32_t ShapeHash(const char* text, size_t size) {
  uint32_t h = static_cast<uint32_t>(size) * 0x9E3779B1u;
  if (size > 0) {
    h ^= Folded(text[0]) | static_cast<uint32_t>(Folded(text[size - 1])) << 8 |
         static_cast<uint32_t>(Folded(text[size / 2])) << 16;
  }
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  return h ^ (h >> 12);
}

// Whether the name matches the text: with fold_names both folded; otherwise the name's first byte
// folded and the rest as it stands against the folded text (the keys of a mask are lower case).
bool NameMatches(const char* name, const char* text, size_t size, bool fold_names) {
  if (size == 0) return true;
  if (Folded(name[0]) != Folded(text[0])) return false;
  for (size_t i = 1; i < size; ++i) {
    const unsigned char n = fold_names ? Folded(name[i]) : static_cast<unsigned char>(name[i]);
    if (n != Folded(text[i])) return false;
  }
  return true;
}

constexpr size_t kShortSize = 16;

using byte_scan::FoldLetters;

uint32_t Load32(const char* p) {
  uint32_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

// A text of up to 16 bytes as two words, folded: its first and last eight bytes (overlapping when
// shorter), its first and last four, or its first, middle and last byte. With the size it tells
// the text apart from every other text of that size.
inline __attribute__((always_inline)) GroupedTable::Short ShortForm(const char* text, size_t size) {
  uint64_t w0 = 0;
  uint64_t w1 = 0;
  if (size >= 8) {
    w0 = byte_scan::Load(text);
    w1 = byte_scan::Load(text + size - 8);
  } else if (size >= 4) {
    w0 = Load32(text) | static_cast<uint64_t>(Load32(text + size - 4)) << 32;
  } else if (size > 0) {
    w0 = static_cast<unsigned char>(text[0]) | static_cast<uint64_t>(static_cast<unsigned char>(text[size / 2])) << 8 |
         static_cast<uint64_t>(static_cast<unsigned char>(text[size - 1])) << 16;
  }
  return GroupedTable::Short{FoldLetters(w0), FoldLetters(w1), static_cast<uint32_t>(size), 0};
}

// Mixed in 32-bit halves: on the 32-bit target a 64-bit product takes three multiplications.
size_t ShortHash(const GroupedTable::Short& form) {
  const uint32_t a = static_cast<uint32_t>(form.w0) ^ (static_cast<uint32_t>(form.w1 >> 32) * 0x85EBCA77u);
  const uint32_t b = static_cast<uint32_t>(form.w0 >> 32) ^ (static_cast<uint32_t>(form.w1) * 0xC2B2AE3Du) ^ form.size;
  uint32_t h = a * 0x9E3779B1u ^ (b * 0x27D4EB2Fu);
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  return static_cast<size_t>(h ^ (h >> 13));
}

// The distinct name the text matches (tables that keep empty names match folded names); null
// when none does.
const GroupedTable::Distinct* FindDistinct(const GroupedTable& table, const char* text, size_t size) {
  if (size <= kShortSize) {
    const GroupedTable::Short form = ShortForm(text, size);
    const size_t mask = table.shorts.size() - 1;
    for (size_t at = ShortHash(form) & mask;; at = (at + 1) & mask) {
      const GroupedTable::Short& held = table.shorts[at];
      if (held.distinct == 0) return nullptr;
      if (held.w0 == form.w0 && held.w1 == form.w1 && held.size == form.size) return &table.distinct[held.distinct - 1];
    }
  }
  const size_t mask = table.slots.size() - 1;
  for (size_t at = ShapeHash(text, size) & mask;; at = (at + 1) & mask) {
    const uint16_t slot = table.slots[at];
    if (slot == 0) return nullptr;
    const GroupedTable::Distinct& d = table.distinct[slot - 1];
    if (d.size == size && NameMatches(d.text, text, size, table.keep_empty)) return &d;
  }
}

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
  size_t slots = 16;
  while (slots < 2 * table.entries.size()) slots *= 2;
  table.slots.assign(slots, 0);
  for (const Name& name : table.entries) {
    const uint32_t bit = name.row >= 0 && name.row < 32 ? 1u << name.row : 0u;
    GroupedTable::Distinct* same = nullptr;
    for (GroupedTable::Distinct& d : table.distinct) {
      if (d.size == name.size && NameMatches(d.text, name.text, name.size, keep_empty) &&
          NameMatches(name.text, d.text, name.size, keep_empty)) {
        same = &d;
        break;
      }
    }
    if (same != nullptr) {
      same->lowest = std::min(same->lowest, name.row);
      same->rows |= bit;
      continue;
    }
    table.distinct.push_back({name.text, name.size, name.row, bit});
    size_t at = ShapeHash(name.text, name.size) & (slots - 1);
    while (table.slots[at] != 0) at = (at + 1) & (slots - 1);
    table.slots[at] = static_cast<uint16_t>(table.distinct.size());
  }
  table.shorts.assign(slots, GroupedTable::Short{0, 0, 0, 0});
  for (size_t i = 0; i < table.distinct.size(); ++i) {
    const GroupedTable::Distinct& d = table.distinct[i];
    if (d.size > kShortSize) continue;
    // A key of a mask with a capital after its first byte matches no text (texts are folded).
    bool matchable = true;
    for (size_t j = 1; j < d.size && !keep_empty; ++j) matchable = matchable && Folded(d.text[j]) == static_cast<unsigned char>(d.text[j]);
    if (!matchable) continue;
    GroupedTable::Short form = ShortForm(d.text, d.size);
    form.distinct = static_cast<uint32_t>(i + 1);
    size_t at = ShortHash(form) & (slots - 1);
    while (table.shorts[at].distinct != 0) at = (at + 1) & (slots - 1);
    table.shorts[at] = form;
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
int32_t MatchRow(const GroupedTable& table, std::string_view text, int32_t def) {
  const GroupedTable::Distinct* found = FindDistinct(table, text.data(), text.size());
  return found != nullptr ? found->lowest : def;
}

int32_t IndexIn(const GroupedTable& table, const char* text, size_t size, int32_t def) {
  const std::string_view whole(text != nullptr ? text : "", text != nullptr ? size : 0);
  if (byte_scan::FindByte(whole.data(), whole.data() + whole.size(), ' ') == whole.data() + whole.size())
    return MatchRow(table, whole, def);
  // Value texts are short: the text without blanks is put together on the stack.
  char on_stack[64];
  std::string on_heap;
  char* compact = on_stack;
  if (whole.size() > sizeof on_stack) {
    on_heap.resize(whole.size());
    compact = &on_heap[0];
  }
  size_t kept = 0;
  for (char c : whole) {
    if (c != ' ') compact[kept++] = c;
  }
  int32_t row = MatchRow(table, std::string_view(compact, kept), -1);
  if (row >= 0) return row;
  // Names that hold a blank ("CinemaScope 55") can never equal a text without blanks; without this
  // second look every such value the conduit exports would read back as row 0.
  size_t begin = 0;
  size_t end = whole.size();
  while (begin < end && IsSpaceChar(whole[begin])) ++begin;
  while (end > begin && IsSpaceChar(whole[end - 1])) --end;
  return MatchRow(table, whole.substr(begin, end - begin), def);
}

}  // namespace

int32_t LookupIndex(const char* text, const char* const* names, const char* const* alternatives,
                    int32_t count, int32_t def) {
  std::unique_ptr<GroupedTable> unkept;
  const GroupedTable& table = Grouped(names, alternatives, count, true, &unkept);
  return IndexIn(table, text, text != nullptr ? std::strlen(text) : 0, def);
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
    const GroupedTable::Distinct* key = FindDistinct(table, text + begin, end - begin);
    if (key == nullptr) return false;
    *mask |= key->rows;
  }
  return true;
}

}  // namespace

namespace {

uint32_t MaskIn(const GroupedTable& table, const char* text, size_t length) {
  if (text == nullptr) return 0;
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

}  // namespace

uint32_t LookupMask(const char* text, const char* const* keys, const char* const* alternatives,
                    int32_t count) {
  if (text == nullptr) return 0;
  if (count > 32) count = 32;
  std::unique_ptr<GroupedTable> unkept;
  const GroupedTable& table = Grouped(keys, alternatives, count, false, &unkept);
  return MaskIn(table, text, std::strlen(text));
}

LookupTable::LookupTable(const char* const* names, const char* const* alternatives, int32_t count, Kind kind,
                         const char* const* shown)
    : table_(new GroupedTable) {
  // The keys of a mask are lower case, so a group of the folded first byte holds every key that can
  // start there.
  if (kind == Kind::kMask && count > 32) count = 32;
  Build(*table_, names, alternatives, count, kind == Kind::kIndex);
  for (int32_t& first : table_->shown_first) first = -1;
  if (shown == nullptr || kind != Kind::kIndex) return;
  for (int32_t row = count - 1; row >= 0; --row) {
    const char* text = shown[row];
    const size_t size = text != nullptr ? std::strlen(text) : 0;
    if (size == 0) continue;
    const int32_t found = IndexIn(*table_, text, size, -1);
    if (found < 0) continue;
    const unsigned char c = static_cast<unsigned char>(text[0]);
    table_->shown.push_back({text, size, found, table_->shown_first[c]});
    table_->shown_first[c] = static_cast<int32_t>(table_->shown.size() - 1);
  }
}

LookupTable::~LookupTable() = default;

int32_t LookupTable::Index(const char* text, size_t size, int32_t def) const {
  if (text != nullptr && size > 0) {
    const GroupedTable& table = *table_;
    for (int32_t i = table.shown_first[static_cast<unsigned char>(text[0])]; i >= 0; i = table.shown[static_cast<size_t>(i)].next) {
      const GroupedTable::Shown& shown = table.shown[static_cast<size_t>(i)];
      if (shown.size == size && byte_scan::SameShort(shown.text, text, size)) return shown.row;
    }
  }
  return IndexIn(*table_, text, size, def);
}

uint32_t LookupTable::Mask(const char* text, size_t size) const { return MaskIn(*table_, text, size); }
