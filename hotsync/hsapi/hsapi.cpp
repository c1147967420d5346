// HSAPI: what an installer asks of the running HotSync manager. The stand-in has no resident
// process (each synchronization is a run of the program), so "running" means set up, and the only
// state to wait for is a synchronization in progress: a handheld whose lock is held.
#include "condmgr_api.h"
#include "core/handheld.h"
#include "core/manager_root.h"
#include "core/users.h"
#include "platform/host.h"

using namespace hotsync;

namespace {

bool SyncRunning(const std::string& root) {
  std::vector<UserEntry> users;
  std::string error;
  if (!LoadUsers(root, &users, &error)) return false;
  for (const UserEntry& user : users) {
    const std::string handheld = JoinPath(JoinPath(root, user.folder), kHandheldFolderName);
    if (!FolderExists(handheld)) continue;
    FileLock lock;
    if (!lock.Acquire(JoinPath(handheld, kLockFileName), &error)) return true;
  }
  return false;
}

}  // namespace

extern "C" {

int32_t HS_WINAPI HsCheckApiStatus(void) { return ManagerRoot().empty() ? kHsApiErrNotFound : 0; }

int32_t HS_WINAPI HsGetSyncStatus(uint32_t* status) {
  if (status == nullptr) return kHsApiErrBadArgument;
  const std::string root = ManagerRoot();
  if (root.empty()) return kHsApiErrNotFound;
  *status = SyncRunning(root) ? kHsSyncRunning : kHsSyncIdle;
  return 0;
}

int32_t HS_WINAPI HsSetAppStatus(int32_t status, uint32_t /*flags*/) {
  if (status != kHsAppClose && status != kHsAppStart && status != kHsAppRestart) return kHsApiErrBadArgument;
  return ManagerRoot().empty() ? kHsApiErrNotFound : 0;
}

int32_t HS_WINAPI HsRefreshConduitInfo(void) { return ManagerRoot().empty() ? kHsApiErrNotFound : 0; }

}  // extern "C"
