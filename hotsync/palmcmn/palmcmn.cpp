// PalmCmn: the conduit's language resource library, loaded from the conduit's own folder.
#include "hotsync_api.h"
#include "platform/host.h"

using namespace hotsync;

namespace {
// Version number the loader reports: 3.0, as a 32-bit value with the major version high.
constexpr uint32_t kLanguageLibraryVersion = 0x00030000;
}  // namespace

extern "C" {

void* HS_WINAPI PalmLoadLanguage(const char* library_name, void* conduit_module,
                                 uint32_t* version) {
  void* conduit = conduit_module;
  // The real loader writes through this pointer unconditionally; so do we, so a caller that
  // hands in anything but a 32-bit variable of its own fails here as it would there.
  if (version != nullptr) *version = kLanguageLibraryVersion;
  if (library_name == nullptr || conduit == nullptr) return conduit;
  const std::string folder = ModuleFolder(conduit);
  if (folder.empty()) return conduit;
  std::string error;
  void* language = OpenModule(JoinPath(folder, TargetModuleFileName(library_name)), &error);
  return language != nullptr ? language : conduit;
}

int32_t HS_WINAPI PalmFreeLanguage(void* resource_module, void* conduit_module) {
  if (resource_module != nullptr && resource_module != conduit_module) CloseModule(resource_module);
  return 1;
}

}  // extern "C"
