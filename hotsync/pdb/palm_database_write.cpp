// Writing a Palm database file: offsets are laid out in file order (AppInfo, SortInfo, entries),
// which is the only order the reader accepts, so what we write we can always read back.
#include "pdb/palm_database.h"

#include <algorithm>

namespace hotsync {
namespace {

void Store16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value >> 8);
  at[1] = static_cast<uint8_t>(value);
}

void Store32(uint8_t* at, uint32_t value) {
  Store16(at, value >> 16);
  Store16(at + 2, value & 0xFFFF);
}

void Put16(Bytes* out, uint32_t value) {
  out->push_back(static_cast<uint8_t>(value >> 8));
  out->push_back(static_cast<uint8_t>(value));
}

void Put32(Bytes* out, uint32_t value) {
  Put16(out, value >> 16);
  Put16(out, value & 0xFFFF);
}

template <typename Block>
void Append(Bytes* out, const Block& data) {
  out->insert(out->end(), data.begin(), data.end());
}

}  // namespace

Bytes PalmDatabaseHead(const PalmDatabase& db) {
  const bool resources = db.IsResourceDatabase();
  const size_t count = resources ? db.resources.size() : db.records.size();
  const size_t entries_end =
      kPalmHeaderSize + count * (resources ? kResourceEntrySize : kRecordEntrySize);
  size_t position = entries_end + db.gap.size();
  uint32_t app_info_offset = 0;
  uint32_t sort_info_offset = 0;
  if (db.hasAppInfo) {
    app_info_offset = static_cast<uint32_t>(position);
    position += db.appInfo.size();
  }
  if (db.hasSortInfo) {
    sort_info_offset = static_cast<uint32_t>(position);
    position += db.sortInfo.size();
  }

  Bytes out;
  out.reserve(entries_end);
  Bytes name(kPalmNameSize, 0);
  const bool keep_field = db.nameField.size() == kPalmNameSize &&
                        db.name.size() < kPalmNameSize &&
                        db.nameField[db.name.size()] == 0 &&
                        std::equal(db.name.begin(), db.name.end(), db.nameField.begin(),
                                   [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
  if (keep_field) {
    name = db.nameField;
  } else {
    for (size_t i = 0; i < db.name.size() && i + 1 < kPalmNameSize; ++i) {
      name[i] = static_cast<uint8_t>(db.name[i]);
    }
  }
  Append(&out, name);
  Put16(&out, db.attributes);
  Put16(&out, db.version);
  Put32(&out, db.creationDate);
  Put32(&out, db.modificationDate);
  Put32(&out, db.backupDate);
  Put32(&out, db.modificationNumber);
  Put32(&out, app_info_offset);
  Put32(&out, sort_info_offset);
  Put32(&out, db.type);
  Put32(&out, db.creator);
  Put32(&out, db.uniqueIdSeed);
  Put32(&out, 0);  // next record list id
  Put16(&out, static_cast<uint32_t>(count));
  // The entry list is nearly all of a large database's head: written in place, not byte by byte.
  out.resize(entries_end);
  uint8_t* entry = out.data() + kPalmHeaderSize;
  if (resources) {
    for (const PalmResource& resource : db.resources) {
      Store32(entry, resource.type);
      Store16(entry + 4, resource.id);
      Store32(entry + 6, static_cast<uint32_t>(position));
      entry += kResourceEntrySize;
      position += resource.data.size();
    }
  } else {
    for (const PalmRecord& record : db.records) {
      Store32(entry, static_cast<uint32_t>(position));
      entry[4] = record.attributes;
      entry[5] = static_cast<uint8_t>(record.id >> 16);
      Store16(entry + 6, record.id & 0xFFFF);
      entry += kRecordEntrySize;
      position += record.data.size();
    }
  }
  return out;
}

Bytes SerializePalmDatabase(const PalmDatabase& db) {
  Bytes out = PalmDatabaseHead(db);
  size_t file_size = out.size() + db.gap.size() + (db.hasAppInfo ? db.appInfo.size() : 0) +
                    (db.hasSortInfo ? db.sortInfo.size() : 0);
  if (db.IsResourceDatabase()) {
    for (const PalmResource& resource : db.resources) file_size += resource.data.size();
  } else {
    for (const PalmRecord& record : db.records) file_size += record.data.size();
  }
  // One allocation for the whole file.
  out.reserve(file_size);
  Append(&out, db.gap);
  if (db.hasAppInfo) Append(&out, db.appInfo);
  if (db.hasSortInfo) Append(&out, db.sortInfo);
  if (db.IsResourceDatabase()) {
    for (const PalmResource& resource : db.resources) Append(&out, resource.data);
  } else {
    for (const PalmRecord& record : db.records) Append(&out, record.data);
  }
  return out;
}

}  // namespace hotsync
