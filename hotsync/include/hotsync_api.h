// The HotSync manager's conduit libraries as a conduit sees them.
//
// Four libraries: the synchronization library (SYNC20), the HotSync log (HSLOG20), the user
// registry (UserData) and the common library (PalmCmn). On win32 they are DLLs whose numbered
// operations are imported by ordinal (see the .def files beside the sources); on native they are
// shared libraries exporting the same C functions. All structures are byte-packed and their sizes
// are checked at compile time, because they are the manager's binary interface.
//
// Results: 0 success; kSyncErrNotFound, kSyncErrExists, kSyncErrAlreadyOpen as below; any other
// value is a platform failure. Every call is made from the thread that called the conduit.
#ifndef HOTSYNC_API_H
#define HOTSYNC_API_H

#include <stdint.h>

// The real manager's libraries differ in calling convention: SYNC20 and HSLOG20 are __cdecl
// (the caller pops), UserData and PalmCmn are __stdcall (the callee pops). A caller that gets one
// wrong corrupts its own stack on the first call, so both sides take them from here.
#if defined(_WIN32)
#define HS_CALL __cdecl
#define HS_WINAPI __stdcall
#else
#define HS_CALL
#define HS_WINAPI
#endif

#if defined(HOTSYNC_BUILDING_LIBRARY) && !defined(_WIN32)
#define HS_EXPORT __attribute__((visibility("default")))
#else
#define HS_EXPORT
#endif

#ifdef __cplusplus
extern "C" {
#endif

enum {
  kSyncErrNone = 0,
  kSyncErrNotFound = 0x4003,
  kSyncErrExists = 0x400B,
  kSyncErrAlreadyOpen = 0x10004403
};

// Open mode of SyncOpenDB: read and write.
enum { kSyncOpenReadWrite = 0xC0 };

// Record attributes as the manager reports and stores them.
enum {
  kRecAttrDelete = 0x80,
  kRecAttrDirty = 0x40,
  kRecAttrBusy = 0x20,
  kRecAttrSecret = 0x10,
  kRecAttrCategoryMask = 0x0F
};

#pragma pack(push, 1)

typedef struct DatabaseCreateRecord {
  uint8_t handle;     // out
  uint32_t creator;
  uint32_t flags;     // 8
  uint8_t card;       // 0
  char name[32];
  uint32_t type;
  uint16_t version;
  uint32_t reserved;
} DatabaseCreateRecord;

typedef struct DatabaseBlockInfo {
  char name[32];
  uint16_t bufferSize;
  uint16_t byteCount;  // in: buffer size; out: size of the block
  uint8_t* buffer;
  uint32_t reserved;
} DatabaseBlockInfo;

typedef struct RecordExchange {
  uint8_t handle;
  uint32_t recordId;
  uint16_t index;
  uint8_t attributes;
  int16_t category;
  uint32_t conduitId;  // 0
  uint32_t recordSize;  // in: bytes to write; out: size of the stored record
  uint16_t bufferSize;
  uint8_t* buffer;
  uint32_t reserved;
} RecordExchange;

typedef struct AppPreferenceRequest {
  uint16_t version;
  uint32_t creator;
  uint16_t prefId;
  uint16_t requestedSize;
  uint16_t returnedSize;
  uint16_t actualSize;
  uint32_t backedUp;
  uint32_t bufferSize;
  uint8_t* buffer;
  uint32_t reserved;
} AppPreferenceRequest;

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(DatabaseCreateRecord) == 52, "DatabaseCreateRecord layout");
static_assert(sizeof(DatabaseBlockInfo) == 40 + sizeof(void*), "DatabaseBlockInfo layout");
static_assert(sizeof(RecordExchange) == 24 + sizeof(void*), "RecordExchange layout");
static_assert(sizeof(AppPreferenceRequest) == 26 + sizeof(void*), "AppPreferenceRequest layout");
#endif

// How the stand-in manager (hotsync/) answers, where the operations leave it open:
// - Open and create need a session (hotsync_session.h); without one: kHsErrNoSession. A handheld
//   file that does not parse is never opened, created over or written: open and create return
//   kHsErrDamaged (not kSyncErrNotFound) and a HotSync log entry names the file and the fault.
//   Opening a database that is already open gives kSyncErrAlreadyOpen, like create.
// - Reads by index and by id return every record, those marked deleted included, with
//   attributes = the high four bits and category = the low four bits of the stored attributes;
//   the walk in a category (SyncReadNextRecInCategory, from SyncResetRecordIndex) skips records
//   marked deleted. A record larger than the buffer is cut; recordSize tells its full size.
// - SyncWriteRec stores (attributes & 0xF0) | category; recordId 0 appends a record with a new
//   id (ids are never reused within a database), another id rewrites that record in place
//   (kSyncErrNotFound when there is none). SyncDeleteRec removes the record at once.
// - End of pass: 31 (SyncFinishPassPurge) removes the records marked deleted; 40
//   (SyncFinishPassClearFlags) clears every record's dirty flag.
// - SyncReadDBAppInfoBlock of a database without an AppInfo block: kSyncErrNotFound.
// - A database is written back (atomically) when closed, and when the session ends with it open.
// - SyncReadSysDateTime: the desktop's local wall clock plus the handheld clock offset.
// - UmGetUserCount answers 0 when the users cannot be read.
// - UserData: results above 0 are success (the text length, or 1); -1 failure; a buffer too small
//   fails and *size tells the room needed. The root directory ends in a path separator; the user
//   directory is the user's folder name under it.

