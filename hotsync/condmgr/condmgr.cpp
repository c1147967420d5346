// CondMgr: the conduit registrations, as installers and the manager program change and read them.
// Every call reads the registrations afresh and a change replaces the file at once, so two
// processes (an installer and a synchronization) always see a whole set.
#include <cstring>
#include <functional>

#include "condmgr_api.h"
#include "core/manager_root.h"
#include "core/registrations.h"
#include "platform/core_settings.h"

using namespace hotsync;

namespace {

constexpr uint32_t kMaxPriority = 4;

int32_t CheckCreator(const char* creator) {
  if (creator == nullptr) return kCmErrInvalidPointer;
  return std::strlen(creator) == 4 ? kCmErrNone : kCmErrInvalidCreator;
}

bool Load(std::string* root, std::vector<ConduitRegistration>* conduits) {
  *root = ManagerRoot();
  std::string error;
  return !root->empty() && LoadRegistrations(*root, conduits, &error);
}

ConduitRegistration* Find(std::vector<ConduitRegistration>* conduits, const char* creator) {
  for (ConduitRegistration& conduit : *conduits) {
    if (conduit.creator == creator) return &conduit;
  }
  return nullptr;
}

// Applies change to creator's registration and saves them all.
int32_t Change(const char* creator, const std::function<int32_t(ConduitRegistration*)>& change) {
  if (int32_t code = CheckCreator(creator)) return code;
  std::string root;
  std::vector<ConduitRegistration> conduits;
  if (!Load(&root, &conduits)) return kCmErrRegistryAccess;
  ConduitRegistration* conduit = Find(&conduits, creator);
  if (conduit == nullptr) return kCmErrNoConduit;
  if (int32_t code = change(conduit)) return code;
  std::string error;
  return SaveRegistrations(root, conduits, &error) ? kCmErrNone : kCmErrRegistryAccess;
}

int32_t SetText(const char* creator, const char* text, std::string ConduitRegistration::*field) {
  if (int32_t code = CheckCreator(creator)) return code;
  if (text == nullptr) return kCmErrInvalidPointer;
  return Change(creator, [&](ConduitRegistration* conduit) {
    if (!StorableText(text)) return static_cast<int32_t>(kCmErrCannotSetValue);
    conduit->*field = text;
    return static_cast<int32_t>(kCmErrNone);
  });
}

int32_t CopyOut(const std::string& text, char* buffer, int32_t* size) {
  if (buffer == nullptr || size == nullptr) return kCmErrInvalidPointer;
  const int32_t needed = static_cast<int32_t>(text.size() + 1);
  if (*size < needed) {
    *size = needed;
    return kCmErrBufferTooSmall;
  }
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  *size = needed;
  return kCmErrNone;
}

int32_t GetText(const char* creator, char* buffer, int32_t* size, std::string ConduitRegistration::*field) {
  if (int32_t code = CheckCreator(creator)) return code;
  if (buffer == nullptr || size == nullptr) return kCmErrInvalidPointer;
  std::string root;
  std::vector<ConduitRegistration> conduits;
  if (!Load(&root, &conduits)) return kCmErrRegistryAccess;
  const ConduitRegistration* conduit = Find(&conduits, creator);
  return conduit != nullptr ? CopyOut(conduit->*field, buffer, size) : kCmErrNoConduit;
}

int32_t GetCore(const char* name, char* buffer, int32_t* size) {
  if (buffer == nullptr || size == nullptr) return kCmErrInvalidPointer;
  std::string value;
  return ReadCoreSetting(name, &value) ? CopyOut(value, buffer, size) : kCmErrRegistryAccess;
}

}  // namespace

