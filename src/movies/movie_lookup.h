// Matching import texts against the value tables.
#ifndef REELBOX_MOVIES_MOVIE_LOOKUP_H
#define REELBOX_MOVIES_MOVIE_LOOKUP_H

#include <cstdint>

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

#endif  // REELBOX_MOVIES_MOVIE_LOOKUP_H
