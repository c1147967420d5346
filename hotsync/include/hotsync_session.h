// The stand-in manager's session and test interface, exported by SYNC20 beside the conduit API.
//
// A session is one synchronization (or one configuration call) of one HotSync user: it names the
// HotSync root folder (the user registry), the user, and the simulated handheld folder, and it
// holds the handheld's lock. Every operation of hotsync_api.h works on the current session; with
// none, SYNC20 operations return kHsErrNoSession and the user registry answers failure.
//
// Usage in a test (link the target hotsync_api; the tests' support library does):
//
//   HsBeginSession(root.c_str(), "Alice", nullptr, 0);   // root/Alice/Handheld is the handheld
//   HsInjectFault("SyncWriteRec", 3, 0x4009);             // the 3rd SyncWriteRec fails with 0x4009
//   HsSetClockOffset(3600);                               // handheld clock one hour ahead
//   ... call the conduit or DeviceDatabase, which call SyncOpenDB and friends ...
//   HsEndSession();                                       // writes back every database still open
//   for (int32_t i = 0; i < HsGetLogEntryCount(); ++i) HsGetLogEntry(i, text, sizeof text, &code);
//
// The log entries of the last session stay readable after HsEndSession until the next
// HsBeginSession. Entries are also appended to "HotSync Log.txt" in the user's folder.
// One session at a time per process; one synchronization at a time per handheld folder (the
// lock is an operating-system file lock, released even when the process is killed).
#ifndef HOTSYNC_SESSION_H
#define HOTSYNC_SESSION_H

#include <stdint.h>

#include "hotsync_api.h"

#ifdef __cplusplus
extern "C" {
#endif

// Platform codes of the stand-in beyond those of hotsync_api.h.
enum {
  kHsErrGeneric = 0x4001,       // any other failure (the text says which)
  kHsErrBadArgument = 0x4002,   // null pointer, unknown handle, category out of range, bad size
  kHsErrIo = 0x4008,            // a file of the handheld could not be read or written
  kHsErrDamaged = 0x4010,       // the database file is malformed; it is left untouched
  kHsErrTooManyOpen = 0x4012,   // more than 255 databases open at once
  kHsErrWrongKind = 0x4013,     // a record operation on a resource database
  kHsErrFull = 0x4014,          // 65535 records, or no unused record id left
  kHsErrNoSession = 0x4015,     // no session begun
  kHsErrLocked = 0x4016,        // another synchronization holds the handheld
  kHsErrTooLarge = 0x4017       // a record or block above 65535 bytes
};

// Fault code that makes the faulted write-back write half of its new file and end the process at
// once (exit status 86), as a crash in the middle of a write would. Only for "WriteBack".
enum { kHsFaultCrash = 0x7FFF0086 };

// Flags of HsBeginSession.
enum {
  kHsSessionNoHandheld = 1,  // no handheld (install, info, configure): no lock, no databases
  kHsSessionRootOnly = 2     // the root alone, no user either (the conduit registrations)
};

// Begins a session. root_dir: the HotSync root folder (holding "Users.txt" and one folder per
// user). user_name: the user, or null when the registry holds exactly one user. handheld_dir: the
// handheld folder, or null for the user's "Handheld" folder. Removes write-back leftovers
// ("*.tmp") of an earlier killed sync. Returns 0, kHsErrLocked, or another code with a text
// for HsGetLastErrorText. REQUIRES: no session in progress (else kHsErrGeneric).
HS_EXPORT int32_t HS_CALL HsBeginSession(const char* root_dir, const char* user_name,
                                         const char* handheld_dir, uint32_t flags);
// Ends the session: writes back and closes every database still open, releases the lock.
// Returns 0, or the code of the first write-back that failed (the others are still tried).
HS_EXPORT int32_t HS_CALL HsEndSession(void);
HS_EXPORT int32_t HS_CALL HsSessionActive(void);

// HotSync log entries of the current (or last) session, oldest first.
HS_EXPORT int32_t HS_CALL HsGetLogEntryCount(void);
// Copies entry index's text (cut to text_size - 1 bytes, terminated) and activity code.
// Returns 0, or kHsErrBadArgument for an index out of range.
HS_EXPORT int32_t HS_CALL HsGetLogEntry(int32_t index, char* text, int32_t text_size,
                                        int32_t* activity);

// How far the conduit's current record walk has come: the 1-based position of the record last
// read by index or in a category, and the record count of its database (both 0 when no walk is
// under way: after a database was opened or closed). For the manager's progress display.
HS_EXPORT void HS_CALL HsGetWalkProgress(int32_t* done, int32_t* total);

// Handheld clock = desktop local wall clock + offset seconds, for this session (overrides the
// offset stored in the handheld folder).
HS_EXPORT void HS_CALL HsSetClockOffset(int32_t seconds);

// Makes the nth call (1 = the next one), counted from now, of the named operation fail with code
// (it then does nothing). Names: the functions of hotsync_api.h ("SyncWriteRec", "LogAddEntry",
// "UmGetRootDirectory", ...) and "WriteBack" (the atomic replace of a handheld file; with
// kHsFaultCrash it simulates a crash mid-write). Faults last until they fire or the session
// ends; several may be pending. Returns 0 or kHsErrBadArgument.
HS_EXPORT int32_t HS_CALL HsInjectFault(const char* operation, int32_t nth, int32_t code);
HS_EXPORT void HS_CALL HsClearFaults(void);

// Text of the last failure (damaged file, lock held, failed write-back ...), "" when none.
HS_EXPORT const char* HS_CALL HsGetLastErrorText(void);

// The conduit's desktop folder of the session's user: user folder followed by "Cinevane",
// with the target's separators. Copies at most size - 1 bytes; returns the full length, or -1
// without a session.
HS_EXPORT int32_t HS_CALL HsGetConduitFolder(char* buffer, int32_t size);
// The session's handheld folder, as above.
HS_EXPORT int32_t HS_CALL HsGetHandheldFolder(char* buffer, int32_t size);

// For the other manager libraries: records an entry of the HotSync log, checks a fault.
HS_EXPORT void HS_CALL HsAddLogEntry(const char* text, int32_t activity);
HS_EXPORT int32_t HS_CALL HsCheckFault(const char* operation);
HS_EXPORT const char* HS_CALL HsGetRootDirectory(void);

#ifdef __cplusplus
}
#endif

#endif  // HOTSYNC_SESSION_H
