#include "mymovies/item_matching.h"

#include <cstring>
#include <new>
#include <string>

#include "diag/audit_line.h"
#include "diag/sync_log.h"
#include "movies/movie_item.h"
#include "mymovies/desktop_item_list.h"

namespace {

constexpr uint32_t kNoRecordId = 0xFFFFFFFFu;

// Pairs the handheld record with the listed entry and marks what the write-back pass does (in
// the merge mode the entry's content becomes the merged item). False when memory runs out.
bool PairWithEntry(Clock& clock, MovieItem& record, DesktopItemList& list, ItemRef entry, const TextString& key,
                   ConflictMode mode) {
  LogAuditText("[EXISTS ON DESKTOP] ");
  list.SetMatched(entry, true);
  list.SetRecordId(entry, record.GetRecordId());
  // Equal bytes are equal content: most lines of an import made from an export come back so.
  uint32_t size = 0;
  const uint8_t* bytes = record.GetPackedRecord(&size);
  if (record.GetCategory() == list.GetCategory(entry) && list.HoldsPacked(entry, bytes, size)) {
    LogAuditText("[ITEMS MATCH] ");
    return true;
  }
  MovieItem listed;
  if (record.GetCategory() == list.GetCategory(entry)) {
    list.Load(entry, &listed);
    if (record.IsSameAs(listed)) {
      LogAuditText("[ITEMS MATCH] ");
      return true;
    }
  }
  LogAuditText("[ITEMS DIFFER] ");
  switch (mode) {
    case ConflictMode::kAddNew:
      LogAuditText("[will be added to device] ");
      // Frees the key again: the desktop item becomes a new record.
      list.SetMatched(entry, false);
      list.SetRecordId(entry, kNoRecordId);
      return true;
    case ConflictMode::kDesktopOverwrites:
      LogAuditText("[will be replaced on device] ");
      list.SetWriteBack(entry, true);
      return true;
    case ConflictMode::kMergeFields: {
      LogAuditText("[will be updated on device] ");
      try {
        MovieItem merged(record);
        if (!listed.IsPackedValid()) list.Load(entry, &listed);
        merged.CopyPresentFields(clock, listed);
        merged.SetOnDesktop(1);
        merged.SetMatched(1);
        merged.SetWriteBack(1);
        list.Add(merged, key.Text());
      } catch (const std::bad_alloc&) {
        return false;
      }
      return true;
    }
    default:
      LogAuditText("[no action will be taken] ");
      return true;
  }
}

}  // namespace

TextString KeyVariant(const TextString& key, int n) {
  TextString variant;
  FormatText(variant, "%s!!%2.2i", key.Text(), n);
  return variant;
}

MatchResult ListImportItem(MovieItem& work, int32_t line, DesktopItemList& list, ImportTotals& totals,
                           ItemRef* last_listed) {
  // The key is built on the stack: this runs for every line.
  char buffer[MovieItem::kKeyBufferSize];
  std::string spill;
  const char* key_text = work.BuildKey(buffer, &spill);
  work.SetOnDesktop(1);
  // Most lines have a key of their own: listed with one lookup. The list's copy is the item
  // copy that cannot be allocated when memory runs out.
  ItemRef listed = kNoItem;
  try {
    listed = list.AddIfAbsent(work, key_text);
  } catch (const std::bad_alloc&) {
    return MatchResult::kNoMemory;
  }
  if (listed != kNoItem) {
    if (AuditOn()) AuditLine().Text("  Added to list with key '").Data(key_text, std::strlen(key_text)).Text("'\n").Write();
    *last_listed = listed;
    return MatchResult::kOk;
  }
  TextString key(key_text);
  TextString candidate = key;
  ItemRef entry = kNoItem;
  bool found_free = false;
  for (int n = 1; n <= kImportKeyVariants && !found_free; ++n) {
    candidate = KeyVariant(key, n);
    found_free = !list.Find(candidate.Text(), &entry);
  }
  if (!found_free) {
    LogSync("WARNING : Import line %i (%s) has the same key (%s) as many items already imported.  "
            "This record has been skipped and WILL NOT IMPORT.\n",
            static_cast<int>(line), work.Describe(), key.Text());
    ++totals.duplicates_skipped;
    return MatchResult::kOk;
  }
  LogSync("WARNING : Import line %i (%s) has the same key (%s) as an item already imported.  "
          "This record will import, but may not match the expected device record.\n",
          static_cast<int>(line), work.Describe(), candidate.Text());
  ++totals.duplicates_processed;
  try {
    listed = list.Add(work, candidate.Text());
  } catch (const std::bad_alloc&) {
    return MatchResult::kNoMemory;
  }
  LogAudit("  Added to list with key '%s'\n", candidate.Text());
  *last_listed = listed;
  return MatchResult::kOk;
}

namespace {

// The record pairs with the listed entry of its key, or the key is held for the records after it.
MatchResult PairOrHold(Clock& clock, MovieItem& item, const TextString& candidate, bool listed, ItemRef entry,
                       ConflictMode mode, DesktopItemList& list, TextString* paired_key) {
  *paired_key = candidate;
  if (listed) {
    // The entry takes the record's text of the key (the same key, perhaps in other letter case).
    list.Rekey(entry, candidate.Text());
    return PairWithEntry(clock, item, list, entry, candidate, mode) ? MatchResult::kOk : MatchResult::kNoMemory;
  }
  LogAuditText("[DOES NOT EXIST ON DESKTOP, OR ALL DESKTOP ITEMS MATCHED] ");
  // Holds the key so that a later record with the same key counts as a duplicate; never written
  // nor read, so it carries no content (a full handheld would otherwise be held twice).
  list.AddPlaceholder(candidate.Text());
  return MatchResult::kOk;
}

}  // namespace

MatchResult MatchDeviceItem(Clock& clock, MovieItem& item, const TextString& key, int32_t count, ConflictMode mode,
                            bool import_on, DesktopItemList& list, TextString* paired_key) {
  ItemRef entry = kNoItem;
  bool listed = list.Find(key.Text(), &entry);
  if (!listed || !list.Matched(entry)) return PairOrHold(clock, item, key, listed, entry, mode, list, paired_key);
  // A handheld record with this key came before: look for the next variant nobody took.
  TextString candidate;
  LogAuditText(" [DUPE KEY]");
  bool placed = false;
  for (int n = 1; n <= kDeviceKeyVariants && !placed; ++n) {
    candidate = KeyVariant(key, n);
    entry = kNoItem;
    listed = list.Find(candidate.Text(), &entry);
    if (!listed) {
      LogAuditText("[NO DESKTOP MATCH ]");
      placed = true;
    } else if (!list.Matched(entry)) {
      placed = true;
    } else {
      LogAuditText("*");
    }
  }
  if (!placed) {
    LogSync("WARNING : Export line %i (%s) has the same key (%s) as too many items already exported.  "
            "This record will export BUT WILL NOT MATCH a desktop record if importing.\n",
            static_cast<int>(count), item.Describe(), key.Text());
    LogAuditText("[TOO MANY DUPLICATE DEVICE KEYS, SKIPPING MATCH (record will still export)] ");
    if (import_on) {
      LogSync("WARNING : %s record #%i (%s) on the device will export, but will not match because "
              "it's key ('%s') was the same as too many previously read records.\n",
              "Ro Vedevu", static_cast<int>(count), item.Describe(), key.Text());
    }
    *paired_key = key;
    return MatchResult::kOk;
  }
  return PairOrHold(clock, item, candidate, listed, entry, mode, list, paired_key);
}
