#include <dlfcn.h>

#include "platform/library_entry.h"

namespace {

// The library's own dlopen handle, found through the address of code inside it. The extra
// reference taken to find it is dropped at once, so the library can still be unloaded.
ModuleHandle OwnModule() {
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&OwnModule), &info) == 0 || info.dli_fname == nullptr) return nullptr;
  void* handle = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
  if (handle != nullptr) dlclose(handle);
  return handle;
}

__attribute__((constructor)) void LibraryLoaded() { OnLibraryAttach(OwnModule()); }
__attribute__((destructor)) void LibraryUnloaded() { OnLibraryDetach(); }

}  // namespace
