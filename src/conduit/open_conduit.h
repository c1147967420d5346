// One synchronization as the HotSync manager asks for it: registration, the opening and closing
// HotSync log entries, COM for the calling thread, and the sync driver.
#ifndef REELBOX_CONDUIT_OPEN_CONDUIT_H
#define REELBOX_CONDUIT_OPEN_CONDUIT_H

#include <cstdint>

#include "conduit/sync_driver.h"

// 0 success, -1 without a callback, the registration's code when it fails, otherwise the
// synchronization's result.
int32_t RunConduit(Env& env, ProgressCallback progress, const SyncProperties& properties);

#endif  // REELBOX_CONDUIT_OPEN_CONDUIT_H
