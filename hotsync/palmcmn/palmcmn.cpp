// PalmCmn: the conduit's language resource library, loaded from the conduit's own folder.
#include "hotsync_api.h"
#include "platform/host.h"

using namespace hotsync;

extern "C" {

void* HS_CALL PalmLoadLanguage(const char* libraryName, void* conduitModule,
                               void** conduitModuleVar) {
  void* conduit = conduitModule;
  if (conduit == nullptr && conduitModuleVar != nullptr) conduit = *conduitModuleVar;
  if (libraryName == nullptr || conduit == nullptr) return conduit;
  const std::string folder = ModuleFolder(conduit);
  if (folder.empty()) return conduit;
  std::string error;
  void* language = OpenModule(JoinPath(folder, TargetModuleFileName(libraryName)), &error);
  return language != nullptr ? language : conduit;
}

int32_t HS_CALL PalmFreeLanguage(void* resourceModule, void* conduitModule) {
  if (resourceModule != nullptr && resourceModule != conduitModule) CloseModule(resourceModule);
  return 0;
}

}  // extern "C"
