#include "conduit/configure.h"

// Until the settings dialog exists, configuration is always cancelled.
int32_t ConfigureFromRecord(int32_t kind, void* record, uint32_t* recordSize) {
  (void)kind;
  (void)record;
  (void)recordSize;
  return -1;
}

int32_t ConfigureFromLegacyRecord(void* record) {
  (void)record;
  return -1;
}
