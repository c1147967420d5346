// The functions the HotSync manager calls, exported under their plain names (KVRTConduit.def on
// win32; default visibility on POSIX, where everything else is hidden).
#include <cstdint>

#include "conduit/conduit_info.h"
#include "conduit/conduit_module.h"
#include "conduit/configure.h"
#include "conduit/finish_install.h"
#include "conduit/open_conduit.h"
#include "platform/env.h"
#include "platform/library_entry.h"

#define CONDUIT_EXPORT extern "C" [[gnu::visibility("default")]]

CONDUIT_EXPORT int32_t OpenConduit(ProgressCallback progress, SyncProperties& properties) {
  return RunConduit(Env::Default(), progress, properties);
}

CONDUIT_EXPORT int32_t GetConduitName(char* buffer, uint16_t size) { return ConduitName(buffer, size); }

CONDUIT_EXPORT uint32_t GetConduitVersion() { return kConduitInterfaceVersion; }

CONDUIT_EXPORT int32_t GetConduitInfo(int32_t query, void* input, void* output, uint32_t* output_size) {
  return ToInt(ConduitInfo(query, input, output, output_size));
}

CONDUIT_EXPORT int32_t ConfigureConduit(void* record) { return ToInt(ConfigureFromLegacyRecord(Env::Default(), record)); }

CONDUIT_EXPORT int32_t CfgConduit(int32_t kind, void* record, uint32_t* record_size) {
  return ToInt(ConfigureFromRecord(Env::Default(), kind, record, record_size));
}

CONDUIT_EXPORT int32_t FinishInstall(const char* user_name) { return InstallUserFolder(Env::Default(), user_name); }

void OnLibraryAttach(ModuleHandle self) { ConduitProcessAttach(self); }
void OnLibraryDetach() { ConduitProcessDetach(); }
