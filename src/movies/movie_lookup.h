// Matching import texts against the value tables.
#ifndef REELBOX_MOVIES_MOVIE_LOOKUP_H
#define REELBOX_MOVIES_MOVIE_LOOKUP_H

#include <cstddef>
#include <cstdint>
#include <memory>

// The lowest row whose name or alternative name equals the text with its blanks removed, letter
// case ignored. When none does and the text held blanks, the lowest row that equals the text with
// only its ends trimmed (so names with a blank read back); else def. Null names never match.
// REQUIRES: names and alternatives are fixed tables (grouped once, known by their address).
int32_t LookupIndex(const char* text, const char* const* names, const char* const* alternatives,
                    int32_t count, int32_t def);

// Bit i is set when keys[i] or alternatives[i] (lower-case; null for none) occurs in the lower-cased
// text. An occurrence that lies inside a longer key's occurrence in the same text does not count,
// so "sound editing" does not also set "sound". Rows from 32 on are ignored. REQUIRES: keys and
// alternatives are fixed tables (they are prepared once, known by their address).
uint32_t LookupMask(const char* text, const char* const* keys, const char* const* alternatives,
                    int32_t count);

struct GroupedTable;

// One table prepared for its lookups when it is made, for callers that keep it (a lookup through the
// functions above first finds the table's prepared form by its address).
class LookupTable {
 public:
  enum class Kind { kIndex, kMask };
  // shown (a kIndex table; null for none): the texts the export writes for the rows. Each is
  // answered from what the lookup gives for it, found when the table is made.
  LookupTable(const char* const* names, const char* const* alternatives, int32_t count, Kind kind,
              const char* const* shown = nullptr);
  LookupTable(const LookupTable&) = delete;
  LookupTable& operator=(const LookupTable&) = delete;
  ~LookupTable();

  // As LookupIndex, for a text of size bytes. REQUIRES: a kIndex table.
  int32_t Index(const char* text, size_t size, int32_t def) const;
  // As LookupMask, for a text of size bytes. REQUIRES: a kMask table.
  uint32_t Mask(const char* text, size_t size) const;

 private:
  std::unique_ptr<GroupedTable> table_;
};

#endif  // REELBOX_MOVIES_MOVIE_LOOKUP_H
