// SYNC20 application preferences: one resource per preference in "Saved Preferences.prc" (backed
// up) or "Unsaved Preferences.prc", its type the creator, its id the preference id, its data the
// version (big-endian 16 bits) followed by the preference bytes. Each write replaces the file at
// once, atomically.
#include <cstring>

#include "core/operation.h"
#include "hotsync_api.h"

using namespace hotsync;

namespace {

// 0 with *db loaded, kSyncErrNotFound when the file is missing, or a damaged/io code.
int32_t LoadPreferences(Session* session, bool backed_up, std::string* path, PalmDatabase* db) {
  const char* name = backed_up ? kSavedPreferencesName : kUnsavedPreferencesName;
  Handheld* handheld = session->handheld();
  *path = handheld->PathFor(name, true);
  if (!FileExists(*path)) return kSyncErrNotFound;
  std::string error;
  int32_t result = handheld->Load(*path, db, &error);
  if (result == 0 && !db->IsResourceDatabase()) {
    error = "\"" + *path + "\" is not a resource database";
    result = kHsErrDamaged;
  }
  if (result != 0) {
    session->SetError(error);
    session->AddLog(std::string("Handheld preferences cannot be used: ") + error, -1);
  }
  return result;
}

PalmDatabase NewPreferences(Session* session, bool backed_up) {
  PalmDatabase db;
  db.name = backed_up ? kSavedPreferencesName : kUnsavedPreferencesName;
  db.attributes = static_cast<uint16_t>(kDbAttrResource | (backed_up ? kDbAttrBackup : 0));
  db.type = FourCharCode(backed_up ? "sprf" : "pref");
  db.creator = FourCharCode("psys");
  db.creationDate = db.modificationDate = HandheldSecondsNow(session->clockOffset());
  return db;
}

PalmResource* FindPreference(PalmDatabase* db, uint32_t creator, uint16_t id) {
  for (PalmResource& resource : db->resources) {
    if (resource.type == creator && resource.id == id) return &resource;
  }
  return nullptr;
}

int32_t Enter(const char* operation, AppPreferenceRequest* request, Session** session) {
  if (int32_t code = EnterOperation(operation, session)) return code;
  if ((*session)->handheld() == nullptr) return kHsErrNoSession;
  if (request == nullptr || (request->bufferSize > 0 && request->buffer == nullptr)) {
    return kHsErrBadArgument;
  }
  return 0;
}

}  // namespace

extern "C" {

int32_t HS_CALL SyncReadAppPreference(AppPreferenceRequest* request) {
  Session* session = nullptr;
  if (int32_t code = Enter("SyncReadAppPreference", request, &session)) return code;
  std::string path;
  PalmDatabase db;
  if (int32_t code = LoadPreferences(session, request->backedUp != 0, &path, &db)) return code;
  const PalmResource* found = FindPreference(&db, request->creator, request->prefId);
  if (found == nullptr) return kSyncErrNotFound;
  const SharedBytes& data = found->data;
  request->version = data.size() >= 2 ? static_cast<uint16_t>(data[0] << 8 | data[1]) : 0;
  const size_t actual = data.size() >= 2 ? data.size() - 2 : 0;
  size_t returned = actual;
  if (returned > request->requestedSize) returned = request->requestedSize;
  if (returned > request->bufferSize) returned = request->bufferSize;
  if (returned > 0) std::memcpy(request->buffer, data.data() + 2, returned);
  request->actualSize = static_cast<uint16_t>(actual > 0xFFFF ? 0xFFFF : actual);
  request->returnedSize = static_cast<uint16_t>(returned);
  return 0;
}

int32_t HS_CALL SyncWriteAppPreference(AppPreferenceRequest* request) {
  Session* session = nullptr;
  if (int32_t code = Enter("SyncWriteAppPreference", request, &session)) return code;
  if (request->requestedSize > request->bufferSize) return kHsErrBadArgument;
  const bool backed_up = request->backedUp != 0;
  std::string path;
  PalmDatabase db;
  int32_t loaded = LoadPreferences(session, backed_up, &path, &db);
  if (loaded == kSyncErrNotFound) {
    db = NewPreferences(session, backed_up);
  } else if (loaded != 0) {
    return loaded;
  }
  PalmResource* target = FindPreference(&db, request->creator, request->prefId);
  if (target == nullptr) {
    db.resources.emplace_back();
    target = &db.resources.back();
    target->type = request->creator;
    target->id = request->prefId;
  }
  Bytes data(2u + request->requestedSize);
  data[0] = static_cast<uint8_t>(request->version >> 8);
  data[1] = static_cast<uint8_t>(request->version & 0xFF);
  if (request->requestedSize > 0) std::memcpy(&data[2], request->buffer, request->requestedSize);
  target->data = data;
  db.modificationDate = HandheldSecondsNow(session->clockOffset());
  db.modificationNumber += 1;
  std::string error;
  int32_t result = session->handheld()->Store(path, db, &session->faults(), &error);
  if (result != 0) session->SetError(error);
  return result;
}

}  // extern "C"
