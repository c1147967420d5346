#include "core/manager_root.h"

#include "hotsync_api.h"
#include "platform/core_settings.h"
#include "platform/host.h"

namespace hotsync {

std::string ManagerRoot() {
  using RootFn = const char*(HS_CALL*)(void);
  // Looked up, not imported: an installer loads these libraries alone from the manager's folder.
  if (auto session_root = reinterpret_cast<RootFn>(FindLoadedSymbol("SYNC20.dll", "HsGetRootDirectory"))) {
    if (const char* root = session_root()) return root;
  }
  std::string root;
  return ReadCoreSetting(kCoreRoot, &root) ? root : std::string();
}

}  // namespace hotsync
