// hotsync setup: the stand-in's own set-up, which records where installers find the manager.
#include <cstdio>

#include "platform/core_settings.h"
#include "platform/host.h"
#include "program/commands.h"

namespace hotsync {

int RunSetup(const Options& options) {
  if (options.words.size() != 1) return UsageError("setup takes no arguments");
  const std::string root = AbsolutePath(options.root);
  std::string error;
  if (!MakeFolders(root, &error) || !WriteCoreSetting(kCorePath, ProgramFolder(), &error) ||
      !WriteCoreSetting(kCoreHotSyncPath, ProgramFile(), &error) || !WriteCoreSetting(kCoreRoot, root, &error)) {
    std::fprintf(stderr, "hotsync: set-up failed: %s\n", error.c_str());
    return 1;
  }
  std::printf("HotSync manager set up:\n");
  std::printf("  manager folder  %s\n", ProgramFolder().c_str());
  std::printf("  program         %s\n", ProgramFile().c_str());
  std::printf("  HotSync root    %s\n", root.c_str());
  std::printf("Conduit installers now find it; see the registered conduits with: hotsync conduits\n");
  return 0;
}

}  // namespace hotsync
