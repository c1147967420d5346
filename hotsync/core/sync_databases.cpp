// SYNC20 operations on whole databases: open, create, close, AppInfo blocks, counts, category
// changes and the two end-of-pass operations.
//
// End of pass: 31 (SyncFinishPassPurge) removes the records marked deleted (0x80); 40
// (SyncFinishPassClearFlags) clears the dirty flag (0x40) of every record.
#include <cstring>

#include "core/operation.h"
#include "hotsync_api.h"

using namespace hotsync;

namespace {

std::string NameOf(const char* name, size_t limit) {
  size_t length = 0;
  while (length < limit && name[length] != 0) ++length;
  return std::string(name, length);
}

int32_t OpenFile(Session* session, const std::string& name, uint8_t* handle) {
  std::string path;
  if (session->handheld()->Locate(name, &path) != 0) return kSyncErrNotFound;
  if (session->IsOpen(path)) return kSyncErrAlreadyOpen;
  std::unique_ptr<OpenDatabase> db(new OpenDatabase);
  db->path = path;
  std::string error;
  int32_t result = session->handheld()->Load(path, &db->db, &error);
  if (result != 0) {
    session->SetError(error);
    session->AddLog("Handheld database \"" + name + "\" cannot be used: " + error, -1);
    return result;
  }
  return session->AddOpen(std::move(db), handle);
}

// Positions move: the id index is rebuilt on its next use.
void MarkModified(Session*, OpenDatabase* db) {
  db->modified = true;
  db->positionsValid = false;
}

}  // namespace

