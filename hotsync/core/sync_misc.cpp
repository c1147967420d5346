// SYNC20 registration, the handheld clock and yielding.
#include "core/operation.h"
#include "hotsync_api.h"

using namespace hotsync;

extern "C" {

int32_t HS_CALL SyncRegisterConduit(uint32_t* handle) {
  Session* session = nullptr;
  if (int32_t code = EnterOperation("SyncRegisterConduit", &session)) return code;
  if (handle == nullptr) return kHsErrBadArgument;
  *handle = session->NextConduitHandle();
  return 0;
}

int32_t HS_CALL SyncUnRegisterConduit(uint32_t handle) {
  Session* session = nullptr;
  if (int32_t code = EnterOperation("SyncUnRegisterConduit", &session)) return code;
  return handle == 0 ? static_cast<int32_t>(kHsErrBadArgument) : 0;
}

// The handheld keeps wall-clock time: the desktop's local time plus the session's offset.
int32_t HS_CALL SyncReadSysDateTime(uint32_t* seconds_since_1970) {
  Session* session = nullptr;
  if (int32_t code = EnterOperation("SyncReadSysDateTime", &session)) return code;
  if (seconds_since_1970 == nullptr) return kHsErrBadArgument;
  *seconds_since_1970 = static_cast<uint32_t>(LocalWallClockNow() + session->clockOffset());
  return 0;
}

// Nothing runs beside the conduit in the stand-in, so there is nothing to yield to.
int32_t HS_CALL SyncYieldCycles([[maybe_unused]] uint16_t max_cycles) {
  Session* session = nullptr;
  return EnterOperation("SyncYieldCycles", &session);
}

}  // extern "C"
