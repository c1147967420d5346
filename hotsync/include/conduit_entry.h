// The conduit's entry points as the manager calls them (the conduit exports them by name).
// All use the C calling convention of hotsync_api.h (HS_CALL).
#ifndef HOTSYNC_CONDUIT_ENTRY_H
#define HOTSYNC_CONDUIT_ENTRY_H

#include <stdint.h>

#include "hotsync_api.h"

#ifdef __cplusplus
extern "C" {
#endif

// Called with each status text; a non-zero answer asks the conduit to stop.
typedef int32_t(HS_CALL* ProgressCallback)(const char* status);

enum { kSyncPropertiesSize = 1198, kSyncPropertiesFolderOffset = 4, kSyncActionDoNothing = 6 };
enum {
  kCfgRecordSize = 352,
  kCfgRecordFolderOffset = 80,
  kCfgRecordActionOffset = 344,
  kCfgRecordPrefKindOffset = 348
};

typedef int32_t(HS_CALL* OpenConduitFn)(ProgressCallback progress, void* sync_properties);
typedef int32_t(HS_CALL* GetConduitNameFn)(char* buffer, uint16_t size);
typedef uint32_t(HS_CALL* GetConduitVersionFn)(void);
typedef int32_t(HS_CALL* GetConduitInfoFn)(int32_t query, void* input, void* output,
                                           uint32_t* output_size);
typedef int32_t(HS_CALL* CfgConduitFn)(int32_t kind, void* record, uint32_t* size);
typedef int32_t(HS_CALL* FinishInstallFn)(const char* user_name);

#ifdef __cplusplus
}
#endif

#endif  // HOTSYNC_CONDUIT_ENTRY_H
