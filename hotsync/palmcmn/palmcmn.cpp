// PalmCmn: the conduit's language resource library, loaded from the conduit's own folder.
#include "hotsync_api.h"
#include "platform/host.h"

using namespace hotsync;

namespace {
// Version number the loader reports: 3.0, as a 32-bit value with the major version high.
constexpr uint32_t kLanguageLibraryVersion = 0x00030000;
}  // namespace

extern "C" {

void* HS_WINAPI PalmLoadLanguage(const char* libraryName, void* conduitModule,
                                 uint32_t* version) {
  void* conduit = conduitModule;
  // The real loader writes through this pointer unconditionally; so do we, so a caller that
  // hands in anything but a 32-bit variable of its own fails here as it would there.
  if (version != nullptr) *version = kLanguageLibraryVersion;
  if (libraryName == nullptr || conduit == nullptr) return conduit;
  const std::string folder = ModuleFolder(conduit);
  if (folder.empty()) return conduit;
  std::string error;
  void* language = OpenModule(JoinPath(folder, TargetModuleFileName(libraryName)), &error);
  return language != nullptr ? language : conduit;
}

int32_t HS_WINAPI PalmFreeLanguage(void* resourceModule, void* conduitModule) {
  if (resourceModule != nullptr && resourceModule != conduitModule) CloseModule(resourceModule);
  return 1;
}

}  // extern "C"
