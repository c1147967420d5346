// The operating system's load and unload notifications of a shared library, for the library that
// wants them (the conduit). Its sources define the two functions; the platform's library entry
// (platform/<target>/library/, linked into that library alone) calls them.
#ifndef REELBOX_PLATFORM_LIBRARY_ENTRY_H
#define REELBOX_PLATFORM_LIBRARY_ENTRY_H

#include "platform/system.h"

// The library was loaded into a process; self is its own module.
void OnLibraryAttach(ModuleHandle self);
// The library is being unloaded from the process.
void OnLibraryDetach();

#endif  // REELBOX_PLATFORM_LIBRARY_ENTRY_H
