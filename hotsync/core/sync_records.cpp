// SYNC20 record operations. Reads by index and by id return every record, deleted ones included
// (with their attributes); the walk in a category skips records marked deleted. A write with id 0
// appends a new record with a fresh id; ids are never reused within a database.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>

#include "core/operation.h"
#include "hotsync_api.h"

using namespace hotsync;

namespace {

constexpr uint32_t kMaxRecordSize = 0xFFFF;

int32_t CheckRecordDatabase(OpenDatabase* db) {
  return db->db.IsResourceDatabase() ? static_cast<int32_t>(kHsErrWrongKind) : 0;
}

// Index of the record with that id, or -1.
std::ptrdiff_t PositionOf(OpenDatabase* db, uint32_t id) {
  if (!db->positionsValid) {
    db->positions.clear();
    db->positions.reserve(db->db.records.size());
    for (size_t i = 0; i < db->db.records.size(); ++i) {
      db->positions.emplace_back(db->db.records[i].id, static_cast<uint32_t>(i));
    }
    // A database keeps its records in id order unless a tool wrote it otherwise.
    if (!std::is_sorted(db->positions.begin(), db->positions.end())) {
      std::sort(db->positions.begin(), db->positions.end());
    }
    db->positionsValid = true;
  }
  // The first record with the id, when several have it.
  auto found = std::lower_bound(db->positions.begin(), db->positions.end(), std::make_pair(id, uint32_t{0}));
  return found == db->positions.end() || found->first != id ? -1 : static_cast<std::ptrdiff_t>(found->second);
}

int32_t Deliver(OpenDatabase* db, size_t index, RecordExchange* record) {
  const PalmRecord& stored = db->db.records[index];
  record->recordId = stored.id;
  record->index = static_cast<uint16_t>(index);
  record->attributes = static_cast<uint8_t>(stored.attributes & ~kRecAttrCategoryMask);
  record->category = static_cast<int16_t>(stored.attributes & kRecAttrCategoryMask);
  record->recordSize = static_cast<uint32_t>(stored.data.size());
  const size_t room = record->buffer != nullptr ? record->bufferSize : 0;
  const size_t copied = stored.data.size() < room ? stored.data.size() : room;
  if (copied > 0) std::memcpy(record->buffer, stored.data.data(), copied);
  return 0;
}

uint32_t AllocateId(OpenDatabase* db) {
  if (db->nextId == 0) {
    uint32_t next = db->db.uniqueIdSeed == 0 ? 1 : db->db.uniqueIdSeed;
    for (const PalmRecord& record : db->db.records) {
      if (record.id >= next) next = record.id + 1;
    }
    db->nextId = next;
  }
  if (db->nextId > kMaxRecordId) return 0;
  const uint32_t id = db->nextId++;
  db->db.uniqueIdSeed = db->nextId;
  return id;
}

}  // namespace

