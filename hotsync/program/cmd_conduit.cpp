// hotsync install | info | configure: the conduit's entry points other than OpenConduit.
#include <cstdio>
#include <cstring>

#include "core/users.h"
#include "hotsync_session.h"
#include "platform/console.h"
#include "program/commands.h"
#include "program/conduit_module.h"
#include "program/registered_conduits.h"

namespace hotsync {
namespace {

// The conduit of --conduit, else the only one registered.
bool LoadConduit(const Options& options, ConduitModule* conduit) {
  std::vector<std::string> files;
  if (!ConduitsToRun(options, &files)) return false;
  if (files.size() > 1) {
    std::fprintf(stderr, "hotsync: several conduits are registered: name one with --conduit FILE\n");
    return false;
  }
  std::string error;
  if (!conduit->Load(files[0], &error)) {
    std::fprintf(stderr, "hotsync: cannot load the conduit: %s\n", error.c_str());
    return false;
  }
  return true;
}

bool Missing(bool present, const char* name) {
  if (present) return false;
  std::fprintf(stderr, "hotsync: the conduit does not export %s\n", name);
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

}  // namespace

int RunInstall(const Options& options) {
  if (options.words.size() != 1) return UsageError("install takes no arguments");
  SessionScope session(options, kHsSessionNoHandheld);
  if (!session.ok()) return 1;
  ConduitModule conduit;
  if (!LoadConduit(options, &conduit) || Missing(conduit.finishInstall != nullptr, "FinishInstall")) return 1;
  UserEntry user;
  if (!SelectedUser(options, &user)) return 1;
  const int32_t result = conduit.finishInstall(user.name.c_str());
  std::printf("FinishInstall(\"%s\") = %ld\n", user.name.c_str(), static_cast<long>(result));
  return result == 0 ? 0 : 1;
}

int RunInfo(const Options& options) {
  if (options.words.size() != 1) return UsageError("info takes no arguments");
  ConduitModule conduit;
  if (!LoadConduit(options, &conduit)) return 1;
  std::printf("Conduit: %s\n", conduit.path().c_str());
  if (conduit.getConduitName != nullptr) {
    char name[256];
    const int32_t result = conduit.getConduitName(name, sizeof name);
    name[sizeof name - 1] = 0;
    if (result == 0) {
      std::printf("  Name:            %s\n", name);
    } else {
      std::printf("  Name:            (the conduit gave none: error %ld)\n", static_cast<long>(result));
    }
  }
  if (conduit.getConduitVersion != nullptr) {
    const uint32_t version = conduit.getConduitVersion();
    std::printf("  Version:         %lu.%02lx (0x%lx)\n", static_cast<unsigned long>(version >> 8),
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
      std::printf("  Display name:    %s\n", output);
    } else {
      std::printf("  Display name:    (the conduit gave none: error %ld)\n", static_cast<long>(result));
    }
    uint32_t value = 0;
    if (Query32(conduit.getConduitInfo, 2, &value, &result)) {
      std::printf("  Default action:  %s\n", value == 0   ? "synchronize"
                                             : value == kSyncActionDoNothing ? "do nothing"
                                                                             : "other");
    } else {
      std::printf("  Default action:  (the conduit gave none: error %ld)\n", static_cast<long>(result));
    }
    if (Query32(conduit.getConduitInfo, 1, &value, &result)) {
      std::printf("  MFC version:     0x%08lx\n", static_cast<unsigned long>(value));
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
    std::printf("Settings saved.\n");
    std::printf("  Next syncs: %s\n", action == 0                       ? "synchronize"
                                      : action == kSyncActionDoNothing ? "do nothing"
                                                                       : "another action");
    std::printf("  Applies to: %s\n", kind == 1 ? "every sync from now on" : "the next sync only");
    return 0;
  }
  if (result == -1) {
    std::string why;
    if (!CanShowDialogs(&why)) {
      std::fprintf(stderr, "hotsync: the settings dialog could not be shown: %s\n", why.c_str());
    } else {
      std::printf("The settings dialog was cancelled; nothing changed.\n");
    }
    return 1;
  }
  std::fprintf(stderr, "hotsync: the conduit refused to open its settings (error %ld)\n", static_cast<long>(result));
  return 1;
}

}  // namespace hotsync
