// Pairing import lines with handheld records by key.
//
// The import file carries no record IDs, so lines and records meet through the key of BuildKey.
// Several movies with one key pair up in order through numbered variants of the key ("K!!01",
// "K!!02", ...). The decisions are left as markers on the listed items (OnDesktop: from the import
// file; Matched: a handheld record took the key; WriteBack: rewrite that record) for the write-back
// pass, and traced in the debug log with short audit tags.
#ifndef REELBOX_MYMOVIES_ITEM_MATCHING_H
#define REELBOX_MYMOVIES_ITEM_MATCHING_H

#include <cstdint>

#include "diag/text_string.h"
#include "mymovies/desktop_item_list.h"

class Clock;
class MovieItem;

// The counts one import/export run reports at its end.
struct ImportTotals {
  uint32_t exported = 0;
  uint32_t matched = 0;
  uint32_t added = 0;
  uint32_t updated = 0;
  uint32_t duplicates_processed = 0;  // import lines listed under a variant
  uint32_t duplicates_skipped = 0;    // import lines not listed: every variant taken
};

// Conflict modes chosen on the handheld for a pair whose items differ.
enum class ConflictMode : int32_t {
  kAddNew = 0,             // add the desktop item as a new record
  kDesktopOverwrites = 1,  // rewrite the record with the whole desktop item
  kMergeFields = 2,        // rewrite the record, taking only the fields the import line had
  kIgnoreDesktop = 3,      // leave the record alone
};

// Variants tried for a key already taken: the import side stops at 49, the handheld side at 50.
constexpr int kImportKeyVariants = 49;
constexpr int kDeviceKeyVariants = 50;

// Results of both operations; kNoMemory when a copy of an item cannot be allocated (the run then
// ends with its own result 9).
enum class MatchResult : int32_t { kOk = 0, kNoMemory = 9 };

// key, "!!" and n with at least two digits.
TextString KeyVariant(const TextString& key, int n);

// Lists a copy of the import line just parsed (work) under its key or the first free variant, or
// skips it when every variant is taken. *last_listed becomes the copy. kNoMemory: nothing listed.
MatchResult ListImportItem(MovieItem& work, int32_t line, DesktopItemList& list, ImportTotals& totals,
                           ItemRef* last_listed);

// Pairs the handheld record read into item (its key given) with a listed import line, deciding by
// mode what happens to a pair that differs (a merge passes the line's dates through clock), or
// lists a copy of the record so that later records with the same key count as duplicates. count is
// the 1-based record count. *paired_key receives the key under which the record was paired or
// listed (its own key when every variant was taken).
// Throws std::bad_alloc when the list cannot take an entry.
MatchResult MatchDeviceItem(Clock& clock, MovieItem& item, const TextString& key, int32_t count, ConflictMode mode,
                            bool import_on, DesktopItemList& list, TextString* paired_key);

#endif  // REELBOX_MYMOVIES_ITEM_MATCHING_H
