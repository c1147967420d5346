#include "diag/palm_error.h"

#include <cstdio>

#include "hotsync_api.h"

int32_t MapPalmError(uint32_t code, char* text, size_t size) {
  if (text == nullptr || size == 0) return code == 0 ? 0 : 999;
  switch (code) {
    case kSyncErrNone:
      text[0] = '\0';
      return 0;
    case kSyncErrNotFound:
      std::snprintf(text, size, "%s", "Database or record does not exist");
      return 4;
    case kSyncErrExists:
      std::snprintf(text, size, "%s", "Database already exists");
      return 5;
    default:
      std::snprintf(text, size, "An unexpected Palm error occured (%lu)", static_cast<unsigned long>(code));
      return 999;
  }
}
