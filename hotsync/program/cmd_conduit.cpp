// hotsync install | info | configure: the conduit's entry points other than OpenConduit.
#include <cstdio>
#include <cstring>

#include "core/users.h"
#include "hotsync_session.h"
#include "platform/console.h"
#include "platform/host.h"
#include "program/commands.h"
#include "program/output.h"
#include "program/conduit_module.h"
#include "program/registered_conduits.h"

namespace hotsync {
namespace {

const char kConduitFolderName[] = "Cinevane";

// The conduit of --conduit, else the only one registered.
bool LoadConduit(const Options& options, ConduitModule* conduit) {
  std::vector<std::string> files;
  if (!ConduitsToRun(options, &files)) return false;
  if (files.size() > 1) {
    PrintError("hotsync: several conduits are registered: name one with --conduit FILE\n");
    return false;
  }
  std::string error;
  if (!conduit->Load(files[0], &error)) {
    PrintError("hotsync: cannot load the conduit: %s\n", error.c_str());
    return false;
  }
  return true;
}

bool Missing(bool present, const char* name) {
  if (present) return false;
  PrintError("hotsync: the conduit does not export %s\n", name);
  return true;
}

void PutLittle32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetLittle32(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
         static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

// A 4-byte answer of GetConduitInfo; false when the conduit gave none.
bool Query32(GetConduitInfoFn info, int32_t query, uint32_t* value, int32_t* result) {
  uint8_t input[80] = {0};
  uint8_t output[4] = {0};
  uint32_t size = 4;
  *result = info(query, input, output, &size);
  *value = GetLittle32(output);
  return *result == 0;
}

// Why a folder cannot be made where the conduit makes it: the first part of the path that is no
// folder, or what the system says when we try.
std::string WhyNoFolder(const std::string& folder) {
  std::string error;
  const size_t cut = folder.rfind(PathSeparator());
  const std::string parent = cut == std::string::npos ? std::string() : folder.substr(0, cut);
  if (FileExists(folder)) return "a file of that name is in the way";
  if (!parent.empty() && FileExists(parent)) return "the user's folder " + parent + " is a file";
  if (!parent.empty() && !FolderExists(parent)) return "the user's folder " + parent + " is missing";
  if (!MakeFolders(folder, &error)) return error;
  RemoveFolder(folder);  // made only to learn why the conduit could not: it is the conduit's to make
  return "the conduit's attempt failed, though the folder can be made now; try again";
}

}  // namespace

int RunInstall(const Options& options) {
  if (options.words.size() != 1) return UsageError("install takes no arguments");
  SessionScope session(options, kHsSessionNoHandheld);
  if (!session.ok()) return 1;
  ConduitModule conduit;
  if (!LoadConduit(options, &conduit) || Missing(conduit.finishInstall != nullptr, "FinishInstall")) return 1;
  UserEntry user;
  if (!SelectedUser(options, &user)) return 1;
  const std::string user_folder = JoinPath(options.root, user.folder);
  const std::string folder = JoinPath(user_folder, kConduitFolderName);
  const int32_t result = conduit.finishInstall(user.name.c_str());
  if (result == 0 && FolderExists(folder)) {
    Print("The conduit is installed for \"%s\": its folder is %s\n", user.name.c_str(), folder.c_str());
    return 0;
  }
  std::string why;
  switch (result) {
    case 0:
      // The conduit takes "already exists" as done, even when a file has the folder's name.
      why = "it reported success, but " + folder + " is no folder (" +
            (FileExists(folder) ? "a file of that name is in the way: move it away and install again"
                                : "it is missing") + ")";
      break;
    case -2:
      why = "the manager did not give it the HotSync data folder (the root " + options.root + ")";
      break;
    case -3:
      why = "the manager gave it no user named \"" + user.name + "\" (registered in " + options.root + ")";
      break;
    case -4:
      why = "the manager did not give it the folder of user \"" + user.name + "\" (" + user_folder + ")";
      break;
    case -5:
      why = "it could not create its folder " + folder + ": " + WhyNoFolder(folder);
      break;
    default:
      why = "it could not start COM (error " + std::to_string(result) + ")";
      break;
  }
  PrintError("hotsync: the conduit could not be installed for \"%s\": %s (FinishInstall gave %ld)\n",
             user.name.c_str(), why.c_str(), static_cast<long>(result));
  return 1;
}

int RunInfo(const Options& options) {
  if (options.words.size() != 1) return UsageError("info takes no arguments");
  ConduitModule conduit;
  if (!LoadConduit(options, &conduit)) return 1;
  Print("Conduit: %s\n", conduit.path().c_str());
  if (conduit.getConduitName != nullptr) {
    char name[256];
    const int32_t result = conduit.getConduitName(name, sizeof name);
    name[sizeof name - 1] = 0;
    if (result == 0) {
      Print("  Name:            %s\n", name);
    } else {
      Print("  Name:            (the conduit gave none: error %ld)\n", static_cast<long>(result));
    }
  }
  if (conduit.getConduitVersion != nullptr) {
    const uint32_t version = conduit.getConduitVersion();
    Print("  Version:         %lu.%02lx (0x%lx)\n", static_cast<unsigned long>(version >> 8),
          static_cast<unsigned long>(version & 0xFF), static_cast<unsigned long>(version));
  }
  if (conduit.getConduitInfo != nullptr) {
    uint8_t input[80] = {0};
    PutLittle32(input, 1);
    PutLittle32(input + 4, 80);
    char output[256] = {0};
    uint32_t size = sizeof output;
    int32_t result = conduit.getConduitInfo(0, input, output, &size);
    output[sizeof output - 1] = 0;
    if (result == 0) {
      Print("  Display name:    %s\n", output);
    } else {
      Print("  Display name:    (the conduit gave none: error %ld)\n", static_cast<long>(result));
    }
    uint32_t value = 0;
    if (Query32(conduit.getConduitInfo, 2, &value, &result)) {
      Print("  Default action:  %s\n", value == 0   ? "synchronize"
            : value == kSyncActionDoNothing ? "do nothing"
            : "other");
    } else {
      Print("  Default action:  (the conduit gave none: error %ld)\n", static_cast<long>(result));
    }
    if (Query32(conduit.getConduitInfo, 1, &value, &result)) {
      Print("  MFC version:     0x%08lx\n", static_cast<unsigned long>(value));
    }
  }
  return 0;
}

int RunConfigure(const Options& options) {
  if (options.words.size() != 1) return UsageError("configure takes no arguments");
  SessionScope session(options, kHsSessionNoHandheld);
  if (!session.ok()) return 1;
  ConduitModule conduit;
  if (!LoadConduit(options, &conduit) || Missing(conduit.cfgConduit != nullptr, "CfgConduit")) return 1;
  uint8_t record[kCfgRecordSize] = {0};
  PutLittle32(record, 1);
  char* folder = reinterpret_cast<char*>(record + kCfgRecordFolderOffset);
  HsGetConduitFolder(folder, kCfgRecordActionOffset - kCfgRecordFolderOffset);
  uint32_t size = kCfgRecordSize;
  const int32_t result = conduit.cfgConduit(0, record, &size);
  const uint32_t action = GetLittle32(record + kCfgRecordActionOffset);
  const uint32_t kind = GetLittle32(record + kCfgRecordPrefKindOffset);
  if (result == 0) {
    Print("Settings saved.\n");
    Print("  Next syncs: %s\n", action == 0                       ? "synchronize"
          : action == kSyncActionDoNothing ? "do nothing"
          : "another action");
    Print("  Applies to: %s\n", kind == 1 ? "every sync from now on" : "the next sync only");
    return 0;
  }
  if (result == -1) {
    std::string why;
    if (!CanShowDialogs(&why)) {
      PrintError("hotsync: the settings dialog could not be shown: %s:\n  %s\n", why.c_str(),
                 CommandLine(options, "configure").c_str());
    } else {
      Print("The settings dialog was cancelled; nothing changed.\n");
    }
    return 1;
  }
  PrintError("hotsync: the conduit refused to open its settings (error %ld)\n", static_cast<long>(result));
  return 1;
}

}  // namespace hotsync
