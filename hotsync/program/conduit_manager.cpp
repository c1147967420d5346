#include "program/conduit_manager.h"

#include <type_traits>

#include "platform/host.h"

namespace hotsync {
namespace {

// A text getter's answer, with the room it asks for when the first buffer is too small.
int32_t GetText(ConduitManager::GetTextFn get, const std::string& creator, std::string* text) {
  std::vector<char> buffer(256);
  int32_t size = static_cast<int32_t>(buffer.size());
  int32_t result = get(creator.c_str(), buffer.data(), &size);
  if (result == kCmErrBufferTooSmall && size > 0 && size < (1 << 20)) {
    buffer.resize(static_cast<size_t>(size));
    result = get(creator.c_str(), buffer.data(), &size);
  }
  if (result == kCmErrNone) *text = buffer.data();
  return result;
}

}  // namespace

bool ConduitManager::Load(std::string* error) {
  // Beside the program, or (installed on Linux) beside the manager's other libraries.
  const std::string file = TargetModuleFileName("CondMgr.dll");
  std::string path = JoinPath(ProgramFolder(), file);
  if (!FileExists(path)) {
    if (void* sync = FindLoadedSymbol("SYNC20.dll", "HsBeginSession")) path = JoinPath(ModuleFolder(sync), file);
  }
  module_ = OpenModule(path, error);
  if (module_ == nullptr) return false;
  bool complete = true;
  auto bind = [&](auto* fn, const char* name) {
    *fn = reinterpret_cast<std::remove_pointer_t<decltype(fn)>>(FindModuleSymbol(module_, name));
    if (*fn == nullptr) {
      *error = path + " does not export " + name;
      complete = false;
    }
  };
  bind(&install, "CmInstallCreator");
  bind(&remove, "CmRemoveConduitByCreatorID");
  bind(&getType, "CmGetCreatorType");
  bind(&setName, "CmSetCreatorName");
  bind(&setDirectory, "CmSetCreatorDirectory");
  bind(&setTitle, "CmSetCreatorTitle");
  bind(&setPriority, "CmSetCreatorPriority");
  bind(&getName, "CmGetCreatorName");
  bind(&getDirectory, "CmGetCreatorDirectory");
  bind(&getFile, "CmGetCreatorFile");
  bind(&getRemote, "CmGetCreatorRemote");
  bind(&getTitle, "CmGetCreatorTitle");
  bind(&getPriority, "CmGetCreatorPriority");
  bind(&count, "CmGetConduitCount");
  bind(&creatorAt, "CmGetConduitCreatorID");
  return complete;
}

bool ConduitManager::List(std::vector<ConduitRegistration>* conduits, std::string* error) const {
  conduits->clear();
  const int32_t total = count();
  if (total < 0) {
    *error = ConduitManagerErrorText(total);
    return false;
  }
  for (int32_t i = 0; i < total; ++i) {
    char creator[8] = {0};
    int32_t size = sizeof creator;
    ConduitRegistration conduit;
    int32_t result = creatorAt(i, creator, &size);
    conduit.creator = creator;
    if (result == kCmErrNone) result = GetText(getName, conduit.creator, &conduit.name);
    if (result == kCmErrNone) result = GetText(getDirectory, conduit.creator, &conduit.directory);
    if (result == kCmErrNone) result = GetText(getFile, conduit.creator, &conduit.file);
    if (result == kCmErrNone) result = GetText(getRemote, conduit.creator, &conduit.remote);
    if (result == kCmErrNone) result = GetText(getTitle, conduit.creator, &conduit.title);
    if (result == kCmErrNone) result = getPriority(conduit.creator.c_str(), &conduit.priority);
    if (result == kCmErrNone) conduit.type = getType(conduit.creator.c_str());
    if (result != kCmErrNone) {
      *error = "conduit " + std::to_string(i + 1) + ": " + ConduitManagerErrorText(result);
      return false;
    }
    conduits->push_back(conduit);
  }
  return true;
}

int32_t ConduitManager::Register(const ConduitRegistration& conduit, bool update) const {
  const char* creator = conduit.creator.c_str();
  if (!update) {
    if (int32_t result = install(creator, conduit.type)) return result;
  }
  int32_t result = setName(creator, conduit.name.c_str());
  if (result == kCmErrNone) result = setDirectory(creator, conduit.directory.c_str());
  if (result == kCmErrNone) result = setTitle(creator, conduit.title.c_str());
  if (result == kCmErrNone) result = setPriority(creator, conduit.priority);
  if (result != kCmErrNone && !update) remove(creator);
  return result;
}

std::string ConduitManagerErrorText(int32_t code) {
  switch (code) {
    case kCmErrNone: return "done";
    case kCmErrIndexOutOfRange: return "no conduit has that index (error -1001)";
    case kCmErrNoConduit: return "no conduit is registered under that creator (error -1003)";
    case kCmErrCreatorInUse: return "the creator is registered already (error -1005)";
    case kCmErrRegistryAccess:
      return "the manager's registrations cannot be read or written (error -1006)";
    case kCmErrCannotSetValue:
      return "a value cannot be stored: control characters, or a priority above 4 (error -1008)";
    case kCmErrBufferTooSmall: return "buffer too small (error -1010)";
    case kCmErrInvalidCreator: return "a creator has exactly four characters (error -1012)";
    case kCmErrInvalidPointer: return "null pointer (error -1013)";
    default: return "error " + std::to_string(code);
  }
}

}  // namespace hotsync
