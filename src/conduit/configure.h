// The settings dialog's entry points, as the exported CfgConduit and ConfigureConduit call them.
#ifndef REELBOX_CONDUIT_CONFIGURE_H
#define REELBOX_CONDUIT_CONFIGURE_H

#include <cstdint>

class Env;

// The 352-byte configuration record of CfgConduit: 0 (OK), -1 (Cancel) or an error code.
int32_t ConfigureFromRecord(Env& env, int32_t kind, void* record, uint32_t* recordSize);
// The legacy record of ConfigureConduit: 0 (OK) or -1 (Cancel).
int32_t ConfigureFromLegacyRecord(Env& env, void* record);

// The settings dialog for the conduit's desktop folder. On OK stores the action for the HotSync
// manager (0 synchronize, 6 do nothing) and the preference kind 1, writes the preferences and
// returns 0; otherwise returns -1 and writes nothing.
int32_t ShowSettingsDialog(Env& env, const char* folder, int32_t* action, int32_t* preferenceKind);

#endif  // REELBOX_CONDUIT_CONFIGURE_H
