#include "diag/palm_error.h"

#include <cstdio>

#include "hotsync_api.h"

PalmResult MapPalmError(uint32_t code, char* text, size_t size) {
  if (text == nullptr || size == 0) return code == kSyncErrNone ? PalmResult::kOk : PalmResult::kUnexpected;
  switch (code) {
    case kSyncErrNone:
      text[0] = '\0';
      return PalmResult::kOk;
    case kSyncErrNotFound:
      std::snprintf(text, size, "%s", "Database or record does not exist");
      return PalmResult::kNotFound;
    case kSyncErrExists:
      std::snprintf(text, size, "%s", "Database already exists");
      return PalmResult::kExists;
    default:
      std::snprintf(text, size, "An unexpected Palm error occured (%lu)", static_cast<unsigned long>(code));
      return PalmResult::kUnexpected;
  }
}
