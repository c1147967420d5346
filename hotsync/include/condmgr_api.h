// The manager's Conduit Manager (CondMgr) and HotSync control (HSAPI) libraries, as installers
// call them. Every function is __stdcall and exported under its plain name, so an installer binds
// it with GetProcAddress(module, "CmInstallCreator"); strings are 8-bit ANSI. Installers find both
// libraries in the manager's folder, which the manager's set-up records (platform/core_settings.h).
//
// Both libraries work on the HotSync root of the session the calling process runs, else on the
// root the set-up recorded. Registrations are kept in that root (core/registrations.h); a
// synchronization reads them afresh, so the manager needs no reload to see a change.
#ifndef HOTSYNC_CONDMGR_API_H
#define HOTSYNC_CONDMGR_API_H

#include <stdint.h>

#include "hotsync_api.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
  kCmErrNone = 0,
  kCmErrIndexOutOfRange = -1001,
  kCmErrNoConduit = -1003,
  kCmErrCreatorInUse = -1005,
  kCmErrRegistryAccess = -1006,     // no manager set up, or its registrations unreadable/unwritable
  kCmErrCannotSetValue = -1008,     // a text with control characters, a priority above 4
  kCmErrBufferTooSmall = -1010,     // *size then holds the room needed, terminator included
  kCmErrInvalidCreator = -1012,     // not exactly four characters
  kCmErrInvalidPointer = -1013
};

enum { kCmConduitApplication = 1 };

// HSAPI results beyond 0.
enum { kHsApiErrNotFound = 0x10000001, kHsApiErrBadArgument = 0x10000002 };
// HsSetAppStatus statuses.
enum { kHsAppClose = 0, kHsAppStart = 1, kHsAppRestart = 2 };
// HsGetSyncStatus answers.
enum { kHsSyncIdle = 0, kHsSyncRunning = 1 };

// ---- CondMgr ----
// Registers creator (priority 2, every text empty). -1005 when it is registered already.
HS_EXPORT int32_t HS_WINAPI CmInstallCreator(const char* creator, int32_t type);
HS_EXPORT int32_t HS_WINAPI CmRemoveConduitByCreatorID(const char* creator);
// The setters store text for a registered creator (-1003 for another).
HS_EXPORT int32_t HS_WINAPI CmSetCreatorName(const char* creator, const char* dll_path);
HS_EXPORT int32_t HS_WINAPI CmSetCreatorDirectory(const char* creator, const char* directory);
HS_EXPORT int32_t HS_WINAPI CmSetCreatorFile(const char* creator, const char* file);
HS_EXPORT int32_t HS_WINAPI CmSetCreatorRemote(const char* creator, const char* remote);
HS_EXPORT int32_t HS_WINAPI CmSetCreatorTitle(const char* creator, const char* title);
HS_EXPORT int32_t HS_WINAPI CmSetCreatorPriority(const char* creator, uint32_t priority);
// The getters copy the text with its terminator; *size: in the buffer's room, out the bytes
// copied (or, with -1010, the room needed).
HS_EXPORT int32_t HS_WINAPI CmGetCreatorName(const char* creator, char* buffer, int32_t* size);
HS_EXPORT int32_t HS_WINAPI CmGetCreatorDirectory(const char* creator, char* buffer, int32_t* size);
HS_EXPORT int32_t HS_WINAPI CmGetCreatorFile(const char* creator, char* buffer, int32_t* size);
HS_EXPORT int32_t HS_WINAPI CmGetCreatorRemote(const char* creator, char* buffer, int32_t* size);
HS_EXPORT int32_t HS_WINAPI CmGetCreatorTitle(const char* creator, char* buffer, int32_t* size);
HS_EXPORT int32_t HS_WINAPI CmGetCreatorPriority(const char* creator, uint32_t* priority);
HS_EXPORT int32_t HS_WINAPI CmGetCreatorType(const char* creator);
// How many conduits are registered (or a negative code), and the creator of the index-th.
HS_EXPORT int32_t HS_WINAPI CmGetConduitCount(void);
HS_EXPORT int32_t HS_WINAPI CmGetConduitCreatorID(int32_t index, char* buffer, int32_t* size);
// The manager's folder and its program, as its set-up recorded them.
HS_EXPORT int32_t HS_WINAPI CmGetCorePath(char* buffer, int32_t* size);
HS_EXPORT int32_t HS_WINAPI CmGetHotSyncExecPath(char* buffer, int32_t* size);

// ---- HSAPI ----
// The stand-in keeps no resident process: HotSync "runs" when it is set up (or a session runs in
// the calling process); close, start and restart then succeed at once, and a reload is never
// needed. A synchronization runs while any user's handheld is locked.
HS_EXPORT int32_t HS_WINAPI HsCheckApiStatus(void);
HS_EXPORT int32_t HS_WINAPI HsGetSyncStatus(uint32_t* status);
HS_EXPORT int32_t HS_WINAPI HsSetAppStatus(int32_t status, uint32_t flags);
HS_EXPORT int32_t HS_WINAPI HsRefreshConduitInfo(void);

#ifdef __cplusplus
}
#endif

#endif  // HOTSYNC_CONDMGR_API_H
