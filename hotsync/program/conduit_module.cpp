#include "program/conduit_module.h"

#include "platform/host.h"

namespace hotsync {

namespace {

template <typename Fn>
Fn Entry(void* module, const char* name) {
  return reinterpret_cast<Fn>(FindModuleSymbol(module, name));
}

}  // namespace

// The conduit stays loaded until the program ends, as in the manager's own process: its
// process-wide state (and its detach handling at exit) must outlive the entry point calls, and
// unloading it early would turn that state into apparent leaks.
ConduitModule::~ConduitModule() = default;

bool ConduitModule::Load(const std::string& path, std::string* error) {
  path_ = path;
  module_ = OpenModule(path_, error);
  if (module_ == nullptr) return false;
  openConduit = Entry<OpenConduitFn>(module_, "OpenConduit");
  getConduitName = Entry<GetConduitNameFn>(module_, "GetConduitName");
  getConduitVersion = Entry<GetConduitVersionFn>(module_, "GetConduitVersion");
  getConduitInfo = Entry<GetConduitInfoFn>(module_, "GetConduitInfo");
  cfgConduit = Entry<CfgConduitFn>(module_, "CfgConduit");
  finishInstall = Entry<FinishInstallFn>(module_, "FinishInstall");
  return true;
}

}  // namespace hotsync