extern "C" {

// The stand-in's handheld files are always open for reading and writing, whatever the mode.
int32_t HS_CALL SyncOpenDB(const char* name, int32_t card, uint8_t* handle, [[maybe_unused]] uint8_t mode) {
  Session* session = nullptr;
  if (int32_t code = EnterOperation("SyncOpenDB", &session)) return code;
  if (session->handheld() == nullptr) return kHsErrNoSession;
  if (name == nullptr || handle == nullptr || card != 0) return kHsErrBadArgument;
  return OpenFile(session, NameOf(name, kPalmNameSize - 1), handle);
}

int32_t HS_CALL SyncCreateDB(DatabaseCreateRecord* record) {
  Session* session = nullptr;
  if (int32_t code = EnterOperation("SyncCreateDB", &session)) return code;
  if (session->handheld() == nullptr) return kHsErrNoSession;
  if (record == nullptr || record->card != 0) return kHsErrBadArgument;
  const std::string name = NameOf(record->name, kPalmNameSize - 1);
  if (name.empty()) return kHsErrBadArgument;
  Handheld* handheld = session->handheld();
  std::string path;
  if (handheld->Locate(name, &path) == 0) {
    if (session->IsOpen(path)) return kSyncErrAlreadyOpen;
    // A damaged file is user data too: report it rather than "exists", and never replace it.
    PalmDatabase existing;
    std::string error;
    int32_t result = handheld->Load(path, &existing, &error);
    if (result != 0) {
      session->SetError(error);
      session->AddLog("Handheld database \"" + name + "\" cannot be used: " + error, -1);
      return result;
    }
    return kSyncErrExists;
  }
  std::unique_ptr<OpenDatabase> db(new OpenDatabase);
  PalmDatabase& pdb = db->db;
  pdb.name = name;
  pdb.attributes = static_cast<uint16_t>(record->flags);
  pdb.version = record->version;
  pdb.creationDate = pdb.modificationDate = HandheldSecondsNow(session->clockOffset());
  pdb.type = record->type;
  pdb.creator = record->creator;
  pdb.uniqueIdSeed = 1;
  db->path = handheld->PathFor(name, pdb.IsResourceDatabase());
  // Written at once, so the database exists on the handheld even if the sync dies before close.
  std::string error;
  if (int32_t result = handheld->Store(db->path, pdb, &session->faults(), &error)) {
    session->SetError(error);
    return result;
  }
  return session->AddOpen(std::move(db), &record->handle);
}

int32_t HS_CALL SyncCloseDB(uint8_t handle) {
  Session* session = nullptr;
  OpenDatabase* db = nullptr;
  if (int32_t code = EnterDatabaseOperation("SyncCloseDB", handle, &session, &db)) return code;
  return session->Close(handle);
}

int32_t HS_CALL SyncGetDBRecordCount(uint8_t handle, uint16_t* count) {
  Session* session = nullptr;
  OpenDatabase* db = nullptr;
  if (int32_t code = EnterDatabaseOperation("SyncGetDBRecordCount", handle, &session, &db)) {
    return code;
  }
  if (count == nullptr) return kHsErrBadArgument;
  *count = static_cast<uint16_t>(db->db.IsResourceDatabase() ? db->db.resources.size()
                                                             : db->db.records.size());
  return 0;
}

int32_t HS_CALL SyncReadDBAppInfoBlock(uint8_t handle, DatabaseBlockInfo* info) {
  Session* session = nullptr;
  OpenDatabase* db = nullptr;
  if (int32_t code = EnterDatabaseOperation("SyncReadDBAppInfoBlock", handle, &session, &db)) {
    return code;
  }
  if (info == nullptr) return kHsErrBadArgument;
  if (!db->db.hasAppInfo) {
    info->byteCount = 0;
    return kSyncErrNotFound;
  }
  const Bytes& block = db->db.appInfo;
  const size_t room = info->buffer != nullptr ? info->bufferSize : 0;
  if (room > 0) std::memcpy(info->buffer, block.data(), block.size() < room ? block.size() : room);
  // Blocks above 65535 bytes cannot be told in the 16-bit count.
  info->byteCount = static_cast<uint16_t>(block.size() > 0xFFFF ? 0xFFFF : block.size());
  return 0;
}

int32_t HS_CALL SyncWriteDBAppInfoBlock(uint8_t handle, DatabaseBlockInfo* info) {
  Session* session = nullptr;
  OpenDatabase* db = nullptr;
  if (int32_t code = EnterDatabaseOperation("SyncWriteDBAppInfoBlock", handle, &session, &db)) {
    return code;
  }
  if (info == nullptr || (info->buffer == nullptr && info->byteCount > 0)) {
    return kHsErrBadArgument;
  }
  db->db.hasAppInfo = true;
  db->db.appInfo.assign(info->buffer, info->buffer + info->byteCount);
  MarkModified(session, db);
  return 0;
}

int32_t HS_CALL SyncPurgeAllRecsInCategory(uint8_t handle, int16_t category) {
  Session* session = nullptr;
  OpenDatabase* db = nullptr;
  if (int32_t code = EnterDatabaseOperation("SyncPurgeAllRecsInCategory", handle, &session, &db)) {
    return code;
  }
  if (db->db.IsResourceDatabase()) return kHsErrWrongKind;
  if (category < 0 || category > 15) return kHsErrBadArgument;
  std::vector<PalmRecord>& records = db->db.records;
  std::vector<PalmRecord> kept;
  kept.reserve(records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    if ((records[i].attributes & kRecAttrCategoryMask) == category) {
      if (i < db->cursor) --db->cursor;
    } else {
      kept.push_back(std::move(records[i]));
    }
  }
  if (kept.size() != records.size()) MarkModified(session, db);
  records.swap(kept);
  return 0;
}

int32_t HS_CALL SyncChangeCategory(uint8_t handle, uint8_t from, uint8_t to) {
  Session* session = nullptr;
  OpenDatabase* db = nullptr;
  if (int32_t code = EnterDatabaseOperation("SyncChangeCategory", handle, &session, &db)) {
    return code;
  }
  if (db->db.IsResourceDatabase()) return kHsErrWrongKind;
  if (from > 15 || to > 15) return kHsErrBadArgument;
  for (PalmRecord& record : db->db.records) {
    if ((record.attributes & kRecAttrCategoryMask) == from && from != to) {
      record.attributes = static_cast<uint8_t>((record.attributes & ~kRecAttrCategoryMask) | to);
      MarkModified(session, db);
    }
  }
  return 0;
}

int32_t HS_CALL SyncFinishPassPurge(uint8_t handle) {
  Session* session = nullptr;
  OpenDatabase* db = nullptr;
  if (int32_t code = EnterDatabaseOperation("SyncFinishPassPurge", handle, &session, &db)) {
    return code;
  }
  if (db->db.IsResourceDatabase()) return 0;
  std::vector<PalmRecord>& records = db->db.records;
  std::vector<PalmRecord> kept;
  kept.reserve(records.size());
  for (PalmRecord& record : records) {
    if (!(record.attributes & kRecAttrDelete)) kept.push_back(std::move(record));
  }
  if (kept.size() != records.size()) MarkModified(session, db);
  records.swap(kept);
  db->cursor = 0;
  return 0;
}

int32_t HS_CALL SyncFinishPassClearFlags(uint8_t handle) {
  Session* session = nullptr;
  OpenDatabase* db = nullptr;
  if (int32_t code = EnterDatabaseOperation("SyncFinishPassClearFlags", handle, &session, &db)) {
    return code;
  }
  for (PalmRecord& record : db->db.records) {
    if (record.attributes & kRecAttrDirty) {
      record.attributes = static_cast<uint8_t>(record.attributes & ~kRecAttrDirty);
      MarkModified(session, db);
    }
  }
  return 0;
}

}  // extern "C"
