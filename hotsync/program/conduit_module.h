// The conduit library loaded by the manager, with its entry points.
#ifndef HOTSYNC_PROGRAM_CONDUIT_MODULE_H
#define HOTSYNC_PROGRAM_CONDUIT_MODULE_H

#include <string>

#include "conduit_entry.h"

namespace hotsync {

class ConduitModule {
 public:
  ConduitModule() = default;
  ~ConduitModule();
  ConduitModule(const ConduitModule&) = delete;
  ConduitModule& operator=(const ConduitModule&) = delete;

  // Loads the conduit library at path. False with a message.
  bool Load(const std::string& path, std::string* error);
  const std::string& path() const { return path_; }

  // Null when the conduit does not export that entry point.
  OpenConduitFn openConduit = nullptr;
  GetConduitNameFn getConduitName = nullptr;
  GetConduitVersionFn getConduitVersion = nullptr;
  GetConduitInfoFn getConduitInfo = nullptr;
  CfgConduitFn cfgConduit = nullptr;
  FinishInstallFn finishInstall = nullptr;

 private:
  void* module_ = nullptr;
  std::string path_;
};

}  // namespace hotsync

#endif  // HOTSYNC_PROGRAM_CONDUIT_MODULE_H
