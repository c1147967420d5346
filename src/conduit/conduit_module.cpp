#include "conduit/conduit_module.h"

#include "hotsync_api.h"

namespace {

ModuleHandle g_conduit_module = nullptr;
ModuleHandle g_resource_module = nullptr;
// What the language loader reports of the library it loaded; the loader writes it, so it must
// never share storage with the module handles.
uint32_t g_language_version = 0;
int32_t g_attach_count = 0;

}  // namespace

void ConduitProcessAttach(ModuleHandle self) {
  if (g_attach_count == 0) {
    g_conduit_module = self;
    g_resource_module = PalmLoadLanguage(kLanguageLibraryName, g_conduit_module, &g_language_version);
  }
  ++g_attach_count;
}

void ConduitProcessDetach() {
  if (--g_attach_count <= 0) {
    PalmFreeLanguage(g_resource_module, g_conduit_module);
    g_resource_module = g_conduit_module;
  }
}

ModuleHandle ConduitModule() { return g_conduit_module; }
ModuleHandle ResourceModule() { return g_resource_module; }
int32_t ConduitAttachCount() { return g_attach_count; }
