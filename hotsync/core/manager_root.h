// Where the manager's libraries find the HotSync root when any process may call them (an
// installer, the manager program, a test).
#ifndef HOTSYNC_CORE_MANAGER_ROOT_H
#define HOTSYNC_CORE_MANAGER_ROOT_H

#include <string>

namespace hotsync {

// The root of the session this process runs (the synchronization library is asked only when it
// is already loaded), else the root the manager's set-up recorded; "" when neither.
std::string ManagerRoot();

}  // namespace hotsync

#endif  // HOTSYNC_CORE_MANAGER_ROOT_H
