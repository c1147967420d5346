// The library's module-wide state: its own module, the language resource module that every
// dialog, bitmap and version text comes from, and the process attach count.
#ifndef REELBOX_CONDUIT_CONDUIT_MODULE_H
#define REELBOX_CONDUIT_CONDUIT_MODULE_H

#include <cstdint>

#include "platform/system.h"

constexpr const char kLanguageLibraryName[] = "KVRTConduitLANG.DLL";

// First attach: records the module and loads the language library through the HotSync manager's
// common library. Later attaches only count.
void ConduitProcessAttach(ModuleHandle self);
// Last detach: releases the language library; the resource module becomes the conduit module.
void ConduitProcessDetach();

ModuleHandle ConduitModule();
ModuleHandle ResourceModule();
int32_t ConduitAttachCount();

#endif  // REELBOX_CONDUIT_CONDUIT_MODULE_H
