// The settings dialog's entry points, as the exported CfgConduit and ConfigureConduit call them.
#ifndef REELBOX_CONDUIT_CONFIGURE_H
#define REELBOX_CONDUIT_CONFIGURE_H

#include <cstdint>

// The 352-byte configuration record of CfgConduit: 0 (OK), -1 (Cancel) or an error code.
int32_t ConfigureFromRecord(int32_t kind, void* record, uint32_t* recordSize);
// The legacy record of ConfigureConduit: 0 (OK) or -1 (Cancel).
int32_t ConfigureFromLegacyRecord(void* record);

#endif  // REELBOX_CONDUIT_CONFIGURE_H
