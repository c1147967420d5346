#include "conduit/open_conduit.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "conduit/conduit_info.h"
#include "conduit/conduit_module.h"
#include "conduit/version_text.h"
#include "diag/hotsync_log_codes.h"
#include "hotsync_api.h"
#include "platform/env.h"
#include "platform/system.h"

int32_t RunConduit(Env& env, ProgressCallback progress, const SyncProperties& properties) {
  if (progress == nullptr) return -1;
  uint32_t handle = 0;
  int32_t registered = SyncRegisterConduit(&handle);
  if (registered != 0) return registered;

  int32_t action = 0;
  std::memcpy(&action, properties.bytes, sizeof action);
  int32_t result = 0;
  if (action == ToInt(SyncAction::kDoNothing)) {
    LogAddEntry("Movie doing nothing", TranslateLogCode(LogCode::kPlainText), 0);
  } else {
    LogAddEntry("", TranslateLogCode(LogCode::kSyncStarted), 0);
    SystemServices& system = env.System();
    int32_t com = system.InitializeCom();
    if (com != 0 && com != 1) {
      char message[128];
      std::snprintf(message, sizeof message,
                    "Movie conduit aborted because of an error initializing the COM subsystem (%lx)",
                    static_cast<unsigned long>(static_cast<uint32_t>(com)));
      LogAddEntry(message, TranslateLogCode(LogCode::kSyncAborted), 0);
    } else {
      LogAddEntry("Beginning Movie Sync", TranslateLogCode(LogCode::kPlainText), 0);
      LogAddEntry(ConduitVersionText(system, ResourceModule()), TranslateLogCode(LogCode::kPlainText), 0);
      // Nothing may unwind into the manager, and the conduit must still unregister: a failure
      // to allocate ends the synchronization with -1.
      try {
        // The input is large; keep it off the manager's stack.
        std::unique_ptr<SyncInput> input(new SyncInput());
        input->progress = progress;
        std::memcpy(&input->properties, &properties, sizeof input->properties);
        result = RunSynchronization(env, *input);
      } catch (const std::bad_alloc&) {
        LogAddEntry("Reelbox synchronization ended because there was not enough memory.", TranslateLogCode(LogCode::kLocalSaveFailed), 0);
        result = -1;
      } catch (...) {
        result = -1;
      }
      system.UninitializeCom();
    }
  }
  LogAddEntry(kConduitDisplayName, TranslateLogCode(result == 0 ? LogCode::kSyncFinished : LogCode::kSyncAborted), 0);
  SyncUnRegisterConduit(handle);
  return result;
}