// ---- SYNC20: numbered operations (ordinal in the comment) ----
HS_EXPORT int32_t HS_CALL SyncRegisterConduit(uint32_t* handle);                       // 22
HS_EXPORT int32_t HS_CALL SyncUnRegisterConduit(uint32_t handle);                      // 23
HS_EXPORT int32_t HS_CALL SyncOpenDB(const char* name, int32_t card, uint8_t* handle,
                                     uint8_t mode);                                     // 26
HS_EXPORT int32_t HS_CALL SyncCreateDB(DatabaseCreateRecord* record);                   // 27
HS_EXPORT int32_t HS_CALL SyncCloseDB(uint8_t handle);                                  // 28
HS_EXPORT int32_t HS_CALL SyncFinishPassPurge(uint8_t handle);                          // 31
HS_EXPORT int32_t HS_CALL SyncWriteRec(RecordExchange* record);                         // 32
// Deletes the record of record->handle whose id is record->recordId.
HS_EXPORT int32_t HS_CALL SyncDeleteRec(RecordExchange* record);                        // 33
HS_EXPORT int32_t HS_CALL SyncReadRecordById(RecordExchange* record);                   // 35
HS_EXPORT int32_t HS_CALL SyncReadRecordByIndex(RecordExchange* record);                // 36
HS_EXPORT int32_t HS_CALL SyncReadDBAppInfoBlock(uint8_t handle, DatabaseBlockInfo* info);   // 38
HS_EXPORT int32_t HS_CALL SyncWriteDBAppInfoBlock(uint8_t handle, DatabaseBlockInfo* info);  // 39
HS_EXPORT int32_t HS_CALL SyncFinishPassClearFlags(uint8_t handle);                     // 40

// ---- SYNC20: named operations ----
HS_EXPORT int32_t HS_CALL SyncGetDBRecordCount(uint8_t handle, uint16_t* count);
HS_EXPORT int32_t HS_CALL SyncPurgeAllRecsInCategory(uint8_t handle, int16_t category);
HS_EXPORT int32_t HS_CALL SyncChangeCategory(uint8_t handle, uint8_t from, uint8_t to);
HS_EXPORT int32_t HS_CALL SyncResetRecordIndex(uint8_t handle);
HS_EXPORT int32_t HS_CALL SyncReadNextRecInCategory(RecordExchange* record);
HS_EXPORT int32_t HS_CALL SyncReadSysDateTime(uint32_t* seconds_since_1970);
HS_EXPORT int32_t HS_CALL SyncReadAppPreference(AppPreferenceRequest* request);
HS_EXPORT int32_t HS_CALL SyncWriteAppPreference(AppPreferenceRequest* request);
HS_EXPORT int32_t HS_CALL SyncYieldCycles(uint16_t max_cycles);

// ---- HSLOG20 ----
// flag is a 32-bit BOOL.
HS_EXPORT int32_t HS_CALL LogAddEntry(const char* text, int32_t activity, int32_t flag);  // 52

// ---- UserData (__stdcall) ----
HS_EXPORT uint16_t HS_WINAPI UmGetUserCount(void);                                          // 101
HS_EXPORT int32_t HS_WINAPI UmGetUserId(uint16_t index, uint32_t* user_id);                  // 102
HS_EXPORT int32_t HS_WINAPI UmGetUserName(uint32_t user_id, char* buffer, int16_t* size);    // 103
HS_EXPORT int32_t HS_WINAPI UmGetUserDirectory(uint32_t user_id, char* buffer,
                                               int16_t* size);                              // 104
HS_EXPORT int32_t HS_WINAPI UmGetRootDirectory(char* buffer, int16_t* size);                // 105
HS_EXPORT int32_t HS_WINAPI UmGetUserIdFromPath(const char* path, uint32_t* user_id);        // 146

// ---- PalmCmn (__stdcall) ----
// Loads the language resource library from the conduit's folder and returns its module, or the
// conduit module when there is none. *version receives the library's version number; it is a
// variable of its own, never the caller's module handle.
HS_EXPORT void* HS_WINAPI PalmLoadLanguage(const char* library_name, void* conduit_module,
                                           uint32_t* version);                             // 2
// Releases what PalmLoadLanguage returned; a 32-bit BOOL.
HS_EXPORT int32_t HS_WINAPI PalmFreeLanguage(void* resource_module, void* conduit_module);    // 3

#ifdef __cplusplus
}
#endif

#endif  // HOTSYNC_API_H
