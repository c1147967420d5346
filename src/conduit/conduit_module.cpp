#include "conduit/conduit_module.h"

#include "hotsync_api.h"

namespace {

ModuleHandle g_conduit_module = nullptr;
ModuleHandle g_resource_module = nullptr;
int32_t g_attach_count = 0;

}  // namespace

void ConduitProcessAttach(ModuleHandle self) {
  if (g_attach_count == 0) {
    g_conduit_module = self;
    g_resource_module = PalmLoadLanguage(kLanguageLibraryName, g_conduit_module, &g_conduit_module);
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
