// The conduit's build-version text, shown in its dialog and written into its logs.
#ifndef REELBOX_CONDUIT_VERSION_TEXT_H
#define REELBOX_CONDUIT_VERSION_TEXT_H

#include "platform/system.h"

// The special-build text of the module's version resource, cut at its first "-", or
// "<unknown version>". The text lives in a module-wide buffer rebuilt on each call.
const char* ConduitVersionText(SystemServices& system, ModuleHandle module);

#endif  // REELBOX_CONDUIT_VERSION_TEXT_H
