// A Palm database file (.pdb record database or .prc resource database) held in memory.
//
// ParsePalmDatabase and SerializePalmDatabase are exact inverses for every file they accept: the
// bytes between the entry list and the first block (normally two zero bytes) and the presence of
// empty AppInfo and SortInfo blocks are kept, so an unchanged database is written back byte for
// byte. All numbers in the file are big-endian. Blocks carry no sizes: each runs to the next offset,
// the last one to the end of the file.
#ifndef HOTSYNC_PDB_PALM_DATABASE_H
#define HOTSYNC_PDB_PALM_DATABASE_H

#include <cstdint>
#include <string>
#include <vector>

#include "pdb/shared_bytes.h"

namespace hotsync {

using Bytes = std::vector<uint8_t>;

enum : uint16_t {
  kDbAttrResource = 0x0001,
  kDbAttrReadOnly = 0x0002,
  kDbAttrBackup = 0x0008,
};

constexpr size_t kPalmHeaderSize = 78;
constexpr size_t kRecordEntrySize = 8;
constexpr size_t kResourceEntrySize = 10;
constexpr size_t kPalmNameSize = 32;
constexpr uint32_t kMaxRecordId = 0xFFFFFF;

// One record of a record database. attributes: 0x80 delete, 0x40 dirty, 0x20 busy, 0x10 secret,
// low four bits the category.
struct PalmRecord {
  uint8_t attributes = 0;
  uint32_t id = 0;  // 24 bits
  SharedBytes data;
};

// One resource of a resource database.
struct PalmResource {
  uint32_t type = 0;  // four characters, first one most significant
  uint16_t id = 0;
  SharedBytes data;
};

struct PalmDatabase {
  std::string name;  // at most 31 characters
  Bytes nameField;   // the 32 bytes as read: bytes after the terminator are kept while name is unchanged
  uint16_t attributes = 0;
  uint16_t version = 0;
  uint32_t creationDate = 0;  // seconds since 1904-01-01, handheld wall clock
  uint32_t modificationDate = 0;
  uint32_t backupDate = 0;
  uint32_t modificationNumber = 0;
  uint32_t type = 0;
  uint32_t creator = 0;
  uint32_t uniqueIdSeed = 0;
  bool hasAppInfo = false;
  Bytes appInfo;
  bool hasSortInfo = false;
  Bytes sortInfo;
  Bytes gap = Bytes(2, 0);  // bytes between the entry list and the first block
  std::vector<PalmRecord> records;      // record databases
  std::vector<PalmResource> resources;  // resource databases

  bool IsResourceDatabase() const { return (attributes & kDbAttrResource) != 0; }
};

// Reads a database from the bytes of a file. Its records and resources keep slices of file, not
// copies. On failure returns false and sets *error to a text naming the file (file_name, used only
// in the message) and the fault; *db is then unspecified.
bool ParsePalmDatabase(const SharedBytes& file, const std::string& file_name, PalmDatabase* db,
                       std::string* error);

// The file bytes of a database. REQUIRES: name shorter than 32 bytes; at most 65535 entries.
Bytes SerializePalmDatabase(const PalmDatabase& db);
// The header and entry list that begin those bytes; the gap, the AppInfo and SortInfo blocks
// (when present) and the data of every entry follow them in order.
Bytes PalmDatabaseHead(const PalmDatabase& db);

// "KVRT" <-> 0x4B565254.
uint32_t FourCharCode(const char* text);
std::string FourCharText(uint32_t code);

}  // namespace hotsync

#endif  // HOTSYNC_PDB_PALM_DATABASE_H
