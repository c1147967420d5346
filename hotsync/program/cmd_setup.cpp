// hotsync setup: the stand-in's own set-up, which records where installers find the manager.
#include <cstdio>

#include "platform/core_settings.h"
#include "platform/host.h"
#include "program/commands.h"
#include "program/output.h"

namespace hotsync {

int RunSetup(const Options& options) {
  if (options.words.size() != 1) return UsageError("setup takes no arguments");
  const std::string root = AbsolutePath(options.root);
  std::string error;
  if (!MakeFolders(root, &error) || !WriteCoreSetting(kCorePath, ProgramFolder(), &error) ||
      !WriteCoreSetting(kCoreHotSyncPath, ProgramFile(), &error) || !WriteCoreSetting(kCoreRoot, root, &error)) {
    PrintError("hotsync: set-up failed: %s\n", error.c_str());
    return 1;
  }
  Print("HotSync manager set up:\n");
  Print("  manager folder  %s\n", ProgramFolder().c_str());
  Print("  program         %s\n", ProgramFile().c_str());
  Print("  HotSync root    %s\n", root.c_str());
  Print("Conduit installers now find it; see the registered conduits with: %s\n",
        CommandLine(RootOnly(options), "conduits").c_str());
  return 0;
}

}  // namespace hotsync