extern "C" {

int32_t HS_CALL SyncResetRecordIndex(uint8_t handle) {
  Session* session = nullptr;
  OpenDatabase* db = nullptr;
  if (int32_t code = EnterDatabaseOperation("SyncResetRecordIndex", handle, &session, &db)) {
    return code;
  }
  db->cursor = 0;
  return 0;
}

int32_t HS_CALL SyncReadRecordByIndex(RecordExchange* record) {
  if (record == nullptr) return kHsErrBadArgument;
  Session* session = nullptr;
  OpenDatabase* db = nullptr;
  if (int32_t code =
          EnterDatabaseOperation("SyncReadRecordByIndex", record->handle, &session, &db)) {
    return code;
  }
  if (int32_t code = CheckRecordDatabase(db)) return code;
  if (record->index >= db->db.records.size()) return kSyncErrNotFound;
  session->NoteWalk(record->index, db->db.records.size());
  return Deliver(db, record->index, record);
}

int32_t HS_CALL SyncReadRecordById(RecordExchange* record) {
  if (record == nullptr) return kHsErrBadArgument;
  Session* session = nullptr;
  OpenDatabase* db = nullptr;
  if (int32_t code = EnterDatabaseOperation("SyncReadRecordById", record->handle, &session, &db)) {
    return code;
  }
  if (int32_t code = CheckRecordDatabase(db)) return code;
  const std::ptrdiff_t position = PositionOf(db, record->recordId);
  if (position < 0) return kSyncErrNotFound;
  return Deliver(db, static_cast<size_t>(position), record);
}

int32_t HS_CALL SyncReadNextRecInCategory(RecordExchange* record) {
  if (record == nullptr) return kHsErrBadArgument;
  Session* session = nullptr;
  OpenDatabase* db = nullptr;
  if (int32_t code =
          EnterDatabaseOperation("SyncReadNextRecInCategory", record->handle, &session, &db)) {
    return code;
  }
  if (int32_t code = CheckRecordDatabase(db)) return code;
  if (record->category < 0 || record->category > 15) return kHsErrBadArgument;
  const std::vector<PalmRecord>& records = db->db.records;
  for (size_t i = db->cursor; i < records.size(); ++i) {
    const uint8_t attributes = records[i].attributes;
    if ((attributes & kRecAttrCategoryMask) == record->category && !(attributes & kRecAttrDelete)) {
      db->cursor = i + 1;
      session->NoteWalk(i, records.size());
      return Deliver(db, i, record);
    }
  }
  db->cursor = records.size();
  return kSyncErrNotFound;
}

int32_t HS_CALL SyncWriteRec(RecordExchange* record) {
  if (record == nullptr) return kHsErrBadArgument;
  Session* session = nullptr;
  OpenDatabase* db = nullptr;
  if (int32_t code = EnterDatabaseOperation("SyncWriteRec", record->handle, &session, &db)) {
    return code;
  }
  if (int32_t code = CheckRecordDatabase(db)) return code;
  if (record->category < 0 || record->category > 15) return kHsErrBadArgument;
  if (record->recordSize > kMaxRecordSize) return kHsErrTooLarge;
  if (record->recordSize > record->bufferSize || (record->recordSize > 0 && !record->buffer)) {
    return kHsErrBadArgument;
  }
  std::vector<PalmRecord>& records = db->db.records;
  PalmRecord* target = nullptr;
  size_t index = 0;
  if (record->recordId == 0) {
    if (records.size() >= 0xFFFF) return kHsErrFull;
    const uint32_t id = AllocateId(db);
    if (id == 0) return kHsErrFull;
    records.emplace_back();
    index = records.size() - 1;
    target = &records.back();
    target->id = id;
    // A new id is above all others: it keeps the index in order.
    if (db->positionsValid && (db->positions.empty() || db->positions.back().first < id)) {
      db->positions.emplace_back(id, static_cast<uint32_t>(index));
    } else {
      db->positionsValid = false;
    }
  } else {
    const std::ptrdiff_t position = PositionOf(db, record->recordId);
    if (position < 0) return kSyncErrNotFound;
    index = static_cast<size_t>(position);
    target = &records[index];
  }
  target->attributes = static_cast<uint8_t>((record->attributes & ~kRecAttrCategoryMask) |
                                            (record->category & kRecAttrCategoryMask));
  target->data = db->written.Copy(record->buffer, record->recordSize);
  record->recordId = target->id;
  record->index = static_cast<uint16_t>(index);
  db->modified = true;
  return 0;
}

int32_t HS_CALL SyncDeleteRec(RecordExchange* record) {
  Session* session = nullptr;
  OpenDatabase* db = nullptr;
  if (record == nullptr) return kHsErrBadArgument;
  if (int32_t code = EnterDatabaseOperation("SyncDeleteRec", record->handle, &session, &db)) {
    return code;
  }
  if (int32_t code = CheckRecordDatabase(db)) return code;
  const std::ptrdiff_t position = PositionOf(db, record->recordId);
  if (position < 0) return kSyncErrNotFound;
  std::vector<PalmRecord>& records = db->db.records;
  records.erase(records.begin() + position);
  if (static_cast<size_t>(position) < db->cursor) --db->cursor;
  db->modified = true;
  db->positionsValid = false;
  return 0;
}

}  // extern "C"