extern "C" {

int32_t HS_WINAPI CmInstallCreator(const char* creator, int32_t type) {
  if (int32_t code = CheckCreator(creator)) return code;
  std::string root;
  std::vector<ConduitRegistration> conduits;
  if (!Load(&root, &conduits)) return kCmErrRegistryAccess;
  if (Find(&conduits, creator) != nullptr) return kCmErrCreatorInUse;
  ConduitRegistration conduit;
  conduit.creator = creator;
  conduit.type = type;
  conduits.push_back(conduit);
  std::string error;
  return SaveRegistrations(root, conduits, &error) ? kCmErrNone : kCmErrRegistryAccess;
}

int32_t HS_WINAPI CmRemoveConduitByCreatorID(const char* creator) {
  if (int32_t code = CheckCreator(creator)) return code;
  std::string root;
  std::vector<ConduitRegistration> conduits;
  if (!Load(&root, &conduits)) return kCmErrRegistryAccess;
  const ConduitRegistration* conduit = Find(&conduits, creator);
  if (conduit == nullptr) return kCmErrNoConduit;
  conduits.erase(conduits.begin() + (conduit - conduits.data()));
  std::string error;
  return SaveRegistrations(root, conduits, &error) ? kCmErrNone : kCmErrRegistryAccess;
}

int32_t HS_WINAPI CmSetCreatorName(const char* creator, const char* dll_path) {
  return SetText(creator, dll_path, &ConduitRegistration::name);
}
int32_t HS_WINAPI CmSetCreatorDirectory(const char* creator, const char* directory) {
  return SetText(creator, directory, &ConduitRegistration::directory);
}
int32_t HS_WINAPI CmSetCreatorFile(const char* creator, const char* file) {
  return SetText(creator, file, &ConduitRegistration::file);
}
int32_t HS_WINAPI CmSetCreatorRemote(const char* creator, const char* remote) {
  return SetText(creator, remote, &ConduitRegistration::remote);
}
int32_t HS_WINAPI CmSetCreatorTitle(const char* creator, const char* title) {
  return SetText(creator, title, &ConduitRegistration::title);
}

int32_t HS_WINAPI CmSetCreatorPriority(const char* creator, uint32_t priority) {
  return Change(creator, [&](ConduitRegistration* conduit) {
    if (priority > kMaxPriority) return static_cast<int32_t>(kCmErrCannotSetValue);
    conduit->priority = priority;
    return static_cast<int32_t>(kCmErrNone);
  });
}

int32_t HS_WINAPI CmGetCreatorName(const char* creator, char* buffer, int32_t* size) {
  return GetText(creator, buffer, size, &ConduitRegistration::name);
}
int32_t HS_WINAPI CmGetCreatorDirectory(const char* creator, char* buffer, int32_t* size) {
  return GetText(creator, buffer, size, &ConduitRegistration::directory);
}
int32_t HS_WINAPI CmGetCreatorFile(const char* creator, char* buffer, int32_t* size) {
  return GetText(creator, buffer, size, &ConduitRegistration::file);
}
int32_t HS_WINAPI CmGetCreatorRemote(const char* creator, char* buffer, int32_t* size) {
  return GetText(creator, buffer, size, &ConduitRegistration::remote);
}
int32_t HS_WINAPI CmGetCreatorTitle(const char* creator, char* buffer, int32_t* size) {
  return GetText(creator, buffer, size, &ConduitRegistration::title);
}

int32_t HS_WINAPI CmGetCreatorPriority(const char* creator, uint32_t* priority) {
  if (int32_t code = CheckCreator(creator)) return code;
  if (priority == nullptr) return kCmErrInvalidPointer;
  std::string root;
  std::vector<ConduitRegistration> conduits;
  if (!Load(&root, &conduits)) return kCmErrRegistryAccess;
  const ConduitRegistration* conduit = Find(&conduits, creator);
  if (conduit == nullptr) return kCmErrNoConduit;
  *priority = conduit->priority;
  return kCmErrNone;
}

int32_t HS_WINAPI CmGetCreatorType(const char* creator) {
  if (int32_t code = CheckCreator(creator)) return code;
  std::string root;
  std::vector<ConduitRegistration> conduits;
  if (!Load(&root, &conduits)) return kCmErrRegistryAccess;
  const ConduitRegistration* conduit = Find(&conduits, creator);
  return conduit != nullptr ? conduit->type : kCmErrNoConduit;
}

int32_t HS_WINAPI CmGetConduitCount(void) {
  std::string root;
  std::vector<ConduitRegistration> conduits;
  if (!Load(&root, &conduits)) return kCmErrRegistryAccess;
  return static_cast<int32_t>(conduits.size());
}

// Indexes follow the order a synchronization runs the conduits in.
int32_t HS_WINAPI CmGetConduitCreatorID(int32_t index, char* buffer, int32_t* size) {
  if (buffer == nullptr || size == nullptr) return kCmErrInvalidPointer;
  std::string root;
  std::vector<ConduitRegistration> conduits;
  if (!Load(&root, &conduits)) return kCmErrRegistryAccess;
  if (index < 0 || static_cast<size_t>(index) >= conduits.size()) return kCmErrIndexOutOfRange;
  return CopyOut(InRunOrder(conduits)[static_cast<size_t>(index)].creator, buffer, size);
}

int32_t HS_WINAPI CmGetCorePath(char* buffer, int32_t* size) { return GetCore(kCorePath, buffer, size); }

int32_t HS_WINAPI CmGetHotSyncExecPath(char* buffer, int32_t* size) {
  return GetCore(kCoreHotSyncPath, buffer, size);
}

}  // extern "C"
