// The settings dialog's entry points, as the exported CfgConduit and ConfigureConduit call them.
#ifndef REELBOX_CONDUIT_CONFIGURE_H
#define REELBOX_CONDUIT_CONFIGURE_H

#include <cstdint>

#include "conduit/entry_codes.h"

class Env;

// The 352-byte configuration record of CfgConduit: kOk, kCancelled or an error code.
EntryCode ConfigureFromRecord(Env& env, int32_t kind, void* record, uint32_t* record_size);
// The legacy record of ConfigureConduit: kOk or kCancelled.
EntryCode ConfigureFromLegacyRecord(Env& env, void* record);

// The settings dialog for the conduit's desktop folder. On OK stores the action for the HotSync
// manager and the preference kind 1, writes the preferences and returns kOk; otherwise returns
// kCancelled and writes nothing.
EntryCode ShowSettingsDialog(Env& env, const char* folder, SyncAction* action, int32_t* preference_kind);

#endif  // REELBOX_CONDUIT_CONFIGURE_H
