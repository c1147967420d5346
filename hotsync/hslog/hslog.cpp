// HSLOG20: entries of the HotSync log, kept by the session in SYNC20.
#include "hotsync_api.h"
#include "hotsync_session.h"

extern "C" {

// The flag asks the manager to show the log at once; the stand-in's log is read afterwards.
int32_t HS_CALL LogAddEntry(const char* text, int32_t activity, [[maybe_unused]] int32_t flag) {
  if (!HsSessionActive()) return kHsErrNoSession;
  if (int32_t code = HsCheckFault("LogAddEntry")) return code;
  HsAddLogEntry(text, activity);
  return 0;
}

}  // extern "C"
